// Returns at the till through its real windows: F7 with a receipt's bill
// number, F10 for the last sale, an administrator's consent each time; the
// slip, the stock, the drawer and the sign-off after each, and every refusal
// with its message and nothing booked.

#include "till_harness.h"

#include "client/returnwindow.h"

#include "storedb/charge.h"
#include "storedb/numtext.h"
#include "storedb/statistics.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/books.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {

const QString kTill = QStringLiteral("till-1");

// Till 1 (float 0) has sold A 3 at 3.5 and B 2 at 12 (34.5) through its
// windows; till 2 has sold B 3 (36) on a bill of its own.
struct ReturnTill {
    TestStore store;
    QTemporaryDir slips;
    EnvGuard copies{"TAVO_RECEIPT_PDF", slips.path().toUtf8()};
    formkit::ScriptedResponder responder;
    std::unique_ptr<TillRun> run;
    qint64 bill = 0;
    qint64 otherBill = 0;

    ReturnTill() {
        Db& db = store.db();
        addCategory(db, "01", "食品");
        for (const auto& [hwh, hwm, dj] : {std::tuple{"A", "可乐", 3.5}, {"B", "面包", 12.0}}) {
            sppztj(db, "01", hwh, hwm);
            recordStockIn(db, {hwh, 1, dj, 20, "供货商"}, "1", QDate::currentDate());
        }
        addClerk(db, "1001", "王芳", "pw");
        addClerk(db, "1002", "李四", "pw");
        addTill(db, kTill, 0);
        addTill(db, "till-2", 50);
        signOn(db, "till-2", "1002", QDateTime::currentDateTime());
        addSaleLine(db, "till-2", "B", *hwhdw(db, "B"), 3);
        otherBill = chargeSale(db, "till-2", QDate::currentDate()).bill;

        store.writeDataLink(store.folder());
        run = std::make_unique<TillRun>(store.folder(), kTill);
        run->start();
        run->signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        run->addLine("A", "3");
        run->addLine("B", "2");
        button(mainWindow(), "chargeButton")->click();
        ChargeWindow* charge = mainWindow()->chargeWindow();
        edit(charge, "cashReceived")->setText("100");
        button(charge, "confirmButton")->click();
        bill = session().lastSale().value_or(0);
        responder.clear();
    }
    Db& db() { return store.db(); }

    // Opens the window by its key's action and keys the bill number.
    ReturnWindow* open(qint64 number, const char* action = "returnGoods") {
        tool(action)->trigger();
        ReturnWindow* window = mainWindow()->returnWindow();
        // Its keys (F5) answer only once it has the keyboard.
        if (window && !QTest::qWaitForWindowActive(window))
            return nullptr;
        if (window && number) {
            QTest::keyClicks(edit(window, "billNumber"), QString::number(number));
            QTest::keyClick(edit(window, "billNumber"), Qt::Key_Return);
        }
        return window;
    }
    // "0:2,1:1": two pieces of the first line, one of the second; "whole": F5.
    static void choose(ReturnWindow* window, const QString& pieces) {
        if (pieces == "whole") {
            QTest::keyClick(window, Qt::Key_F5);
            // A button's key clicks it a moment later, as it shows the press.
            QTRY_COMPARE(QApplication::focusWidget(), edit(window, "adminNumber"));
            return;
        }
        for (const QString& piece : pieces.split(',', Qt::SkipEmptyParts))
            QTest::keyClicks(edit(window, qPrintable("pieces" + piece.section(':', 0, 0))),
                             piece.section(':', 1));
    }
    static void authorise(ReturnWindow* window, const QString& number, const QString& password) {
        QTest::keyClicks(edit(window, "adminNumber"), number);
        QTest::keyClick(edit(window, "adminNumber"), Qt::Key_Return);
        QTest::keyClicks(edit(window, "adminPassword"), password);
        QTest::keyClick(edit(window, "adminPassword"), Qt::Key_Return);
    }
    double money(const QString& sql) {
        return roundFen(scalar(db(), sql, {{"jsj", kTill}}).toDouble());
    }
    double takings() { return money("select yye from jqb where jsj=:jsj"); }
    double shiftTakings() {
        return money("select yye from shyrzb where jsj=:jsj and zxsj is null");
    }
    int returns() { return count(db(), "select count(*) from salereturn"); }
    // The text of the one slip written since `before` slips were there.
    QString newestSlip(int before) {
        const QStringList files =
            QDir(slips.path()).entryList({"return-*.pdf"}, QDir::Files, QDir::Time);
        if (files.size() != before + 1)
            return QString("%1 slips").arg(files.size());
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", slips.filePath(files.first()), "-"});
        pdftotext.waitForFinished(30000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput())
            .normalized(QString::NormalizationForm_KC);
    }
};

bool hasFigure(const QString& text, const QString& label, const QString& value) {
    return text.contains(
        QRegularExpression(label + "\\s+" + QRegularExpression::escape(value) + "(\\s|$)"));
}

} // namespace

class TestTillReturn : public QObject {
    Q_OBJECT

  private slots:
    void returnsAddUp_data() {
        QTest::addColumn<QStringList>("steps"); // per return: "own|other|void" + " " + pieces
        QTest::addColumn<QStringList>("refunds");
        QTest::addColumn<int>("stockA");
        QTest::addColumn<int>("stockB");
        QTest::newRow("one piece, then the rest of the bill")
            << QStringList{"own 0:1", "own whole"} << QStringList{"3.5", "31"} << 20 << 17;
        QTest::newRow("two partial returns of two lines")
            << QStringList{"own 0:2,1:1", "own 0:1"} << QStringList{"19", "3.5"} << 20 << 16;
        QTest::newRow("void of the last sale")
            << QStringList{"void"} << QStringList{"34.5"} << 20 << 17;
        QTest::newRow("another till's bill")
            << QStringList{"other 0:1"} << QStringList{"12"} << 17 << 16;
    }
    void returnsAddUp() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, refunds);
        QFETCH(int, stockA);
        QFETCH(int, stockB);
        ReturnTill t;
        double refunded = 0;
        for (int i = 0; i < steps.size(); ++i) {
            const QString kind = steps[i].section(' ', 0, 0);
            const qint64 original = kind == "other" ? t.otherBill : t.bill;
            ReturnWindow* window = kind == "void" ? t.open(0, "voidLastSale") : t.open(original);
            QVERIFY(window);
            QVERIFY2(window->bill(), qPrintable(t.responder.shown().join('\n')));
            ReturnTill::choose(window, steps[i].section(' ', 1));
            t.responder.clear();
            ReturnTill::authorise(window, "1", "1234");
            QCOMPARE(t.responder.shown(),
                     QStringList{"退货成功！请退给顾客 " + refunds[i] + " 元。"});
            QVERIFY(!mainWindow()->returnWindow());
            refunded += refunds[i].toDouble();
            QCOMPARE(t.takings(), 34.5 - refunded);
            QCOMPARE(t.shiftTakings(), 34.5 - refunded);
            const QString slip = t.newestSlip(i);
            QVERIFY2(slip.contains("退货单") && hasFigure(slip, "退款", refunds[i]) &&
                         hasFigure(slip, "原帐单流水号", QString::number(original)),
                     qPrintable(slip));
            QCOMPARE(scalar(t.db(),
                            "select glyh from salereturn where original=:o order by num desc",
                            {{"o", original}})
                         .toString(),
                     QString("1"));
            expectBooksBalance(t.db());
        }
        QCOMPARE(stockOf(t.db(), "A"), stockA);
        QCOMPARE(stockOf(t.db(), "B"), stockB);
        // The profit estimate and the statistics net the refunds out.
        const double turnover = roundFen(34.5 + 36 - refunded);
        QCOMPARE(roundFen(profitSums(t.db()).turnover), turnover);
        const QDateTime now = QDateTime::currentDateTime();
        QSqlQuery goods = goodsTurnover(t.db(), pickedPeriod(now, now), std::nullopt);
        double perGoods = 0;
        while (goods.next())
            perGoods += goods.value(1).toDouble();
        QCOMPARE(roundFen(perGoods), turnover);
        // Nothing stays authorised: the next window asks again.
        ReturnWindow* next = t.open(0);
        QVERIFY(edit(next, "adminNumber")->text().isEmpty() &&
                edit(next, "adminPassword")->text().isEmpty());
        next->close();
        // Sign-off shows the takings net of the refunds.
        tool("signOffAction")->trigger();
        QCOMPARE(label(summaryWindow(), "takingsLabel")->text().section(' ', 0, 0),
                 numberText(roundFen(34.5 - refunded)));
    }

    void refusals_data() {
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("pieces");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QString>("message");
        QTest::newRow("no clerk") << "signed off"
                                  << ""
                                  << ""
                                  << "请先登录,再办理退货！";
        QTest::newRow("lines pending") << "pending"
                                       << ""
                                       << ""
                                       << "本单还有货物没有收费,请先收费或删除后再办理退货！";
        QTest::newRow("unknown bill") << "bill 999999"
                                      << ""
                                      << ""
                                      << "找不到帐单流水号为 999999 的销售,请检查输入！";
        QTest::newRow("no bill number") << "bill 0"
                                        << ""
                                        << ""
                                        << "请输入小票上的帐单流水号！";
        QTest::newRow("more than sold") << "own"
                                        << "0:4"
                                        << "1 1234"
                                        << "商品 A 最多还能退 3 件,请重新输入！";
        QTest::newRow("no pieces") << "own"
                                   << ""
                                   << "1 1234"
                                   << "请输入退货数量,或按F5整单退货！";
        QTest::newRow("no administrator") << "own"
                                          << "0:1"
                                          << ""
                                          << "退货须由管理员输入管理员号和密码授权！";
        QTest::newRow("wrong password") << "own"
                                        << "0:1"
                                        << "1 4321"
                                        << "管理员号或密码错误,不能退货！";
        QTest::newRow("a clerk's password") << "own"
                                            << "0:1"
                                            << "1001 pw"
                                            << "管理员号或密码错误,不能退货！";
        QTest::newRow("refund beyond the drawer") << "other"
                                                  << "whole"
                                                  << "1 1234"
                                                  << "退款 36 元超过钱箱现金 34.5 元,不能退货！";
        QTest::newRow("nothing to void") << "void after sign-on"
                                         << ""
                                         << ""
                                         << "本班还没有收费的帐单,没有可以撤销的销售！";
    }
    void refusals() {
        QFETCH(QString, scene);
        QFETCH(QString, pieces);
        QFETCH(QString, admin);
        QFETCH(QString, message);
        ReturnTill t;
        int stockA = stockOf(t.db(), "A");
        const double takings = t.takings();
        ReturnWindow* window = nullptr;
        if (scene == "signed off") {
            tool("signOffAction")->trigger();
            t.responder.clear();
            window = t.open(0);
        } else if (scene == "pending") {
            t.run->addLine("A", "1");
            stockA -= 1;
            window = t.open(0);
        } else if (scene == "void after sign-on") {
            tool("signOffAction")->trigger();
            button(summaryWindow(), "confirmButton")->click();
            tool("signOnAction")->trigger();
            t.run->signOn("1001", "pw");
            t.responder.clear();
            window = t.open(0, "voidLastSale");
        } else {
            const qint64 number = scene == "own"     ? t.bill
                                  : scene == "other" ? t.otherBill
                                                     : scene.section(' ', 1).toLongLong();
            window = t.open(0);
            QVERIFY(window);
            QTest::keyClicks(edit(window, "billNumber"), number ? QString::number(number) : "");
            QTest::keyClick(edit(window, "billNumber"), Qt::Key_Return);
            ReturnTill::choose(window, pieces);
            if (admin.isEmpty())
                button(window, "confirm")->click();
            else
                ReturnTill::authorise(window, admin.section(' ', 0, 0), admin.section(' ', 1));
            // Whatever was keyed for the administrator is gone.
            QVERIFY(edit(window, "adminPassword")->text().isEmpty());
        }
        QCOMPARE(t.responder.shown(), QStringList{message});
        QCOMPARE(t.returns(), 0);
        QCOMPARE(stockOf(t.db(), "A"), stockA);
        if (scene != "signed off" && scene != "void after sign-on")
            QCOMPARE(t.takings(), takings);
        QCOMPARE(bool(window), scene.startsWith("bill") || scene == "own" || scene == "other");
    }
};

STORE_TEST_MAIN(TestTillReturn)
#include "tst_till_return.moc"
