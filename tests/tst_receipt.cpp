// The receipt as printed: a real PDF of the banded layout, read back with
// poppler's tools (text, word positions, page size), and the report
// renderer's page breaks.

#include "client/receiptwindow.h"

#include "formkit/hint.h"
#include "formkit/report.h"
#include "storedb/charge.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "support/teststore.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QPdfWriter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");
constexpr double kPointsPerMm = 72 / 25.4;

// The PDF's text layer maps a few ideographs to the look-alike Kangxi
// radicals (水 → ⽔) that share their glyphs in CJK fonts; NFKC folds them
// back (and full-width punctuation to ASCII), on both sides of a comparison.
QString folded(const QString& text) {
    return text.normalized(QString::NormalizationForm_KC);
}

QString run(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
    return folded(QString::fromUtf8(process.readAllStandardOutput()));
}

// Words of a PDF page with their boxes, in points from the page's top-left.
struct Word {
    QString text;
    double xMin, yMin, xMax, yMax;
    int page;
};
QList<Word> words(const QString& pdf) {
    const QString html = run("pdftotext", {"-bbox", pdf, "-"});
    QList<Word> found;
    int page = -1;
    static const QRegularExpression pageTag("<page ");
    static const QRegularExpression wordTag("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                            "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>");
    for (const QString& line : html.split('\n')) {
        if (line.contains(pageTag))
            ++page;
        const auto m = wordTag.match(line);
        if (m.hasMatch())
            found.append(Word{m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                              m.captured(3).toDouble(), m.captured(4).toDouble(), page});
    }
    return found;
}
const Word* findWord(const QList<Word>& all, const QString& text) {
    for (const Word& w : all) {
        if (w.text == text)
            return &w;
    }
    return nullptr;
}

} // namespace

class TestReceipt : public QObject {
    Q_OBJECT

  private slots:
    void receiptPdfShowsTheSaleAsLaidOut() {
        TestStore store;
        Db& db = store.db();
        // A store some way into its bill numbers, so that the number stands
        // out from the other figures on the receipt.
        db.exec("settings", "update company set company=:c,welcome=:w,accountnum=:n",
                {{"c", "好又多超市"}, {"w", "谢谢惠顾，欢迎再次光临！"}, {"n", 1040}});
        addTill(db, kTill, 0);
        createSaleTable(db, kTill);
        insertSaleLine(db, kTill, SaleLine{"A", "可乐", "01", 12.5, 2, 25, 0});
        insertSaleLine(db, kTill, SaleLine{"B", "薯片", "02", 3.5, 5, 17.5, 0});
        insertSaleLine(db, kTill, SaleLine{"C", "大米", "03", 45, 1, 45, 0});
        accountnum(db); // another till's sale
        const ChargedSale sale = chargeSale(db, kTill, QDate::currentDate());
        const qint64 bill = sale.bill;

        QTemporaryDir dir;
        ReceiptWindow receipt;
        const QString pdf = dir.filePath("receipt.pdf");
        const QDateTime printedAt(QDate(2026, 12, 8), QTime(14, 5, 9));
        receipt.setReceived("100");
        receipt.setChange("12.5");
        // The same receipt through a printer, as the till prints it.
        const formkit::Report forPrinter = receipt.receipt(db, sale, printedAt);
        QVERIFY(receipt.writePdf(db, sale, pdf, printedAt));
        keepForLooking(pdf);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("printer.pdf"));
        QVERIFY(forPrinter.render(&printer));

        // 80 × 150.02 mm is 226.77 × 425.25 pt; the PDF writer keeps the
        // paper in whole points, which is within 0.1 mm.
        const QString info = run("pdfinfo", {pdf});
        const auto size = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
        QVERIFY2(size.hasMatch(), qPrintable(info));
        QVERIFY2(qAbs(size.captured(1).toDouble() - 80 * kPointsPerMm) < 0.5, qPrintable(info));
        QVERIFY2(qAbs(size.captured(2).toDouble() - 150.02 * kPointsPerMm) < 0.5, qPrintable(info));
        QVERIFY(info.contains(QRegularExpression("Pages:\\s+1\\n")));

        // The lines of the receipt, in order, as a reader sees them.
        const QStringList lines =
            run("pdftotext", {"-layout", pdf, "-"}).split('\n', Qt::SkipEmptyParts);
        const QStringList expected = {
            "^\\s*好又多超市$",
            "^货物名\\s+单价\\s+数量\\s+价格$",
            "^可乐\\s+12\\.5\\s+2\\s+25$",
            "^薯片\\s+3\\.5\\s+5\\s+17\\.5$",
            "^大米\\s+45\\s+1\\s+45$",
            "^共计\\s+87\\.5$",
            "^现收\\s+100$",
            "^找零\\s+12\\.5$",
            "^帐单流水号\\s+" + QString::number(bill) + "$",
            "^\\s*谢谢惠顾，欢迎再次光临！$",
            "^" + QRegularExpression::escape(formkit::clockText(printedAt)).replace("\\ ", "\\s+") +
                "$",
        };
        QStringList trimmed;
        for (const QString& line : lines) {
            if (!line.trimmed().isEmpty())
                trimmed << line.trimmed().prepend(line.startsWith(' ') ? " " : "");
        }
        QCOMPARE(trimmed.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            QVERIFY2(trimmed.at(i).contains(QRegularExpression(folded(expected.at(i)))),
                     qPrintable(trimmed.at(i)));

        // Items where the band table puts them: 5 mm margins, bands stacked
        // from the top margin, each item at its offset within its band.
        const QList<Word> all = words(pdf);
        auto at = [&](const QString& text, double leftMm, double topMm) {
            const Word* w = findWord(all, folded(text));
            if (!w)
                return QStringLiteral("%1 not found").arg(text);
            const double left = w->xMin / kPointsPerMm;
            const double top = w->yMin / kPointsPerMm;
            // A word box starts where the item was drawn: its left and its top (ascent).
            if (qAbs(left - leftMm) > 0.2 || qAbs(top - topMm) > 0.2)
                return QStringLiteral("%1 at %2, %3 mm instead of %4, %5")
                    .arg(text)
                    .arg(left)
                    .arg(top)
                    .arg(leftMm)
                    .arg(topMm);
            return QString();
        };
        const double title = 5, detail = title + 10.58, summary = detail + 3 * 4.23;
        const QList<std::tuple<QString, double, double>> placed = {
            {"好又多超市", 5 + 20.11, title - 0.79},
            {"货物名", 5 + 0.26, title + 5.29},
            {"单价", 5 + 20.90, title + 5.29},
            {"数量", 5 + 38.89, title + 5.29},
            {"价格", 5 + 55.30, title + 5.29},
            {"可乐", 5 + 0.53, detail - 0.79},
            {"3.5", 5 + 22.23, detail + 4.23 - 0.79},
            {"大米", 5 + 0.53, detail + 2 * 4.23 - 0.79},
            {"17.5", 5 + 56.09, detail + 4.23 - 0.79},
            {"共计", 5 + 0.53, summary + 0.26},
            {"87.5", 5 + 9.00, summary + 0.26},
            {"100", 5 + 9.26, summary + 5.03},
            {"找零", 5 + 0.53, summary + 10.05},
            {"帐单流水号", 5 + 0.53, summary + 16.67},
            {QString::number(bill), 5 + 20.11, summary + 16.67},
            {"谢谢惠顾，欢迎再次光临！", 5 + 20.11, summary + 22.23},
        };
        for (const auto& [text, left, top] : placed) {
            const QString wrong = at(text, left, top);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        }

        // A printer's own page set-up moves nothing.
        const QList<Word> printed = words(dir.filePath("printer.pdf"));
        QCOMPARE(printed.size(), all.size());
        for (int i = 0; i < all.size(); ++i) {
            QCOMPARE(printed.at(i).text, all.at(i).text);
            QVERIFY(qAbs(printed.at(i).xMin - all.at(i).xMin) < 0.1);
            QVERIFY(qAbs(printed.at(i).yMin - all.at(i).yMin) < 0.1);
        }
    }

    void longGoodsNameStaysInItsColumn() {
        TestStore store;
        Db& db = store.db();
        addTill(db, kTill, 0);
        createSaleTable(db, kTill);
        const QString name = "进口特级初榨橄榄油礼盒装两瓶";
        insertSaleLine(db, kTill, SaleLine{"A", name, "01", 88, 1, 88, 0});
        insertSaleLine(db, kTill, SaleLine{"B", "盐", "01", 2, 1, 2, 0});
        const ChargedSale sale = chargeSale(db, kTill, QDate::currentDate());
        QTemporaryDir dir;
        const QString pdf = dir.filePath("name.pdf");
        QVERIFY(ReceiptWindow().writePdf(db, sale, pdf));
        keepForLooking(pdf);
        // Every piece of the name ends left of the price column, and the
        // next line starts a line below the name's last piece.
        const QList<Word> all = words(pdf);
        const Word* price = findWord(all, "88");
        const Word* nextLine = findWord(all, "盐");
        QVERIFY(price && nextLine);
        const double lineHeight = price->yMax - price->yMin;
        QString printedName;
        for (const Word& w : all) {
            if (w.yMin >= price->yMin - 1 && w.yMin <= nextLine->yMin - lineHeight * 0.8 &&
                w.xMax < price->xMin)
                printedName += w.text;
        }
        QCOMPARE(printedName, folded(name));
    }

    void longSaleContinuesOnNextRoll() {
        TestStore store;
        Db& db = store.db();
        addTill(db, kTill, 0);
        createSaleTable(db, kTill);
        double total = 0;
        for (int i = 1; i <= 35; ++i) {
            insertSaleLine(db, kTill,
                           SaleLine{"G" + QString::number(i), "货" + QString::number(i), "01", 1, i,
                                    double(i), 0});
            total += i;
        }
        const ChargedSale sale = chargeSale(db, kTill, QDate::currentDate());
        QTemporaryDir dir;
        const QString pdf = dir.filePath("long.pdf");
        QVERIFY(ReceiptWindow().writePdf(db, sale, pdf));
        keepForLooking(pdf);

        // 140.02 mm of roll between the margins: the title and 30 lines on
        // the first page; the other 5 lines and the summary on the second,
        // from its top margin.
        QVERIFY(run("pdfinfo", {pdf}).contains(QRegularExpression("Pages:\\s+2\\n")));
        const QList<Word> all = words(pdf);
        for (const auto& [text, page] :
             QList<std::pair<QString, int>>{{"货物名", 0},
                                            {"货30", 0},
                                            {"货31", 1},
                                            {"货35", 1},
                                            {"共计", 1},
                                            {QString::number(total), 1}}) {
            const Word* word = findWord(all, text);
            QVERIFY2(word, qPrintable(text));
            QCOMPARE(word->page, page);
        }
        QVERIFY(qAbs(findWord(all, "货31")->yMin / kPointsPerMm - (5 - 0.79)) < 0.2);
    }

    void reportBandsBreakAndGrow() {
        formkit::Report report;
        report.pageSize = formkit::Report::customPageSize(100, 50);
        report.margins = QMarginsF(5, 5, 5, 5); // 40 mm usable
        report.title = formkit::ReportBand{10, {}};
        for (int i = 0; i < 7; ++i)
            report.details.append(formkit::ReportBand{5, {}});
        formkit::ReportItem wrapped;
        wrapped.left = 2;
        wrapped.top = 1;
        wrapped.width = 20;
        wrapped.wordWrap = true;
        wrapped.text = "a closing line that wraps";
        report.summary = formkit::ReportBand{4, {wrapped}};

        QTemporaryDir dir;
        QPdfWriter device(dir.filePath("layout.pdf"));
        report.applyPageLayout(&device);
        const QList<formkit::PlacedBand> placed = report.layout(&device);
        QCOMPARE(placed.size(), 9);
        // Title and six details fill the first 40 mm exactly; the seventh
        // goes over; the wrapped summary grows past its 4 mm.
        QCOMPARE(placed.at(6).page, 0);
        QCOMPARE(placed.at(6).top, 35.0);
        QCOMPARE(placed.at(7).page, 1);
        QCOMPARE(placed.at(7).top, 0.0);
        QVERIFY(placed.at(8).height > 8);
        QCOMPARE(placed.at(8).page, 1);
        for (const auto& band : placed)
            QVERIFY(band.top == 0 || band.top + band.height <= 40 + 0.01);
        QCOMPARE(report.pageCount(&device), 2);
        QVERIFY(report.paint(&device));
    }

    void reportFontIsAnInstalledChineseFont() {
        const QFont font = formkit::reportFont(10);
        QCOMPARE(font.pointSizeF(), 10.0);
        const QString family = QFontInfo(font).family();
        QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
        QVERIFY2(QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(family));
    }

  private:
    // STORE_TEST_SHOTS names a folder for a person to look at the receipts.
    static void keepForLooking(const QString& pdf) {
        const QString folder = qEnvironmentVariable("STORE_TEST_SHOTS");
        if (!folder.isEmpty())
            QFile::copy(pdf, folder + "/" + QFileInfo(pdf).fileName());
    }
};

STORE_TEST_MAIN(TestReceipt)
#include "tst_receipt.moc"
