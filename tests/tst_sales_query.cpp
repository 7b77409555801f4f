// The sales query window driven through its controls, over sales charged
// by the till's code and stock-outs recorded by the back office's.

#include "admin/salesquerywindow.h"
#include "storedb/background.h"
#include "storedb/catalog.h"
#include "storedb/charge.h"
#include "storedb/datamodule.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/salereturn.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/combos.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QMap>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>

using namespace testsupport;

namespace {

const QDate kDay1(2024, 3, 4), kDay2(2024, 3, 5), kDay3(2024, 3, 6);
const QString kTill = QStringLiteral("till-q");

// Two categories named 饮料 (01, 03) with a 可乐 each; 果汁 never stocked.
const QList<QStringList> kGoods{{"A1", "01", "可乐"},
                                {"A2", "01", "雪碧"},
                                {"D1", "01", "果汁"},
                                {"B1", "02", "薯片"},
                                {"C1", "03", "可乐"}};
QString categoryOf(const QString& hwh) {
    for (const QStringList& g : kGoods)
        if (g[0] == hwh)
            return g[1];
    return {};
}

// What leaves the stock: each list one sale charged at the till on its day,
// and the back office's stock-outs.
struct Out {
    QString hwh;
    int sl;
};
const QList<QPair<QDate, QList<Out>>> kSales{{kDay2, {{"A1", 2}, {"A2", 1}}},
                                             {kDay2, {{"A1", 3}, {"C1", 1}}},
                                             {kDay3, {{"A1", 4}, {"B1", 2}}}};
const QList<QPair<QDate, Out>> kStockOuts{{kDay2, {"A1", 1}}, {kDay1, {"B1", 3}}};

// "A1|-2|2024-03-06|-9|2|收款机退货": goods, pieces, date, money, original
// bill, source.
QStringList gridRows(const QTableView* grid) {
    const QAbstractItemModel* m = grid->model();
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r) {
        const QVariant original = m->index(r, 4).data(); // null shows empty
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6")
                    .arg(m->index(r, 0).data().toString())
                    .arg(m->index(r, 1).data().toLongLong())
                    .arg(storedb::readDateTime(m->index(r, 2).data()).date().toString(Qt::ISODate))
                    .arg(storedb::numberText(storedb::roundFen(m->index(r, 3).data().toDouble())))
                    .arg(original.isNull() ? QString() : original.toString())
                    .arg(m->index(r, 5).data().toString());
    }
    rows.sort();
    return rows;
}

// The choices of the source boxes, in list order.
enum Source { AllSources, TillSales, OfficeStockOuts };

// Every stock-out of the goods or category within the days, if any, summed
// per goods, day and source: what the query must list. Every price is 4.5.
QStringList expected(const QString& key, QDate from = {}, QDate to = {},
                     Source source = AllSources) {
    QMap<std::tuple<QString, QDate, QString>, int> sums;
    const auto add = [&](const QDate& day, const Out& out, Source origin) {
        if ((out.hwh == key || categoryOf(out.hwh) == key) &&
            (!from.isValid() || (day >= from && day <= to)) &&
            (source == AllSources || source == origin))
            sums[{out.hwh, day, origin == TillSales ? "收款机销售" : "后台出货"}] += out.sl;
    };
    for (const auto& [day, lines] : kSales)
        for (const Out& line : lines)
            add(day, line, TillSales);
    for (const auto& [day, out] : kStockOuts)
        add(day, out, OfficeStockOuts);
    QStringList rows;
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        rows << QStringLiteral("%1|%2|%3|%4||%5")
                    .arg(std::get<0>(it.key()))
                    .arg(it.value())
                    .arg(std::get<1>(it.key()).toString(Qt::ISODate))
                    .arg(storedb::numberText(it.value() * 4.5))
                    .arg(std::get<2>(it.key()));
    rows.sort();
    return rows;
}

} // namespace

class TestSalesQuery : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::SalesQueryWindow* window = nullptr;
    QList<qint64> bills; // of kSales, in order

    storedb::Db& db() { return office->db(); }
    QStringList shown() const { return office->responder.shown(); }
    template <typename T = QWidget> T* c(const char* name) const { return ctl<T>(window, name); }
    QComboBox* box(const char* name) const { return c<QComboBox>(name); }
    QTableView* grid(const char* name) const { return c<QTableView>(name); }
    QString text(const char* name) const { return c<QLineEdit>(name)->text(); }
    // The movements are read in the background: waits for them.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!window->isQuerying(), 10000); }
    void click(const char* name) {
        c<QAbstractButton>(name)->click();
        settle();
    }

    void doubleClickRowOf(const QString& hwh) {
        QTableView* g = grid("categoryMovementsGrid");
        for (int r = 0; r < g->model()->rowCount(); ++r) {
            if (g->model()->index(r, 0).data().toString() == hwh) {
                const QPoint cell = g->visualRect(g->model()->index(r, 0)).center();
                QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell);
                QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, cell);
                return;
            }
        }
        QFAIL(qPrintable("no row of " + hwh));
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食");
        addCategory(db(), "03", "饮料");
        for (const QStringList& g : kGoods) {
            storedb::sppztj(db(), g[1], g[0], g[2]);
            if (g[0] != "D1")
                QCOMPARE(storedb::recordStockIn(db(), {g[0], 2, 4.5, 50, "厂"}, "1", kDay1).result,
                         storedb::MovementOutcome::Recorded);
        }
        for (const auto& [day, out] : kStockOuts)
            QCOMPARE(storedb::recordStockOut(db(), {out.hwh, 4.5, out.sl, "报损"}, "1", day).result,
                     storedb::MovementOutcome::Recorded);
        // Sold at the till, line by line, one charge per sale.
        addTill(db(), kTill, 100);
        addClerk(db(), "1001", "售货员", "1001");
        storedb::signOn(db(), kTill, "1001", QDateTime(kDay2, QTime(8, 0)));
        for (const auto& [day, lines] : kSales) {
            for (const Out& line : lines)
                QVERIFY(storedb::addSaleLine(db(), kTill, line.hwh, *storedb::hwhdw(db(), line.hwh),
                                             line.sl)
                            .added);
            bills << storedb::chargeSale(db(), kTill, day).bill;
        }
        storedb::signOff(db(), kTill, QDateTime(kDay3, QTime(20, 0)));
        window = &office->windows().salesQueryWindow();
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
        bills.clear();
    }

    void categoryQuerySumsEachGoodsPerDay() {
        window->openByCategory();
        QCOMPARE(pickList(box("categoryChoice")), QStringList({"饮料", "零食", "饮料"}));
        QCOMPARE(pickList(box("goodsCategoryChoice")), pickList(box("categoryChoice")));
        choose(box("categoryChoice"), 0);
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected("01"));
        // Two sales of A1 on one day make one row, the back office's
        // stock-out of that day another.
        QVERIFY(
            gridRows(grid("categoryMovementsGrid")).contains("A1|5|2024-03-05|22.5||收款机销售"));
        QVERIFY(gridRows(grid("categoryMovementsGrid")).contains("A1|1|2024-03-05|4.5||后台出货"));
        QCOMPARE(text("stockedGoods"), QString("2")); // goods with a stock row

        const QAbstractItemModel* m = grid("categoryMovementsGrid")->model();
        QStringList titles;
        for (int col = 0; col < m->columnCount(); ++col)
            titles << m->headerData(col, Qt::Horizontal).toString();
        QCOMPARE(titles, QStringList({"商品号", "数量", "出货时间", "金额", "原帐单", "出货方式"}));
        for (QTableView* g : {grid("categoryMovementsGrid"), grid("goodsMovementsGrid")}) {
            QCOMPARE(g->model(), m);
            QList<int> widths;
            for (int col = 0; col < m->columnCount(); ++col)
                widths << g->columnWidth(col);
            QCOMPARE(widths, QList<int>({115, 45, 80, 70, 60, 75}));
        }

        choose(box("categoryChoice"), 2); // the second 饮料
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected("03"));
        QCOMPARE(text("stockedGoods"), QString("1"));
        QVERIFY(shown().isEmpty());
    }

    // The movements are read beside the window: the click returns at once,
    // a later query overtakes an earlier one, and a closed window shows
    // nothing that arrives after.
    void queriesRunBesideTheWindow() {
        window->openByCategory();
        choose(box("categoryChoice"), 0);
        c<QAbstractButton>("categoryQueryButton")->click();
        QVERIFY(window->isQuerying());
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        QCOMPARE(text("stockedGoods"), QString("2")); // the count is no long read
        settle();
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected("01"));

        c<QAbstractButton>("categoryQueryButton")->click();
        choose(box("categoryChoice"), 2);
        click("categoryQueryButton");
        QTest::qWait(50); // room for the first read's late outcome
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected("03"));

        c<QAbstractButton>("categoryQueryButton")->click();
        window->close();
        QVERIFY(!window->isQuerying());
        QTest::qWait(200);
        window->openByCategory();
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        QVERIFY(shown().isEmpty());
    }

    // A read that has to wait shows its progress after a moment; "取消"
    // gives the window back at once and the read's late rows are dropped.
    void aWaitingReadShowsProgressAndCanBeAbandoned() {
        if (engineUnderTest() == storedb::Engine::SQLite)
            QSKIP("a SQLite reader never waits for a writer (write-ahead log)");
        auto blocker = storedb::openBackgroundConnection(storedb::DataModule::dataLink(),
                                                         QStringLiteral("blocker"), 0);
        auto hold = std::make_unique<storedb::Transaction>(*blocker);
        blocker->exec("lock", QStringLiteral("lock table hwrzb in access exclusive mode"));

        window->openByCategory();
        choose(box("categoryChoice"), 0);
        c<QAbstractButton>("categoryQueryButton")->click();
        QPointer<QProgressDialog> progress;
        QTRY_VERIFY((progress = window->findChild<QProgressDialog*>()) && progress->isVisible());
        QCOMPARE(progress->labelText(), QString("正在查询,请稍候..."));
        QVERIFY(window->isQuerying());
        QPushButton* cancel = nullptr;
        for (QPushButton* b : progress->findChildren<QPushButton*>())
            if (b->text() == "取消")
                cancel = b;
        QVERIFY(cancel);
        cancel->click();
        QVERIFY(!window->isQuerying());
        QTRY_VERIFY(!progress);

        hold.reset();
        QTest::qWait(300);
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected("01"));
        QVERIFY(shown().isEmpty());
    }

    void dateRangeListsTheDaysFromStartThroughEnd_data() {
        QTest::addColumn<bool>("byGoods");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        for (bool byGoods : {false, true}) {
            const char* page = byGoods ? "goods" : "category";
            QTest::addRow("%s, one day", page) << byGoods << kDay2 << kDay2;
            QTest::addRow("%s, two days", page) << byGoods << kDay1 << kDay2;
            QTest::addRow("%s, none", page) << byGoods << kDay3.addDays(1) << kDay3.addDays(9);
        }
    }
    void dateRangeListsTheDaysFromStartThroughEnd() {
        QFETCH(bool, byGoods);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        if (byGoods) {
            window->openByGoods();
            choose(box("goodsCategoryChoice"), 1);
            choose(box("goodsChoice"), 0); // B1
        } else {
            window->openByCategory();
            choose(box("categoryChoice"), 0);
        }
        auto* start = c<QDateTimeEdit>(byGoods ? "goodsFirstDay" : "categoryFirstDay");
        auto* end = c<QDateTimeEdit>(byGoods ? "goodsLastDay" : "categoryLastDay");
        QCOMPARE(start->time(), byGoods ? QTime(9, 14, 43) : QTime(16, 28, 49));
        QCOMPARE(end->time(), byGoods ? QTime(9, 14, 53) : QTime(16, 29, 1));
        start->setDate(from);
        end->setDate(to);
        auto* time = c<QAbstractButton>(byGoods ? "limitGoodsToPeriod" : "limitCategoryToPeriod");
        const char* query = byGoods ? "goodsQueryButton" : "categoryQueryButton";
        QTableView* result = grid(byGoods ? "goodsMovementsGrid" : "categoryMovementsGrid");
        const QString key = byGoods ? "B1" : "01";
        time->click();
        click(query);
        QCOMPARE(gridRows(result), expected(key, from, to));
        time->click();
        click(query);
        QCOMPARE(gridRows(result), expected(key));
        QVERIFY(shown().isEmpty());
    }

    void goodsOfOneNameAreQueriedByTheirNumber() {
        window->openByGoods();
        choose(box("goodsCategoryChoice"), 2); // the second 饮料
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"可乐"}));
        choose(box("goodsChoice"), 0);
        click("goodsQueryButton");
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected("C1"));
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}),
                 QStringList({"4.5", "49"}));

        choose(box("goodsCategoryChoice"), 0);
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"可乐", "雪碧", "果汁"}));
        choose(box("goodsChoice"), 0);
        click("goodsQueryButton");
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected("A1"));
        QCOMPARE(text("currentStock"), QString::number(stockOf(db(), "A1")));
        QCOMPARE(stockOf(db(), "A1"), 40); // 50 in, 1 stock-out, 9 sold

        // Checks before anything is read; a name that matches nothing is no
        // refusal.
        c<QAbstractButton>("limitGoodsToPeriod")->click();
        c<QDateTimeEdit>("goodsFirstDay")->setDate(kDay3);
        c<QDateTimeEdit>("goodsLastDay")->setDate(kDay2);
        click("goodsQueryButton");
        c<QAbstractButton>("limitGoodsToPeriod")->click();
        box("goodsChoice")->setEditText("");
        click("goodsQueryButton");
        box("goodsCategoryChoice")->setEditText("");
        click("goodsQueryButton");
        QCOMPARE(shown(),
                 QStringList({"请输入正确的时间范围!", "请选择商品名!", "请选择商品类别!"}));
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected("A1")); // untouched
        box("goodsCategoryChoice")->setEditText("零食");
        box("goodsChoice")->setEditText("没有的东西");
        click("goodsQueryButton");
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}),
                 QStringList({"0", "0"}));
        QCOMPARE(grid("goodsMovementsGrid")->model()->rowCount(), 0);
        box("goodsChoice")->setEditText("果汁"); // never stocked
        click("goodsQueryButton");
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}), QStringList({"", ""}));
    }

    // A return is a row of its own beside the day's sales, never netted
    // into them; the grid still adds up to the log's net stock-outs.
    void aReturnIsListedApartFromTheSales() {
        storedb::signOn(db(), kTill, "1001", QDateTime(kDay3, QTime(21, 0)));
        // Two of the second sale's three A1, on the day of the third sale.
        storedb::bookReturn(db(), kTill, "1001", "1", bills[1], {{"A1", 4.5, 2}},
                            QDateTime(kDay3, QTime(21, 30)));
        window->openByCategory();
        choose(box("categoryChoice"), 0);
        click("categoryQueryButton");
        QStringList rows = expected("01")
                           << QString("A1|-2|2024-03-06|-9|%1|收款机退货").arg(bills[1]);
        rows.sort();
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), rows);

        qint64 listed = 0;
        for (const QString& row : gridRows(grid("categoryMovementsGrid")))
            listed += row.section('|', 1, 1).toInt();
        QSqlQuery net = db().exec("net", "select sum(sl) from hwrzb where crk=:crk and hwlbh='01'",
                                  {{"crk", storedb::kStockOut}});
        QVERIFY(net.next());
        QCOMPARE(listed, net.value(0).toLongLong());
        QVERIFY(shown().isEmpty());
    }

    // The source box lists the tills' rows (sales and returns) or the back
    // office's alone; the totals under the grid add up every row read, and
    // agree with sums worked from the log itself.
    void sourceChoiceAndTotals_data() {
        QTest::addColumn<bool>("byGoods");
        QTest::addColumn<int>("source");
        for (bool byGoods : {false, true})
            for (int source : {AllSources, TillSales, OfficeStockOuts})
                QTest::addRow("%s, %s", byGoods ? "goods" : "category",
                              QList<const char*>{"all", "till", "back office"}[source])
                    << byGoods << source;
    }
    void sourceChoiceAndTotals() {
        QFETCH(bool, byGoods);
        QFETCH(int, source);
        storedb::signOn(db(), kTill, "1001", QDateTime(kDay3, QTime(21, 0)));
        storedb::bookReturn(db(), kTill, "1001", "1", bills[1], {{"A1", 4.5, 2}},
                            QDateTime(kDay3, QTime(21, 30)));
        const QString key = byGoods ? "A1" : "01";
        if (byGoods) {
            window->openByGoods();
            choose(box("goodsCategoryChoice"), 0);
            choose(box("goodsChoice"), 0);
        } else {
            window->openByCategory();
            choose(box("categoryChoice"), 0);
        }
        const char* page = byGoods ? "Goods" : "Category";
        const auto control = [&](const char* name) { return QByteArray(page) + name; };
        auto* sources = box(control("Source"));
        auto* end = c<QDateTimeEdit>(byGoods ? "goodsLastDay" : "categoryLastDay");
        // Reached from the keyboard: Tab after the end of the range, the
        // arrows to the choice, Enter runs the query.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        end->setFocus();
        for (int i = 0; i < 4 && QApplication::focusWidget() == end; ++i)
            QTest::keyClick(end, Qt::Key_Tab); // through the date's parts first
        QCOMPARE(QApplication::focusWidget(), sources);
        choose(sources, source);

        for (const QDate& from : {QDate(), kDay2, kDay3.addDays(1)}) {
            auto* time =
                c<QAbstractButton>(byGoods ? "limitGoodsToPeriod" : "limitCategoryToPeriod");
            if (time->isChecked() != from.isValid())
                time->click();
            if (from.isValid())
                c<QDateTimeEdit>(byGoods ? "goodsFirstDay" : "categoryFirstDay")->setDate(from);
            end->setDate(kDay3.addDays(1));
            sources->setFocus();
            QTest::keyClick(sources, Qt::Key_Return);
            settle();

            QStringList rows = expected(key, from, kDay3.addDays(1), Source(source));
            if (source != OfficeStockOuts && (!from.isValid() || from <= kDay3))
                rows << QString("A1|-2|2024-03-06|-9|%1|收款机退货").arg(bills[1]);
            rows.sort();
            QCOMPARE(gridRows(grid(byGoods ? "goodsMovementsGrid" : "categoryMovementsGrid")),
                     rows);

            // A till's row has a bill number; the back office's an administrator.
            QString where = byGoods ? "crk=:crk and hwh=:key" : "crk=:crk and hwlbh=:key";
            storedb::Params params{{"crk", storedb::kStockOut}, {"key", key}};
            if (source == TillSales)
                where += " and num is not null and glyh is null";
            if (source == OfficeStockOuts)
                where += " and glyh is not null";
            if (from.isValid()) {
                where += " and crhsj>=:first";
                params << qMakePair(QString("first"), storedb::dateTimeParam(from.startOfDay()));
            }
            QSqlQuery log = db().exec(
                "log sums",
                "select coalesce(sum(sl),0),coalesce(sum(sl*dj),0) from hwrzb where " + where,
                params);
            QVERIFY(log.next());
            QCOMPARE(
                QStringList({text(control("TotalPieces")), text(control("TotalMoney"))}),
                QStringList({QString::number(log.value(0).toLongLong()),
                             storedb::numberText(storedb::roundFen(log.value(1).toDouble()))}));
        }
        QVERIFY(shown().isEmpty());
    }

    void doubleClickShowsTheGoodsName() {
        window->openByCategory();
        choose(box("categoryChoice"), 0);
        click("categoryQueryButton");
        doubleClickRowOf("A2");
        QCOMPARE(text("pickedGoodsName"), QString("雪碧"));

        // Goods gone from the catalogue keep their log rows but have no name:
        // none is shown, nor another goods' name.
        QVERIFY(storedb::deleteGoods(db(), "A2"));
        click("categoryQueryButton");
        doubleClickRowOf("A2");
        QCOMPARE(text("pickedGoodsName"), QString());
        QVERIFY(shown().isEmpty());

        // Shown again: the result is empty and the lists are rebuilt, with
        // the choice kept; a page change empties the boxes.
        addCategory(db(), "04", "日用");
        window->close();
        window->openByCategory();
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        QCOMPARE(QStringList({text("CategoryTotalPieces"), text("CategoryTotalMoney")}),
                 QStringList({"", ""}));
        QCOMPARE(pickList(box("categoryChoice")), QStringList({"饮料", "零食", "饮料", "日用"}));
        QCOMPARE(box("categoryChoice")->currentText(), QString("饮料"));
        c<QTabWidget>("pages")->setCurrentIndex(1);
        QCOMPARE(QStringList({text("stockedGoods"), box("categoryChoice")->currentText()}),
                 QStringList({"", ""}));
        click("goodsCloseButton");
        QVERIFY(!window->isVisible());
    }
};

STORE_TEST_MAIN(TestSalesQuery)
#include "tst_sales_query.moc"
