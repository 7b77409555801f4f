// A barcode scanner at the till, told from a clerk's typing by the pace of
// its keys: real key events into the real window, wherever its cursor is.

#include "till_harness.h"

#include "storedb/barcode.h"
#include "storedb/numtext.h"
#include "storedb/till.h"

#include <QFile>
#include <QMap>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {

// Slower than any scanner, and than the longest gap the till allows one.
const int kHandKeyMs = 60;
const QStringList kGoods{"6901", "6902", "A01", "123", "00456"};
const int kStock = 100;

void arrangeShop(Db& db) {
    addTill(db, "till-1", 150);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "食品");
    addGoods(db, "01", "6901", "可口可乐", 3.5, kStock);
    addGoods(db, "01", "6902", "雪碧", 2.25, kStock);
    addGoods(db, "01", "A01", "散装大米", 5, kStock);
    addGoods(db, "01", "123", "猪肉", 30, kStock);
    addGoods(db, "01", "00456", "牛肉", 50, kStock);
}

// A label of the scales' default layout: 2X, goods number, fen, check digit.
QString scaleLabel(const QString& goods, int fen, bool rightCheck = true) {
    const QString digits = QStringLiteral("20%1%2").arg(goods).arg(fen, 5, 10, QLatin1Char('0'));
    const int check = gtinCheckDigit(digits);
    return digits + QString::number(rightCheck ? check : (check + 1) % 10);
}

// A till on duty with the sale panel open; `ini` is its till.ini.
struct ScanningTill {
    TestStore store;
    formkit::ScriptedResponder responder;
    std::unique_ptr<TillRun> run;
    explicit ScanningTill(const QString& ini = {}) {
        arrangeShop(store.db());
        store.writeDataLink(store.folder());
        if (!ini.isEmpty()) {
            QFile file(store.folder() + QStringLiteral("/till.ini"));
            if (!file.open(QIODevice::WriteOnly) || file.write(ini.toUtf8()) < 0)
                qFatal("till.ini cannot be written");
        }
        run = std::make_unique<TillRun>(store.folder(), "till-1");
        run->start();
        run->signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        responder.clear();
    }
    Db& db() { return store.db(); }
};

// The keys go where the window's cursor is.
QWidget* cursor() {
    return mainWindow()->focusWidget();
}

// "scan CODE": keys and Enter as fast as events come; "type TEXT" and
// "enter": a clerk's keys.
void play(const QStringList& steps) {
    for (const QString& step : steps) {
        const QString verb = step.section(' ', 0, 0);
        const QString text = step.section(' ', 1);
        if (verb == "scan") {
            QWidget* box = cursor();
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Return);
        } else if (verb == "type") {
            QTest::keyClicks(cursor(), text, Qt::NoModifier, kHandKeyMs);
        } else {
            QTest::keyClick(cursor(), Qt::Key_Return, Qt::NoModifier, kHandKeyMs);
        }
    }
}

// "hwh sl dj" per line of the sale table; each line's pieces left stock.
QStringList linesAndStock(Db& db) {
    QStringList lines;
    QMap<QString, int> sold;
    for (const SaleLine& line : saleLines(db, "till-1")) {
        lines << QStringLiteral("%1 %2 %3").arg(line.hwh).arg(line.sl).arg(line.dj);
        if (line.jg != roundMoney(line.sl * line.dj))
            lines << QStringLiteral("priced %1").arg(line.jg);
        sold[line.hwh] += line.sl;
    }
    for (const QString& hwh : kGoods) {
        if (stockOf(db, hwh) != kStock - sold.value(hwh))
            lines << QStringLiteral("%1 stock %2").arg(hwh).arg(stockOf(db, hwh));
    }
    return lines;
}

} // namespace

class TestTillScan : public QObject {
    Q_OBJECT

  private slots:
    void entry_data() {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("shown");
        // "goods box|quantity box|the box with the cursor"
        QTest::addColumn<QString>("boxes");
        const QString pork = scaleLabel("00123", 1235); // 12.35 yuan: 12.4 at the till
        const QString wrong = scaleLabel("00123", 1235, false);
        const QString missing =
            QStringLiteral("此货物号不存在,请检查输入是否有误或通知管理员检查！");
        const QStringList none;
        const auto row = [](const char* name, const QString& ini, const QStringList& steps,
                            const QStringList& lines, const QStringList& shown,
                            const QString& boxes) {
            QTest::newRow(name) << ini << steps << lines << shown << boxes;
        };
        row("scanned", {}, {"scan 6901"}, {"6901 1 3.5"}, none, "|1|goodsNumber");
        row("typed: Enter moves to the quantity", {}, {"type 6901", "enter"}, none, none,
            "6901|1|quantity");
        row("typed with a quantity", {}, {"type 6901", "enter", "type 3", "enter"}, {"6901 3 3.5"},
            none, "|3|goodsNumber");
        row("two quick keys are typing", {}, {"scan 12"}, none, none, "12|1|quantity");
        row("scan while the quantity waits", {}, {"type 6901", "enter", "type 3", "scan 6902"},
            {"6901 3 3.5", "6902 1 2.3"}, none, "|1|goodsNumber");
        row("short code scanned while the quantity waits", {}, {"type 6901", "enter", "scan 123"},
            {"6901 1 3.5", "123 1 30"}, none, "|1|goodsNumber");
        row("letters typed", {}, {"type A01", "enter", "enter"}, {"A01 1 5"}, none,
            "|1|goodsNumber");
        row("letters scanned into the quantity box", {}, {"type 6902", "enter", "scan A01"},
            {"6902 1 2.3", "A01 1 5"}, none, "|1|goodsNumber");
        row("label scanned", {}, {"scan " + pork}, {"123 1 12.4"}, none, "|1|goodsNumber");
        row("label's goods number as printed", {}, {"scan " + scaleLabel("00456", 2000)},
            {"00456 1 20"}, none, "|1|goodsNumber");
        row("label typed with a quantity: one piece", {},
            {"type " + pork, "enter", "type 3", "enter"}, {"123 1 12.4"}, none, "|3|goodsNumber");
        row("label with a wrong check digit", {}, {"scan " + wrong}, none,
            {QStringLiteral("条码 %1 的校验位有误,请重新扫描！").arg(wrong)}, "|1|goodsNumber");
        row("no such goods scanned", {}, {"scan 7777"}, none, {missing}, "|1|goodsNumber");
        row("scan detection off", "[scanner]\nmaxKeyGapMs=0\n", {"scan 6901"}, none, none,
            "6901|1|quantity");
        row("scale labels off", "[scaleLabel]\nlayout=\n", {"scan " + pork}, none, {missing},
            "|1|goodsNumber");
    }
    void entry() {
        QFETCH(QString, ini);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, lines);
        QFETCH(QStringList, shown);
        QFETCH(QString, boxes);
        ScanningTill till(ini);
        play(steps);
        QCOMPARE(linesAndStock(till.db()), lines);
        QCOMPARE(till.responder.shown(), shown);
        QCOMPARE(QStringList({edit(mainWindow(), "goodsNumber")->text(),
                              edit(mainWindow(), "quantity")->text(), cursor()->objectName()})
                     .join('|'),
                 boxes);
        QCOMPARE(tillLooks(), lines.isEmpty() ? kPanelOpen : kSalePending);
    }

    void fiftyScansInARow() {
        ScanningTill till;
        QStringList expected;
        for (int i = 0; i < 50; ++i) {
            const QString code = kGoods.at(i % 3);
            play({"scan " + code});
            expected << code + QStringLiteral(" 1 ") +
                            (i % 3 == 0   ? "3.5"
                             : i % 3 == 1 ? "2.3"
                                          : "5");
        }
        QCOMPARE(linesAndStock(till.db()), expected);
        QVERIFY(till.responder.shown().isEmpty());
        QCOMPARE(edit(mainWindow(), "quantity")->text(), QString("1"));
        QCOMPARE(cursor(), edit(mainWindow(), "goodsNumber"));
        QCOMPARE(ctl<QTableView>(mainWindow(), "saleLines")->model()->rowCount(), 50);
    }

    // The till keeps money to the jiao: the label's fen rounded half up, in
    // the line and, once charged, in the log and the takings.
    void labelPriceToTheJiao_data() {
        QTest::addColumn<int>("fen");
        QTest::addColumn<double>("price");
        QTest::newRow("down") << 1234 << 12.3;
        QTest::newRow("half up") << 1235 << 12.4;
        QTest::newRow("into the yuan") << 1299 << 13.0;
        QTest::newRow("five fen") << 5 << 0.1;
        QTest::newRow("largest") << 99999 << 1000.0;
    }
    void labelPriceToTheJiao() {
        QFETCH(int, fen);
        QFETCH(double, price);
        ScanningTill till;
        play({"scan " + scaleLabel("00123", fen)});
        QCOMPARE(linesAndStock(till.db()), QStringList{QStringLiteral("123 1 %1").arg(price)});
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), numberText(price));
        button(mainWindow(), "chargeButton")->click();
        QVERIFY(mainWindow()->chargeWindow());
        QCOMPARE(scalar(till.db(), "select dj from hwrzb where hwh='123'").toDouble(), price);
        QCOMPARE(tillRow(till.db(), "till-1")->yye, price);
    }
};

STORE_TEST_MAIN(TestTillScan)
#include "tst_till_scan.moc"
