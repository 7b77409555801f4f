// The stock level analysis and its report: the progress window, the list of
// goods at or below the alarm level, the print preview round trip, and the
// report as a real PDF read back with poppler's tools. Stock is moved by the
// back office's movements and the till's sales.

#include "admin/analysisprogresswindow.h"
#include "admin/opening.h"
#include "admin/stockanalysiswindow.h"
#include "admin/stockreportwindow.h"
#include "formkit/hint.h"
#include "formkit/preview.h"
#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/stock.h"
#include "storedb/stocklevel.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/modalanswer.h"

#include <QFileDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kNoAlarmLevel = QStringLiteral(
    "还没有设置报警库存量,不能进行库存量分析！请先在“系统配置”的“其它配置”中设置报警库存量。");
constexpr double kPointsPerMm = 72 / 25.4;

// Run through a poppler tool. The PDF's text layer gives some ideographs as
// their look-alike Kangxi radicals (面 as ⾯); NFKC folds them back.
QString pdfText(const QStringList& args) {
    QProcess process;
    process.start(args.first(), args.mid(1));
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("%s failed", qPrintable(args.first()));
    return QString::fromUtf8(process.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC);
}

// A word of a PDF page: its left and top in mm from the page's corner.
struct Word {
    double left, top;
    int page;
};
QHash<QString, Word> words(const QString& pdf) {
    static const QRegularExpression tag(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)<");
    QHash<QString, Word> found;
    int page = -1;
    for (const QString& line : pdfText({"pdftotext", "-bbox", pdf, "-"}).split('\n')) {
        page += line.contains("<page ") ? 1 : 0;
        if (const auto m = tag.match(line); m.hasMatch())
            found.insert(m.captured(3), {m.captured(1).toDouble() / kPointsPerMm,
                                         m.captured(2).toDouble() / kPointsPerMm, page});
    }
    return found;
}

QStringList column(const QTableView* grid, int col) {
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values << grid->model()->index(row, col).data().toString();
    return values;
}

void stockIn(Db& db, const QString& hwh, int sl) {
    QCOMPARE(recordStockIn(db, {hwh, 2, 3.5, sl, "供货商"}, "1", QDate::currentDate()).result,
             MovementOutcome::Recorded);
}
// A clerk's shift at the till: sl pieces sold, charged, signed off.
void sell(Db& db, const QString& hwh, int sl) {
    const QDateTime now = QDateTime::currentDateTime();
    signOn(db, "till-1", "1001", now);
    QVERIFY(addSaleLine(db, "till-1", hwh, *hwhdw(db, hwh), sl).added);
    chargeSale(db, "till-1", now.date());
    signOff(db, "till-1", now);
}
void setLevel(Db& db, int sl) {
    saveShopSettings(db, ShopSettings{"好又多超市", "欢迎光临", sl, 0});
}

// Stocks 0, 3, 10 and 11 at level 10; goods never stocked (N) have none.
// Goods whose category is gone (X stocked, Y never) are not analysed.
void buildShop(Db& db) {
    addCategory(db, "01", "饮料");
    addCategory(db, "02", "糖果");
    addCategory(db, "03", "杂货");
    for (const auto& [hwlbh, hwh, hwm] :
         QList<std::tuple<QString, QString, QString>>{{"01", "A", "可乐"},
                                                      {"02", "B", "薯片"},
                                                      {"02", "C", "饼干"},
                                                      {"01", "D", "面包"},
                                                      {"02", "N", "瓜子"},
                                                      {"03", "X", "火柴"},
                                                      {"03", "Y", "蜡烛"}})
        sppztj(db, hwlbh, hwh, hwm);
    addClerk(db, "1001", "张三", "1001");
    addTill(db, "till-1", 100);
    stockIn(db, "A", 5);
    QCOMPARE(recordStockOut(db, {"A", 3.5, 2, "报损"}, "1", QDate::currentDate()).result,
             MovementOutcome::Recorded);
    stockIn(db, "B", 12);
    sell(db, "B", 2);
    stockIn(db, "C", 11);
    stockIn(db, "D", 2);
    sell(db, "D", 2);
    stockIn(db, "X", 1);
    db.exec("gone", "delete from hwlbpzb where hwlbh=:c", {{"c", "03"}});
    setLevel(db, 10);
}

} // namespace

class TestStockReport : public QObject {
    Q_OBJECT
    std::unique_ptr<AdminFixture> office;
    admin::StockAnalysisWindow* fx1 = nullptr;
    QTableView* grid = nullptr;
    QTemporaryDir dir;
    Db& db() { return office->db(); }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        fx1 = &office->windows().analysisWindow();
        grid = ctl<QTableView>(fx1, "lowStockGrid");
        buildShop(db());
    }
    void cleanup() { office.reset(); }

    void reportOfLevelTen() {
        auto& dy = office->windows().reportWindow();
        const QString pdf = dir.filePath("report.pdf");
        const QDateTime at(QDate(2026, 12, 8), QTime(14, 5, 9));
        dy.readRows(10);
        QVERIFY(dy.writePdf(pdf, at));
        QVERIFY(pdfText({"pdfinfo", pdf}).contains(QRegularExpression("Pages:\\s+1\\n")));
        QStringList lines;
        for (const QString& line : pdfText({"pdftotext", "-layout", pdf, "-"}).split('\n'))
            if (!line.trimmed().isEmpty())
                lines << line.simplified();
        QCOMPARE(lines, QStringList({"库存量分析", "商品名 商品类别名 库存量", "面包 饮料 0",
                                     "瓜子 糖果 0", "可乐 饮料 3", "薯片 糖果 10",
                                     "好又多超市 " + formkit::clockText(at).simplified()}));
        // Bands stacked from the 5 mm margin, items at their offsets in mm.
        const QHash<QString, Word> placed = words(pdf);
        for (const auto& [text, left, top] : QList<std::tuple<QString, double, double>>{
                 {"库存量分析", 92.60, 0},
                 {"商品类别名", 93.13, 7.14},
                 {"面包", 17.20, 12.17 + 0.26},
                 {"3", 155.57, 12.17 + 2 * 4.23 + 0.26},
                 {"好又多超市", 17.46, 12.17 + 4 * 4.23 + 6.61}}) {
            QVERIFY2(qAbs(placed[text].left - 5 - left) < 0.2 &&
                         qAbs(placed[text].top - 5 - top) < 0.2,
                     qPrintable(text));
        }
        expectBooksBalance(db());
    }

    // 287 mm between the margins: the title and 64 lines on the first page,
    // 67 on the second, the rest and the summary on the third; the preview
    // has the pages the PDF has.
    void manyGoodsFlowOverPages() {
        for (int i = 1; i <= 151; ++i) {
            const QString hwh = QString("G%1").arg(i, 3, 10, QChar('0'));
            sppztj(db(), "01", hwh, "货" + hwh);
            stockIn(db(), hwh, 1000 + i);
        }
        auto& dy = office->windows().reportWindow();
        dy.readRows(1150);
        const QString pdf = dir.filePath("many.pdf");
        QVERIFY(dy.writePdf(pdf));
        QVERIFY(pdfText({"pdfinfo", pdf}).contains(QRegularExpression("Pages:\\s+3\\n")));
        const QHash<QString, Word> all = words(pdf);
        QCOMPARE(all["货G059"].page, 0);
        QCOMPARE(all["货G060"].page, 1);
        QVERIFY(qAbs(all["货G060"].top - 5.26) < 0.2);
        QCOMPARE(all["货G126"].page, 1);
        QCOMPARE(all["货G127"].page, 2);
        QCOMPARE(all["好又多超市"].page, 2);
        QVERIFY(!all.contains("货G151"));

        int previewPages = 0;
        ModalAnswer<QPrintPreviewDialog> preview([&](QPrintPreviewDialog* dialog) {
            previewPages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
            dialog->close();
        });
        dy.preview();
        QVERIFY(preview.answered());
        QCOMPARE(previewPages, 3);
    }

    // The screen's list and the report's rows are one selection, in which
    // goods never stocked in have 0 pieces; once stocked, their stock counts.
    void neverStockedGoodsAreTheEmptiest_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("stockedIn"); // pieces of N stocked in first
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("below empty") << -1 << 0 << QStringList();
        QTest::newRow("empty") << 0 << 0 << QStringList({"面包 饮料 0", "瓜子 糖果 0"});
        QTest::newRow("three") << 3 << 0
                               << QStringList({"面包 饮料 0", "瓜子 糖果 0", "可乐 饮料 3"});
        QTest::newRow("stocked at last")
            << 3 << 2 << QStringList({"面包 饮料 0", "瓜子 糖果 2", "可乐 饮料 3"});
    }
    void neverStockedGoodsAreTheEmptiest() {
        QFETCH(int, level);
        QFETCH(int, stockedIn);
        QFETCH(QStringList, listed);
        if (stockedIn > 0)
            stockIn(db(), "N", stockedIn);
        QStringList onScreen;
        QSqlQuery q = lowStockList(db(), level);
        while (q.next())
            onScreen << QStringList{q.value(0).toString(), q.value(1).toString(),
                                    q.value(2).toString()}
                            .join(' ');
        QStringList onPaper;
        for (const LowStockRow& row : lowStockRows(db(), level))
            onPaper << QString("%1 %2 %3").arg(row.hwm, row.hwlbm).arg(row.kcl);
        QCOMPARE(onScreen, listed);
        QCOMPARE(onPaper, listed);
    }

    void analysisAfterTheProgressBar() {
        auto& fx = office->windows().analysisProgressWindow();
        auto* bar = ctl<QProgressBar>(&fx, "progressBar");
        // Closed early, the bar stops and nothing follows.
        office->toolButton("stockAnalysisButton")->click();
        QTRY_VERIFY(bar->value() >= 5);
        fx.close();
        const int stoppedAt = bar->value();
        QTest::qWait(1200);
        QCOMPARE(bar->value(), stoppedAt);
        QVERIFY(!fx1->isVisible());

        office->action("stockAnalysisAction")->trigger();
        QCOMPARE(bar->value(), 0);
        QTRY_VERIFY(fx1->isVisible());
        QVERIFY(!fx.isVisible());
        QCOMPARE(column(grid, 0), QStringList({"面包", "瓜子", "可乐", "薯片"}));
        QCOMPARE(column(grid, 1), QStringList({"饮料", "糖果", "饮料", "糖果"}));
        QCOMPARE(column(grid, 2), QStringList({"0", "0", "3", "10"}));
        for (int c = 0; c < 3; ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(),
                     QStringList({"商品名", "商品类别名", "库存量"}).at(c));
            QCOMPARE(grid->columnWidth(c), QList<int>({180, 180, 100}).at(c));
            const QVariant colour = grid->model()->index(0, c).data(Qt::ForegroundRole);
            QCOMPARE(colour.value<QColor>() == QColor(Qt::red), c == 2);
        }

        // Shown again, it reads the stock and the level afresh.
        sell(db(), "C", 1);
        setLevel(db(), 0);
        fx1->close();
        admin::bringUp(*fx1);
        QCOMPARE(column(grid, 0), QStringList({"面包", "瓜子"}));
        setLevel(db(), 10);
        fx1->close();
        admin::bringUp(*fx1);
        QCOMPARE(column(grid, 2), QStringList({"0", "0", "3", "10", "10"}));
        QVERIFY(office->responder.shown().isEmpty());
        expectBooksBalance(db());
    }

    void missingLevelIsTold_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("no settings row") << "delete from company";
        QTest::newRow("level never set") << "update company set sl=null";
    }
    void missingLevelIsTold() {
        QFETCH(QString, sql);
        admin::bringUp(*fx1);
        QCOMPARE(grid->model()->rowCount(), 4);
        fx1->close();
        db().exec("settings", sql);
        admin::bringUp(*fx1);
        QTRY_COMPARE(office->responder.shown(), QStringList{kNoAlarmLevel});
        QCOMPARE(grid->model()->rowCount(), 0);
        // Nor is there a report to preview.
        ModalAnswer<QPrintPreviewDialog> preview([](QPrintPreviewDialog* p) { p->close(); });
        ctl<QPushButton>(fx1, "previewButton")->click();
        QTest::qWait(100);
        QVERIFY(!preview.answered());
        QCOMPARE(office->responder.shown(), QStringList({kNoAlarmLevel, kNoAlarmLevel}));
    }

    // The preview takes the window's place; a PDF saved from it lists the
    // level read at show; closed, the window is back with the level of now.
    void previewRoundTrip() {
        admin::bringUp(*fx1);
        const QString pdf = dir.filePath("saved.pdf");
        bool windowHidden = false;
        ModalAnswer<QPrintPreviewDialog> preview([&](QPrintPreviewDialog* dialog) {
            windowHidden = !fx1->isVisible();
            ModalAnswer<QFileDialog> fileName([&](QFileDialog* files) {
                // Typed, as a user does: the box keeps what has the focus.
                ctl<QLineEdit>(files, "fileNameEdit")->setText(pdf);
                static_cast<QDialog*>(files)->accept(); // public there
            });
            dialog->findChild<QAction*>(formkit::kSavePdfAction)->trigger();
            QVERIFY(fileName.answered());
            setLevel(db(), 11);
            dialog->close();
        });
        ctl<QPushButton>(fx1, "previewButton")->click();
        QVERIFY(preview.answered());
        QVERIFY(windowHidden);
        QVERIFY(fx1->isVisible());
        QCOMPARE(column(grid, 0), QStringList({"面包", "瓜子", "可乐", "薯片", "饼干"}));
        const QString text = pdfText({"pdftotext", "-layout", pdf, "-"});
        QVERIFY2(text.contains(QRegularExpression("薯片\\s+糖果\\s+10\\n")), qPrintable(text));
        QVERIFY(!text.contains("饼干"));
        QVERIFY(office->responder.shown().isEmpty());
    }
};

STORE_TEST_MAIN(TestStockReport)
#include "tst_stock_report.moc"
