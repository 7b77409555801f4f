// Every list of the back office leaves the screen one way (formkit's export):
// the .xlsx and CSV written are read back by an independent reader (Python's
// openpyxl and csv) and compared cell by cell with what the list holds, all
// of its rows; the copy is read from the clipboard, the print from its PDF; a
// list read again by its statement exports beside the window, and a
// cancelled or failed export leaves no file.

#include "admin/correctionwindow.h"
#include "admin/dayreportwindow.h"
#include "admin/monitorwindow.h"
#include "admin/opening.h"
#include "admin/personnelwindow.h"
#include "admin/purchasequerywindow.h"
#include "admin/returnlistwindow.h"
#include "admin/salesquerywindow.h"
#include "admin/settlementwindow.h"
#include "admin/statisticswindow.h"
#include "admin/stockanalysiswindow.h"
#include "admin/tillregistrationwindow.h"
#include "formkit/gridexport.h"
#include "formkit/preview.h"
#include "formkit/rowsetmodel.h"
#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "storedb/salereturn.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/combos.h"
#include "support/exportreader.h"
#include "support/modalanswer.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPrintPreviewDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>

using namespace testsupport;

namespace {

const QDate kFirstDay(2024, 3, 1);
const QDate kSaleDay(2024, 3, 5);
constexpr int kStockIns = 120; // far more rows than a grid shows at once

// The text layer maps some characters to their compatibility forms (入 as
// the radical ⼊): compared in their canonical form.
QString pdfText(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

// What a list holds: its titles and every row's values.
struct Contents {
    QStringList titles;
    QList<QVariantList> rows;
};

// A grid's rows as the user reads them: the columns shown, in their order.
Contents gridContents(const QTableView* grid) {
    Contents contents;
    const QAbstractItemModel* m = grid->model();
    QList<int> columns;
    for (int visual = 0; visual < grid->horizontalHeader()->count(); ++visual) {
        const int column = grid->horizontalHeader()->logicalIndex(visual);
        if (!grid->isColumnHidden(column)) {
            columns << column;
            contents.titles << m->headerData(column, Qt::Horizontal).toString();
        }
    }
    for (int r = 0; r < m->rowCount(); ++r) {
        QVariantList row;
        for (const int column : columns) {
            const QVariant exported = m->index(r, column).data(formkit::kExportRole);
            row << (exported.isValid() ? exported : m->index(r, column).data());
        }
        contents.rows << row;
    }
    return contents;
}

bool isNumber(const QVariant& v) {
    const int t = v.typeId();
    return t == QMetaType::Int || t == QMetaType::LongLong || t == QMetaType::Double ||
           t == QMetaType::UInt || t == QMetaType::ULongLong;
}
// A moment as the store gives it: a timestamp, or its text on SQLite.
std::optional<QDateTime> momentOf(const QVariant& v) {
    static const QRegularExpression stored("^\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?$");
    if (v.typeId() == QMetaType::QDateTime ||
        (v.typeId() == QMetaType::QString && stored.match(v.toString()).hasMatch()))
        return storedb::readDateTime(v);
    return std::nullopt;
}
double onTheFen(double v) {
    return std::round(v * 100) / 100;
}

// A cell written as text (CSV, copy): numbers in their shortest form,
// moments as their date, with the time unless midnight.
void compareText(const QString& got, const QVariant& want, const QString& where) {
    if (want.isNull() || (want.typeId() == QMetaType::QString && want.toString().isEmpty())) {
        QVERIFY2(got.isEmpty(), qPrintable(where + ": " + got));
    } else if (isNumber(want)) {
        static const QRegularExpression shortest("^-?\\d+(\\.\\d*[1-9])?$");
        QVERIFY2(shortest.match(got).hasMatch(), qPrintable(where + ": " + got));
        QCOMPARE(got.toDouble(), onTheFen(want.toDouble()));
    } else if (const auto moment = momentOf(want)) {
        QCOMPARE(got, moment->toString(moment->time() == QTime(0, 0) ? "yyyy-MM-dd"
                                                                     : "yyyy-MM-dd HH:mm:ss"));
    } else {
        QCOMPARE(got, want.toString());
    }
}

// A cell of the workbook: numbers as numbers, moments as dates, text as text.
void compareCell(const QJsonValue& got, const QVariant& want, const QString& where) {
    const QJsonArray cell = got.toArray();
    if (want.isNull() || (want.typeId() == QMetaType::QString && want.toString().isEmpty())) {
        QVERIFY2(got.isNull(), qPrintable(where));
    } else if (isNumber(want)) {
        QCOMPARE(cell.at(0).toString(), QString("n"));
        QCOMPARE(cell.at(1).toDouble(), onTheFen(want.toDouble()));
    } else if (const auto moment = momentOf(want)) {
        QCOMPARE(cell.at(0).toString(), QString("d"));
        QCOMPARE(cell.at(1).toString(), moment->toString("yyyy-MM-dd HH:mm:ss"));
        QVERIFY2(cell.at(2).toString().startsWith("yyyy-mm-dd"), qPrintable(where));
    } else {
        QCOMPARE(cell.at(0).toString(), QString("s"));
        QCOMPARE(cell.at(1).toString(), want.toString());
    }
}

// Compares a written file with the list, every cell of every row.
void compareFile(const QString& path, const Contents& want) {
    const QJsonObject file = readBack(path);
    if (path.endsWith(".csv")) {
        QVERIFY(file["bom"].toBool());
        const QJsonArray rows = file["rows"].toArray();
        QCOMPARE(rows.size(), want.rows.size() + 1);
        QCOMPARE(rows.at(0).toVariant().toStringList(), want.titles);
        for (qsizetype r = 0; r < want.rows.size(); ++r) {
            const QStringList cells = rows.at(r + 1).toVariant().toStringList();
            QCOMPARE(cells.size(), want.titles.size());
            for (qsizetype c = 0; c < cells.size(); ++c)
                compareText(cells.at(c), want.rows.at(r).at(c), QString("%1,%2").arg(r).arg(c));
            if (QTest::currentTestFailed())
                return;
        }
        return;
    }
    const QJsonArray sheets = file["sheets"].toArray();
    QCOMPARE(sheets.size(), 1);
    const QJsonArray rows = sheets.at(0)["rows"].toArray();
    QCOMPARE(rows.size(), want.rows.size() + 1);
    QCOMPARE(rows.at(0).toVariant().toList().size(), want.titles.size());
    for (qsizetype c = 0; c < want.titles.size(); ++c)
        QCOMPARE(rows.at(0)[c][1].toString(), want.titles.at(c));
    for (qsizetype r = 0; r < want.rows.size() && !QTest::currentTestFailed(); ++r)
        for (qsizetype c = 0; c < want.titles.size(); ++c)
            compareCell(rows.at(r + 1)[c], want.rows.at(r).at(c), QString("%1,%2").arg(r).arg(c));
}

// The file dialog answered with the path, as typed by the user.
std::unique_ptr<ModalAnswer<QFileDialog>> answerFile(const QString& path) {
    return std::make_unique<ModalAnswer<QFileDialog>>([path](QFileDialog* files) {
        ctl<QLineEdit>(files, "fileNameEdit")->setText(path);
        static_cast<QDialog*>(files)->accept();
    });
}

QAction* menuAction(const QToolButton* button, const char* name) {
    return ctl<QAction>(button->menu(), name);
}

} // namespace

class TestGridExport : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    std::unique_ptr<QTemporaryDir> dir;
    storedb::Db& db() { return office->db(); }

    // A list of the back office brought up and filled as its user does: its
    // button, the widget its keys work on and what it holds.
    struct List {
        QToolButton* button = nullptr;
        QWidget* keys = nullptr;
        Contents contents;
    };

    List openList(const QString& name) {
        admin::AdminWindows& s = office->windows();
        List list;
        if (name == "purchase") {
            admin::PurchaseQueryWindow& w = s.purchaseQueryWindow();
            w.openByCategory();
            choose(ctl<QComboBox>(&w, "categoryChoice"), 0);
            ctl<QPushButton>(&w, "categoryQueryButton")->click();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(!w.isQuerying(), 10000); }();
            list.button = ctl<QToolButton>(&w, "ExportButton1");
            list.keys = ctl<QTableView>(&w, "categoryMovementsGrid");
        } else if (name == "returns") {
            admin::ReturnListWindow& w = s.returnListWindow();
            admin::bringUp(w);
            ctl<QDateEdit>(&w, "FirstDay")->setDate(kSaleDay);
            ctl<QDateEdit>(&w, "LastDay")->setDate(kSaleDay);
            ctl<QPushButton>(&w, "QueryButton")->click();
            list.button = ctl<QToolButton>(&w, "ExportButton");
            list.keys = ctl<QTableView>(&w, "ReturnGrid");
        } else if (name == "owed") {
            admin::SettlementWindow& w = s.settlementWindow();
            w.openOwedShifts();
            list.button = ctl<QToolButton>(&w, "ExportButton1");
            list.keys = ctl<QTableView>(&w, "owedShiftsGrid");
        } else if (name == "dayreport") {
            admin::DayReportWindow& w = s.dayReportWindow();
            admin::bringUp(w);
            ctl<QDateEdit>(&w, "Day")->setDate(kSaleDay);
            ctl<QPushButton>(&w, "ShowXButton")->click();
            list.button = ctl<QToolButton>(&w, "ExportButton");
            list.keys = ctl<QTableView>(&w, "FiguresGrid");
        } else if (name == "statistics") {
            admin::StatisticsWindow& w = s.statisticsWindow();
            w.openByCategory();
            ctl<QDateTimeEdit>(&w, "categoryFirstDay")->setDate(kFirstDay);
            ctl<QDateTimeEdit>(&w, "categoryLastDay")->setDate(kSaleDay.addDays(30));
            ctl<QPushButton>(&w, "categoryStatisticsButton")->click();
            [&] { QTRY_VERIFY_WITH_TIMEOUT(!w.isReading(), 10000); }();
            list.button = ctl<QToolButton>(&w, "ExportButton1");
            list.keys = ctl<QChartView>(&w, "categoryChart");
            // The figures as the chart draws them, named by its key.
            QChart* chart = ctl<QChartView>(&w, "categoryChart")->chart();
            const QStringList numbers =
                qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).first())->categories();
            const QBarSet* bars =
                qobject_cast<QBarSeries*>(chart->series().first())->barSets().first();
            const Contents key = gridContents(ctl<QTableView>(&w, "categoryKeyGrid"));
            list.contents.titles = QStringList{"商品类别号", "商品类别名", "营业额"};
            for (qsizetype i = 0; i < numbers.size(); ++i) {
                QString name;
                for (const QVariantList& k : key.rows)
                    if (k.at(0).toString() == numbers.at(i))
                        name = k.at(1).toString();
                list.contents.rows << QVariantList{numbers.at(i), name, bars->at(int(i))};
            }
            return list;
        }
        list.contents = gridContents(static_cast<QTableView*>(list.keys));
        return list;
    }

    QString exportList(const List& list, const QString& format) {
        const QString path = dir->filePath("list." + format);
        QFile::remove(path);
        const auto files = answerFile(path);
        menuAction(list.button, format == "xlsx" ? "ExportXlsxAction" : "ExportCsvAction")
            ->trigger();
        [&] { QVERIFY(files->answered()); }();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(!office->responder.shown().isEmpty(), 30000); }();
        return path;
    }

  private slots:
    // Two categories, three goods with a comma and quotes in their names;
    // 120 stock-ins; on the sale day two sales, two returns (one at
    // midnight) and the shift closed, owed.
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食,\"干货\"");
        storedb::sppztj(db(), "01", "A1", "可乐");
        storedb::sppztj(db(), "01", "A2", "雪碧 \"大瓶\"");
        storedb::sppztj(db(), "02", "B1", "薯片,原味");
        for (int i = 0; i < kStockIns; ++i) {
            const QString hwly = QString("供货商%1%2")
                                     .arg(i, 3, 10, QChar('0'))
                                     .arg(i % 3 == 0   ? ",甲厂"
                                          : i % 3 == 1 ? "\"新\""
                                                       : "");
            QCOMPARE(storedb::recordStockIn(
                         db(), {i % 2 ? "A2" : "A1", 1 + (i % 50) / 10.0, 3.5, i + 1, hwly}, "1",
                         kFirstDay.addDays(i % 20))
                         .result,
                     storedb::MovementOutcome::Recorded);
        }
        storedb::recordStockIn(db(), {"B1", 4, 5.5, 20, "丁厂"}, "1", kFirstDay);
        addClerk(db(), "1001", "张三", "1");
        addTill(db(), "till-x", 500);
        storedb::signOn(db(), "till-x", "1001", QDateTime(kSaleDay, QTime(8, 0)));
        storedb::addSaleLine(db(), "till-x", "A1", *storedb::hwhdw(db(), "A1"), 10);
        const qint64 bill = storedb::chargeSale(db(), "till-x", kSaleDay).bill;
        storedb::addSaleLine(db(), "till-x", "B1", *storedb::hwhdw(db(), "B1"), 3);
        storedb::chargeSale(db(), "till-x", kSaleDay);
        storedb::bookReturn(db(), "till-x", "1001", "1", bill, {{"A1", 3.5, 1}},
                            QDateTime(kSaleDay, QTime(0, 0)));
        storedb::bookReturn(db(), "till-x", "1001", "1", bill, {{"A1", 3.5, 2}},
                            QDateTime(kSaleDay, QTime(12, 30, 5)));
        storedb::signOff(db(), "till-x", QDateTime(kSaleDay, QTime(18, 0)));
    }

    void cleanup() {
        office.reset();
        dir.reset();
    }

    // Every list of the back office offers the same way out: the menu on
    // the grid (Ctrl+C among it) and a button that opens it.
    void everyListHasItsWayOut() {
        admin::AdminWindows& s = office->windows();
        const QList<QWidget*> windows{
            &s.registrationWindow(),  &s.monitorWindow(),    &s.analysisWindow(),
            &s.personnelWindow(),     &s.correctionWindow(), &s.salesQueryWindow(),
            &s.purchaseQueryWindow(), &s.settlementWindow(), &s.returnListWindow()};
        for (QWidget* window : windows) {
            const QList<QTableView*> grids = window->findChildren<QTableView*>();
            QVERIFY2(!grids.isEmpty(), qPrintable(window->objectName()));
            for (QTableView* grid : grids) {
                const QString where = window->objectName() + "/" + grid->objectName();
                QCOMPARE(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
                const QList<QAction*> actions = grid->actions();
                QVERIFY2(
                    std::any_of(actions.begin(), actions.end(),
                                [](QAction* a) { return a->shortcut() == QKeySequence::Copy; }),
                    qPrintable(where));
            }
            QVERIFY2(!window->findChildren<QToolButton*>(QRegularExpression("Export")).isEmpty(),
                     qPrintable(window->objectName()));
        }
    }

    void everyListExportsEveryRow_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("rows");
        for (const QString format : {"xlsx", "csv"}) {
            QTest::newRow(qPrintable("purchase " + format)) << "purchase" << format << kStockIns;
            QTest::newRow(qPrintable("returns " + format)) << "returns" << format << 2;
            QTest::newRow(qPrintable("owed " + format)) << "owed" << format << 1;
            QTest::newRow(qPrintable("dayreport " + format)) << "dayreport" << format << 3;
            QTest::newRow(qPrintable("statistics " + format)) << "statistics" << format << 2;
        }
    }
    void everyListExportsEveryRow() {
        QFETCH(QString, list);
        QFETCH(QString, format);
        QFETCH(int, rows);
        const List opened = openList(list);
        QCOMPARE(opened.contents.rows.size(), rows);
        const QString path = exportList(opened, format);
        QCOMPARE(office->responder.shown(),
                 QStringList{QString("导出完成,共 %1 行。\n%2").arg(rows).arg(path)});
        compareFile(path, opened.contents);
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"list." + format});
    }

    // Ctrl+C on the list: the chosen rows (or, beside a chart, all of its
    // figures) under the titles, tab-separated.
    void copiesTheChosenRowsWithTheirTitles_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QList<int>>("clicked");
        QTest::addColumn<QList<int>>("copied");
        QTest::newRow("purchase, two rows") << "purchase" << QList<int>{7, 3} << QList<int>{3, 7};
        QTest::newRow("returns, one row") << "returns" << QList<int>{1} << QList<int>{1};
        QTest::newRow("statistics, all") << "statistics" << QList<int>{} << QList<int>{0, 1};
    }
    void copiesTheChosenRowsWithTheirTitles() {
        QFETCH(QString, list);
        QFETCH(QList<int>, clicked);
        QFETCH(QList<int>, copied);
        const List opened = openList(list);
        QWidget* window = opened.keys->window();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QGuiApplication::clipboard()->setText("before");
        if (auto* grid = qobject_cast<QTableView*>(opened.keys)) {
            for (qsizetype i = 0; i < clicked.size(); ++i) {
                const QRect cell = grid->visualRect(grid->model()->index(clicked.at(i), 0));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton,
                                  i ? Qt::ControlModifier : Qt::NoModifier, cell.center());
            }
        }
        opened.keys->setFocus();
        QTest::keyClick(opened.keys, Qt::Key_C, Qt::ControlModifier);
        const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.size(), copied.size() + 2); // and the last line's end
        QCOMPARE(lines.at(0).split('\t'), opened.contents.titles);
        for (qsizetype i = 0; i < copied.size(); ++i) {
            const QStringList cells = lines.at(i + 1).split('\t');
            QCOMPARE(cells.size(), opened.contents.titles.size());
            for (qsizetype c = 0; c < cells.size(); ++c)
                compareText(cells.at(c), opened.contents.rows.at(copied.at(i)).at(c),
                            QString::number(c));
        }
        QVERIFY(office->responder.shown().isEmpty());
    }

    // Printed through the report preview, saved from it as PDF: every row,
    // the titles at the top of every page.
    void printsEveryRowWithTheTitlesOnEveryPage() {
        const List opened = openList("purchase");
        const QString pdf = dir->filePath("list.pdf");
        ModalAnswer<QPrintPreviewDialog> preview([&](QPrintPreviewDialog* dialog) {
            const auto files = answerFile(pdf);
            dialog->findChild<QAction*>(formkit::kSavePdfAction)->trigger();
            QVERIFY(files->answered());
            dialog->close();
        });
        menuAction(opened.button, "PrintListAction")->trigger();
        QVERIFY(preview.answered());
        const QString info = pdfText({"-layout", pdf, "-"});
        const qsizetype pages = info.count('\f');
        QVERIFY2(pages >= 3, qPrintable(info));
        for (int page = 1; page <= pages; ++page) {
            const QString text = pdfText(
                {"-f", QString::number(page), "-l", QString::number(page), "-layout", pdf, "-"});
            QVERIFY2(QRegularExpression("商品名\\s+数量\\s+入货价\\s+入货时间\\s+商品来源")
                         .match(text)
                         .hasMatch(),
                     qPrintable(text));
        }
        for (const QVariantList& row : opened.contents.rows)
            QVERIFY2(info.contains(row.at(4).toString()), qPrintable(row.at(4).toString()));
        QVERIFY(info.contains(QString("共 %1 行").arg(kStockIns)));
        QVERIFY(office->responder.shown().isEmpty());
    }

    // A list that holds only a page of its rows exports all of them, read
    // again on a connection of its own while the window goes on; cancelled
    // or failed, no file is left and a file that stood there stays.
    void listReadAgainExportsBesideTheWindow_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("table"); // a missing one fails the read
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("message");
        QTest::newRow("all rows, csv")
            << "csv" << 3000 << "hwpzb" << false << "导出完成,共 3000 行。";
        QTest::newRow("all rows, xlsx")
            << "xlsx" << 3000 << "hwpzb" << false << "导出完成,共 3000 行。";
        QTest::newRow("cancelled")
            << "xlsx" << 2000000 << "hwpzb" << true << "导出已取消,没有留下文件。";
        QTest::newRow("read fails") << "csv" << 10 << "no_such_table" << false
                                    << "导出没有完成,没有留下文件。" + storedb::kStatementFailed;
    }
    void listReadAgainExportsBesideTheWindow() {
        QFETCH(QString, format);
        QFETCH(int, rows);
        QFETCH(QString, table);
        QFETCH(bool, cancel);
        QFETCH(QString, message);
        // Generated rows: text with a comma, quotes or a line break, money,
        // a date at midnight.
        // Counted by a recursive query, which hands out its rows as they come.
        const bool sqlite = db().isSQLite();
        const QString rowsSql =
            QString("with recursive n(i) as (select 1 union all select i + 1 from n where i < :n) "
                    "select i as 编号, '货' || i || case i % 3 when 0 then ',甲' when 1 then "
                    "'\"乙\"' || %1 || '丙' else '' end as 名称, i * 0.25 as 金额, %2 as 日期 "
                    "from n ")
                .arg(sqlite ? "char(10)" : "chr(10)",
                     sqlite ? "'2024-03-' || printf('%02d', i % 28 + 1) || ' 00:00:00'"
                            : "timestamp '2024-03-01' + (i % 28) * interval '1 day'");
        const auto reading = [&](const QString& from) {
            return rowsSql + "where exists (select 1 from " + from + ") or 1 = 1";
        };
        const QString sql = reading(table);
        QWidget window;
        window.setObjectName("ListWindow");
        auto* grid = new QTableView(&window);
        formkit::RowSetModel page;
        {
            QSqlQuery first = db().exec("first page", reading("hwpzb") + " limit 10", {{"n", 10}});
            page.setRows(storedb::readRows(first));
        }
        grid->setModel(&page);
        auto* exporter = formkit::offerExport(grid, "货品清单", [&](const storedb::Db& own) {
            return own.execForward("all rows", sql, {{"n", rows}});
        });
        window.show();
        const QString path = dir->filePath("all." + format);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        if (table != "hwpzb")
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ListWindow/export"));
        const auto files = answerFile(path);
        office->responder.answer(true); // the file there is to be replaced
        ctl<QAction>(exporter->menu(), format == "xlsx" ? "ExportXlsxAction" : "ExportCsvAction")
            ->trigger();
        QVERIFY(files->answered());
        QCOMPARE(office->responder.asked(), QStringList{"文件 " + path + " 已经存在,要替换它吗？"});
        office->responder.clear();
        // The window's own timer keeps its pace while the rows are written.
        QElapsedTimer since;
        since.start();
        qint64 longestPause = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout,
                [&] { longestPause = std::max(longestPause, since.restart()); });
        tick.start(10);
        if (cancel) {
            QProgressDialog* progress = nullptr;
            QTRY_VERIFY_WITH_TIMEOUT(
                (progress = window.findChild<QProgressDialog*>("ExportProgress")) &&
                    progress->isVisible(),
                10000);
            // A server hands out a bound statement's rows once it has them all.
            QTRY_VERIFY_WITH_TIMEOUT(
                QRegularExpression("已完成 [1-9]").match(progress->labelText()).hasMatch(), 30000);
            progress->findChild<QPushButton*>()->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!exporter->isExporting(), 120000);
        tick.stop();
        QVERIFY2(longestPause < 1000, qPrintable(QString::number(longestPause)));
        const bool written = !cancel && table == "hwpzb";
        QCOMPARE(office->responder.shown(), QStringList{written ? message + "\n" + path : message});
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"all." + format});
        if (!written) {
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), QByteArray("old"));
            return;
        }
        QCOMPARE(page.rowCount(), 10);
        Contents all;
        all.titles = QStringList{"编号", "名称", "金额", "日期"};
        for (int i = 1; i <= rows; ++i)
            all.rows << QVariantList{i,
                                     QString("货%1%2").arg(i).arg(i % 3 == 0   ? ",甲"
                                                                  : i % 3 == 1 ? "\"乙\"\n丙"
                                                                               : ""),
                                     i * 0.25, QDateTime(QDate(2024, 3, i % 28 + 1), QTime(0, 0))};
        compareFile(path, all);
    }
};

STORE_TEST_MAIN(TestGridExport)
#include "tst_grid_export.moc"
