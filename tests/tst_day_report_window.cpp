// The day report window through its controls: the X read, the day closed
// once, a Z printed again as a copy; what the printed pages say, through
// pdftotext.

#include "admin/adminwindows.h"
#include "admin/dayreportwindow.h"
#include "admin/opening.h"
#include "storedb/charge.h"
#include "storedb/salereturn.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace testsupport;

namespace {

// The text of the report as the window writes it to PDF.
QString printed(const admin::DayReportWindow& window, admin::DayReportPaper paper) {
    QTemporaryDir dir;
    const QString path = dir.filePath("day.pdf");
    if (!window.writePdf(path, paper))
        return QStringLiteral("no PDF");
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    pdftotext.waitForFinished(30000);
    return QString::fromUtf8(pdftotext.readAllStandardOutput())
        .normalized(QString::NormalizationForm_KC)
        .simplified();
}

} // namespace

class TestDayReportWindow : public QObject {
    Q_OBJECT

  private slots:
    void readCloseAndReprint() {
        AdminFixture office;
        office.startAndSignOn();
        storedb::Db& db = office.db();
        // Today: a sale of 3 × 3.5 at till T1, one piece returned, the shift closed.
        addCategory(db, "01", "饮料");
        storedb::sppztj(db, "01", "A", "可乐");
        storedb::recordStockIn(db, {"A", 2, 3.5, 20, "厂"}, "1", QDate::currentDate());
        addClerk(db, "1001", "王芳", "pw");
        addTill(db, "T1", 100);
        storedb::signOn(db, "T1", "1001", QDateTime::currentDateTime());
        storedb::addSaleLine(db, "T1", "A", *storedb::hwhdw(db, "A"), 3);
        const qint64 bill = storedb::chargeSale(db, "T1", QDate::currentDate()).bill;
        storedb::bookReturn(db, "T1", "1001", "1", bill, {{"A", 3.5, 1}},
                            QDateTime::currentDateTime());

        admin::DayReportWindow& window = office.windows().dayReportWindow();
        admin::bringUp(window);
        auto* grid = ctl<QTableWidget>(&window, "FiguresGrid");
        const auto totalRow = [&] {
            QStringList cells;
            for (int column = 0; column < 6; ++column)
                cells << grid->item(0, column)->text();
            return cells.join('|');
        };
        ctl<QPushButton>(&window, "ShowXButton")->click();
        QCOMPARE(totalRow(), QString("全店合计|1|1|10.50|3.50|7.00"));
        const QString x = printed(window, admin::DayReportPaper::Roll80);
        QVERIFY2(x.contains("营业日报") && x.contains("净营业额 7.00"), qPrintable(x));

        // Not while the clerk is on duty; then once, and never again.
        const QString day = QDate::currentDate().toString("yyyy-MM-dd");
        const QString question = "真的要日结 " + day + " 吗？日结后当天的数字不能再改变。";
        office.responder.answer(true);
        ctl<QPushButton>(&window, "CloseDayButton")->click();
        QVERIFY2(office.responder.shown().last().contains("仍在班"),
                 qPrintable(office.responder.shown().last()));
        storedb::signOff(db, "T1", QDateTime::currentDateTime());
        office.responder.clear();
        office.responder.answer(true);
        ctl<QPushButton>(&window, "CloseDayButton")->click();
        QCOMPARE(office.responder.shown(),
                 (QStringList{question, "日结完成,日结单号 Z000001。请打印日结单。"}));
        QCOMPARE(totalRow(), QString("全店合计|1|1|10.50|3.50|7.00"));
        if (const QString shots = qEnvironmentVariable("STORE_TEST_SHOTS"); !shots.isEmpty())
            window.grab().save(shots + "/dayreport.png");
        const QString z = printed(window, admin::DayReportPaper::A4);
        QVERIFY2(z.contains("日结单 Z000001") && z.contains("累计净营业额 7.00") &&
                     !z.contains("副本"),
                 qPrintable(z));
        // The clerk by number and name, on screen and on paper.
        QCOMPARE(grid->findItems("售货员 1001 王芳", Qt::MatchExactly).size(), 1);
        QVERIFY2(z.contains("售货员 1001 王芳"), qPrintable(z));
        office.responder.clear();
        office.responder.answer(true);
        ctl<QPushButton>(&window, "CloseDayButton")->click();
        QCOMPARE(office.responder.shown().last(), day + " 已经日结(第 1 号日结),不能再次日结！");

        // Printed again: the same Z, marked as a copy; a number with no Z refused.
        grid->setRowCount(0);
        auto* number = ctl<QLineEdit>(&window, "ZNumber");
        for (const auto& [typed, found] : {std::pair{"9", false}, {"1", true}}) {
            office.responder.clear();
            number->setText(typed);
            QTest::keyClick(number, Qt::Key_Return);
            QCOMPARE(office.responder.shown(),
                     found ? QStringList() : QStringList{"没有这个日结单号,请重新输入！"});
        }
        QCOMPARE(totalRow(), QString("全店合计|1|1|10.50|3.50|7.00"));
        const QString copy = printed(window, admin::DayReportPaper::A4);
        QVERIFY2(copy.contains("日结单 Z000001") && copy.contains("重打(副本)"), qPrintable(copy));
    }
};

STORE_TEST_MAIN(TestDayReportWindow)
#include "tst_day_report_window.moc"
