// One running till per till name: a second till under a held name is
// refused, a till whose holder died is wound up at the next sign-on, and a
// till whose name was taken from it writes nothing more. A charge of an
// emptied sale table is refused.

#include "till_harness.h"

#include "storedb/till.h"
#include "storedb/tilllease.h"
#include "support/books.h"
#include "support/workerprocess.h"

#include <QSysInfo>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {
const QString kTerminal = QStringLiteral("till-l1");
const QString kOtherComputer = QStringLiteral("POS-2 (192.168.1.12, 进程 4711)");

QString heldMessage(const QString& computer) {
    return QStringLiteral("收款机 %1 正在计算机 %2 上营业,同一收款机不能同时登录两处！"
                          "请先在那里注销并退出,或通知管理员。")
        .arg(kTerminal, computer);
}

struct Shop {
    TestStore store;
    formkit::ScriptedResponder responder;
    Shop() {
        Db& db = store.db();
        addTill(db, kTerminal, 150);
        addClerk(db, "1001", "王芳", "pw");
        addCategory(db, "01", "饮料");
        addGoods(db, "01", "6901", "可乐", 3.5, 20);
        addGoods(db, "01", "6902", "面包", 2, 20);
        store.writeDataLink(store.folder());
    }
    Db& db() { return store.db(); }
    // Another computer's till holds the name, renewed `age` seconds ago.
    void leaseElsewhere(int age) {
        db().exec("arrange", "delete from tilllease where jsj=:jsj", {{"jsj", kTerminal}});
        const QString clock = db().isSQLite()
                                  ? "cast(strftime('%s','now') as integer)"
                                  : "cast(extract(epoch from clock_timestamp()) as bigint)";
        db().exec("arrange",
                  QStringLiteral("insert into tilllease(jsj,token,machine,computer,renewed) "
                                 "values(:jsj,'elsewhere','another-machine',:computer,%1-:age)")
                      .arg(clock),
                  {{"jsj", kTerminal}, {"computer", kOtherComputer}, {"age", age}});
    }
    int lines() {
        return count(db(), QStringLiteral("select count(*) from \"%1\"").arg(kTerminal));
    }
};

class Till : public WorkerProcess {
  public:
    explicit Till(const Shop& shop)
        : WorkerProcess(QStringLiteral("worker_till_ui"), {shop.store.folder()},
                        {{QStringLiteral("TAVO_TERMINAL_NAME"), kTerminal}}) {}
};
} // namespace

class TestTillLease : public QObject {
    Q_OBJECT
  private slots:
    // The other computer's till is alive: refused, and nothing of its shift
    // touched. Once its lease is old, its shift is wound up as after a crash.
    void heldByAnotherComputer() {
        Shop shop;
        // The other computer's shift: one line keyed, two pieces out of stock.
        signOn(shop.db(), kTerminal, "1001", QDateTime::currentDateTime());
        const auto goods = hwhdw(shop.db(), "6901");
        QVERIFY(addSaleLine(shop.db(), kTerminal, "6901", *goods, 2).added);
        shop.leaseElsewhere(5);

        TillRun run(shop.store.folder(), kTerminal);
        run.start();
        shop.responder.clear();
        run.signOn("1001", "pw");
        QCOMPARE(shop.responder.shown(), QStringList{heldMessage(kOtherComputer)});
        QVERIFY(!session().clerkOnDuty());
        QCOMPARE(shop.lines(), 1);
        QCOMPARE(stockOf(shop.db(), "6901"), 18);
        QCOMPARE(count(shop.db(), "select count(*) from shyrzb where zxsj is null"), 1);

        shop.leaseElsewhere(TillLease::kExpirySeconds + 1);
        shop.responder.clear();
        run.signOn("1001", "pw");
        QVERIFY2(session().clerkOnDuty(), qPrintable(shop.responder.shown().join('|')));
        QCOMPARE(shop.lines(), 0);
        QCOMPARE(stockOf(shop.db(), "6901"), 20);
        QCOMPARE(count(shop.db(), "select count(*) from shyrzb where zxsj is null"), 1);
        QVERIFY(scalar(shop.db(), "select computer from tilllease")
                    .toString()
                    .startsWith(QSysInfo::machineHostName() + " ("));
        expectBooksBalance(shop.db());
    }

    // The name was taken while this till was on duty with a line keyed: each
    // action that writes is refused with nothing written, and the till leaves
    // duty with the reason.
    void nameTakenWhileOnDuty_data() {
        QTest::addColumn<QString>("action");
        // What the failed action says before the till leaves duty; empty:
        // that nothing was saved, and why.
        QTest::addColumn<QString>("refusal");
        QTest::newRow("add a line") << "add" << QString();
        QTest::newRow("delete a line") << "delete" << QString();
        QTest::newRow("charge") << "charge" << QString();
        QTest::newRow("sign off") << "signoff" << QStringLiteral("注销失败！");
    }
    void nameTakenWhileOnDuty() {
        QFETCH(QString, action);
        QFETCH(QString, refusal);
        Shop shop;
        TillRun run(shop.store.folder(), kTerminal);
        run.start();
        run.signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        // Sign-off needs a sale panel without lines.
        if (action != "signoff")
            run.addLine("6901", "2");
        // The other computer's till took the name and wound the shift up.
        shop.db().exec("take", "update tilllease set token='elsewhere',machine='m2',computer=:c",
                       {{"c", kOtherComputer}});
        const int accountnum = count(shop.db(), "select accountnum from company");
        const int stock = stockOf(shop.db(), "6902");
        shop.responder.clear();
        shop.responder.answer(true);
        if (action == "add") {
            run.addLine("6902", "1");
        } else if (action == "delete") {
            edit(mainWindow(), "lineToDelete")->setText("1");
            button(mainWindow(), "deleteLineButton")->setEnabled(true);
            button(mainWindow(), "deleteLineButton")->click();
        } else if (action == "charge") {
            button(mainWindow(), "chargeButton")->click();
        } else {
            tool("signOffAction")->trigger();
        }
        const QString lost = QStringLiteral("收款机 %1 已在计算机 %2 上登录营业,"
                                            "本机的班次已由那里结束,不能再在本机营业！")
                                 .arg(kTerminal, kOtherComputer);
        QTRY_COMPARE(tillLooks(), kNoClerk);
        QStringList shown = shop.responder.shown();
        shown.removeAll(QStringLiteral("真的要删除吗？"));
        QCOMPARE(shown.last(), lost);
        QVERIFY2(shown.size() == 2 &&
                     (refusal.isEmpty() ? shown.first() == "本次操作没有保存。" + lost
                                        : shown.first() == refusal),
                 qPrintable(shown.join('|')));
        QCOMPARE(count(shop.db(), "select accountnum from company"), accountnum);
        QCOMPARE(stockOf(shop.db(), "6902"), stock);
        QCOMPARE(count(shop.db(), "select count(*) from hwrzb"), 0);
        QCOMPARE(count(shop.db(), "select count(*) from shyrzb where zxsj is null"), 1);
        QCOMPARE(shop.lines(), action == "signoff" ? 0 : 1);
    }

    // Lines on screen that the sale table no longer holds are never charged
    // as a sale of 0: refused, and the window shows the table again.
    void emptySaleTableIsNotCharged() {
        Shop shop;
        TillRun run(shop.store.folder(), kTerminal);
        run.start();
        run.signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        run.addLine("6901", "2");
        run.addLine("6902", "3");
        shop.db().exec("arrange", QStringLiteral("delete from \"%1\"").arg(kTerminal));
        shop.responder.clear();
        button(mainWindow(), "chargeButton")->click();
        QCOMPARE(shop.responder.shown(),
                 QStringList{"本单没有可以收费的货物,不能收费！收款机已重新读取本单。"});
        QVERIFY(!mainWindow()->chargeWindow());
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QStringLiteral("0"));
        QCOMPARE(ctl<QTableView>(mainWindow(), "saleLines")->model()->rowCount(), 0);
        QCOMPARE(count(shop.db(), "select accountnum from company"), 0);
        QCOMPARE(count(shop.db(), "select count(*) from hwrzb"), 0);
        QCOMPARE(scalar(shop.db(), "select yye from jqb").toDouble(), 0.0);
    }

    // Two till programs under one name on this computer: the second is
    // refused while the first runs, and winds it up once it was killed.
    void secondProgramOnThisComputer() {
        Shop shop;
        Till first(shop);
        QVERIFY2(first.started(), first.why());
        for (const QString step : {"signon 1001 pw", "panel", "add 6901 2"})
            QVERIFY2(first.send(step), first.why());

        Till second(shop);
        QVERIFY2(second.started(), second.why());
        second.post("signon 1001 pw");
        QVERIFY2(second.expect("fail signon 1001 pw: nobody on duty"), second.why());
        QCOMPARE(second.messages().size(), 1);
        QVERIFY2(
            second.messages().first().startsWith(QStringLiteral("收款机 %1 正在计算机 %2 (进程 ")
                                                     .arg(kTerminal, QSysInfo::machineHostName())),
            qPrintable(second.messages().first()));

        // The first till sells on, untouched.
        for (const QString step : {"add 6902 1", "charge", "cash 20", "confirm", "add 6902 4"})
            QVERIFY2(first.send(step), first.why());
        QCOMPARE(count(shop.db(), "select count(distinct num) from hwrzb"), 1);
        first.kill();

        QVERIFY2(second.send("signon 1001 pw"), second.why());
        QCOMPARE(shop.lines(), 0);
        QCOMPARE(stockOf(shop.db(), "6902"), 19);
        QCOMPARE(stockOf(shop.db(), "6901"), 18);
        expectBooksBalance(shop.db());
        QVERIFY2(second.send("signoff"), second.why());
        QVERIFY2(second.send("summary-ok"), second.why());
        QVERIFY2(second.send("quit"), second.why());
        QVERIFY(second.endedNormally());
        // A till that ends gives its name back.
        QCOMPARE(count(shop.db(), "select count(*) from tilllease"), 0);
    }
};

STORE_TEST_MAIN(TestTillLease)
#include "tst_till_lease.moc"
