// A till that died on duty is wound up from the back office once its lease
// has expired: its pending lines back in stock, its takings owed by its clerk,
// the store sound by storetool's check, the name free for a till started
// anew, and the till process, should it come back, signed off without
// booking anything. The till is the real program in a process of its own
// (worker_till_ui); the back office is its real windows.

#include "admin/monitorwindow.h"
#include "admin/tillregistrationwindow.h"
#include "storedb/errors.h"
#include "storedb/saletable.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "storedb/tilllease.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/storetool.h"
#include "support/workerprocess.h"

#include <QDateTime>
#include <QDir>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <csignal>

using namespace testsupport;
using storedb::Db;

namespace {

const QString kTerminal = QStringLiteral("till-w1");
const QString kClerk = QStringLiteral("1001");
const QString kGoodsA = QStringLiteral("6901");
const QString kGoodsB = QStringLiteral("6902");
const QString kSignOn = QStringLiteral("signon 1001 pw");
// Charged: 2 × 12.5 + 3 × 3.3 = 34.9 on a float of 150; then one A pending.
const QStringList kSaleThenPending{kSignOn,
                                   QStringLiteral("panel"),
                                   QStringLiteral("add 6901 2"),
                                   QStringLiteral("add 6902 3"),
                                   QStringLiteral("charge"),
                                   QStringLiteral("cash 100"),
                                   QStringLiteral("confirm"),
                                   QStringLiteral("add 6901 1")};
const QString kQuestion = QStringLiteral("收款机 till-w1 已失去联系。真的要在后台结束它的营业吗？"
                                         "未收费的货物将退回库存,营业额记入售货员的应交款。");
const QString kTillsLostMessage =
    QStringLiteral("收款机 till-w1 失去联系后,管理员 1 已在后台结束本班营业:未收费的货物已退回库存,"
                   "营业额已记入售货员的应交款。本机已经注销,请重新登录！");

class Till : public WorkerProcess {
  public:
    explicit Till(const QString& folder)
        : WorkerProcess(
              QStringLiteral("worker_till_ui"), {folder},
              {{QStringLiteral("TAVO_TERMINAL_NAME"), kTerminal},
               {QStringLiteral("TAVO_RECEIPT_PDF"), folder + QStringLiteral("/receipts")}}) {}
};

QVariant value(Db& db, const QString& sql, const storedb::Params& params = {}) {
    QSqlQuery q = db.exec(QStringLiteral("look"), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

// The clock of a lease is the database's: a lease nobody renewed for longer
// than the expiry is one whose renewal lies that far back.
void expireLease(Db& db) {
    db.exec(QStringLiteral("expire"),
            QStringLiteral("update tilllease set renewed=renewed-:age where jsj=:jsj"),
            {{QStringLiteral("age"), storedb::TillLease::kExpirySeconds + 5},
             {QStringLiteral("jsj"), kTerminal}});
}

int rowOf(const QTableView* grid, const QString& jsj) {
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (grid->model()->index(row, 0).data().toString() == jsj)
            return row;
    return -1;
}

QString stateShown(const QTableView* grid, int stateColumn) {
    const int row = rowOf(grid, kTerminal);
    return row < 0 ? QString() : grid->model()->index(row, stateColumn).data().toString();
}

struct Shop {
    AdminFixture office;
    Shop() {
        Db& db = office.db();
        addTill(db, kTerminal, 150);
        addClerk(db, kClerk, QStringLiteral("王芳"), QStringLiteral("pw"));
        addCategory(db, QStringLiteral("01"), QStringLiteral("食品"));
        // Stocked in as the back office does, so that storetool's check finds
        // every piece in the log.
        addGoods(db, QStringLiteral("01"), kGoodsA, QStringLiteral("可乐"), 12.5, 0);
        addGoods(db, QStringLiteral("01"), kGoodsB, QStringLiteral("面包"), 3.3, 0);
        const QDate today = QDate::currentDate();
        storedb::recordStockIn(db, {kGoodsA, 8, 12.5, 10, QString()}, QStringLiteral("1"), today);
        storedb::recordStockIn(db, {kGoodsB, 2, 3.3, 20, QString()}, QStringLiteral("1"), today);
        QDir(office.store.folder()).mkdir(QStringLiteral("receipts"));
        office.startAndSignOn();
    }
    Db& db() { return office.db(); }
    QString folder() const { return office.store.folder(); }
};

} // namespace

class TestTillWindUp : public QObject {
    Q_OBJECT

  private slots:
    // Killed with a sale charged and a line pending, the till is wound up in
    // the registration window: refused while its lease is fresh, then booked
    // as its own sign-off would have been.
    void killedTillWoundUpFromRegistration() {
        Shop shop;
        Db& db = shop.db();
        {
            Till till(shop.folder());
            QVERIFY2(till.started(), till.why());
            for (const QString& command : kSaleThenPending)
                QVERIFY2(till.send(command), till.why());
            till.kill();
        }
        QCOMPARE(stockOf(db, kGoodsA), 7);

        shop.office.action("tillRegistrationAction")->trigger();
        auto& window = shop.office.windows().registrationWindow();
        auto* grid = ctl<QTableView>(&window, "tillsGrid");
        auto* windUp = ctl<QPushButton>(&window, "windUpButton");
        QCOMPARE(stateShown(grid, 2), QStringLiteral("在线"));
        grid->setCurrentIndex(grid->model()->index(rowOf(grid, kTerminal), 0));
        QVERIFY(!windUp->isEnabled());
        // The store refuses it too, whatever a window shows.
        const auto windUpNow = [&db] {
            storedb::windUpLostTill(db, kTerminal, QStringLiteral("1"),
                                    QDateTime::currentDateTime());
        };
        QVERIFY_THROWS_EXCEPTION(storedb::TillInContactError, windUpNow());

        expireLease(db);
        window.close();
        shop.office.action("tillRegistrationAction")->trigger();
        QCOMPARE(stateShown(grid, 2), storedb::kTillOutOfContact);
        grid->setCurrentIndex(grid->model()->index(rowOf(grid, kTerminal), 0));
        QVERIFY(windUp->isEnabled());
        shop.office.responder.answer(true);
        windUp->click();
        QCOMPARE(shop.office.responder.shown(),
                 QStringList({kQuestion, "收款机 till-w1 已结束营业:营业额 34.9 元、应交款 0 元记入"
                                         "售货员 1001 的帐上,1 行未收费的货物已退回库存。"}));
        QCOMPARE(stateShown(grid, 2), storedb::kTillStandby);

        QCOMPARE(stockOf(db, kGoodsA), 8);
        QCOMPARE(stockOf(db, kGoodsB), 17);
        const std::optional<storedb::TillRow> standby = storedb::tillRow(db, kTerminal);
        QVERIFY(standby);
        QCOMPARE(standby->zt, storedb::kTillStandby);
        QCOMPARE(standby->ye, 184.9);
        QCOMPARE(standby->yye, 0.0);
        QCOMPARE(standby->shyh.toString(), QString());
        QCOMPARE(value(db, "select count(*) from shyrzb where zxsj is not null and yye=34.9 and "
                           "bj='未交' and shyh='1001'")
                     .toInt(),
                 1);
        QVERIFY(!storedb::saleTableExists(db, kTerminal));
        QCOMPARE(value(db, "select count(*) from changerecord where kind='结束营业' and glyh='1'")
                     .toInt(),
                 1);
        expectBooksBalance(db);
        const ToolRun check = runStoretool({"check", "--udl", shop.office.linkPath()});
        QVERIFY2(check.code == 0, qPrintable(check.output));

        // The name is free at once for the till started anew.
        Till again(shop.folder());
        QVERIFY2(again.started(), again.why());
        QVERIFY2(again.send(kSignOn), again.why());
        // Signed on as after any sign-off: no shift of the dead till wound up again.
        QCOMPARE(again.messages(),
                 QStringList({"售货员 王芳 登录成功!", "此台计算机还有余额 184.9"}));
        QCOMPARE(value(db, "select qye from shyrzb where zxsj is null").toDouble(), 184.9);
    }

    // A till that stalled (stopped, not killed) is wound up from the monitor;
    // once it runs again it says it was signed off and books nothing.
    void stalledTillComesBackSignedOff() {
        Shop shop;
        Db& db = shop.db();
        Till till(shop.folder());
        QVERIFY2(till.started(), till.why());
        for (const QString& command :
             {kSignOn, QStringLiteral("panel"), QStringLiteral("add 6901 1")})
            QVERIFY2(till.send(command), till.why());
        QVERIFY(::kill(pid_t(till.processId()), SIGSTOP) == 0);
        expireLease(db);

        shop.office.toolButton("monitorButton")->click();
        auto& monitor = shop.office.windows().monitorWindow();
        auto* grid = ctl<QTableView>(&monitor, "tillsGrid");
        auto* windUp = ctl<QPushButton>(&monitor, "windUpButton");
        QTRY_COMPARE(stateShown(grid, 4), storedb::kTillOutOfContact);
        grid->setCurrentIndex(grid->model()->index(rowOf(grid, kTerminal), 0));
        QVERIFY(windUp->isEnabled());
        shop.office.responder.answer(true);
        windUp->click();
        QCOMPARE(shop.office.responder.shown().value(1),
                 QStringLiteral("收款机 till-w1 已结束营业:营业额 0 元、应交款 0 元记入售货员 "
                                "1001 的帐上,1 行未收费的货物已退回库存。"));
        QTRY_COMPARE(stateShown(grid, 4), storedb::kTillStandby);
        monitor.close();
        QCOMPARE(stockOf(db, kGoodsA), 10);

        QVERIFY(::kill(pid_t(till.processId()), SIGCONT) == 0);
        QVERIFY(!till.send(QStringLiteral("add 6902 1")));
        const QStringList said = till.messages();
        QVERIFY2(std::any_of(said.begin(), said.end(),
                             [](const QString& m) { return m.endsWith(kTillsLostMessage); }),
                 till.why());
        QCOMPARE(stockOf(db, kGoodsB), 20);
        QCOMPARE(value(db, "select count(*) from hwrzb where crk='出库'").toInt(), 0);
        QCOMPARE(value(db, "select count(*) from shyrzb where zxsj is null").toInt(), 0);
        expectBooksBalance(db);
    }
};

QTEST_MAIN(TestTillWindUp)
#include "tst_till_windup.moc"
