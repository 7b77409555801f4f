// The incoming goods query window driven through its controls, over stock
// movements recorded by the back office's stock code; and how the engines
// run the result queries of both movement query windows.

#include "admin/purchasequerywindow.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/queries.h"
#include "storedb/stock.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/combos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>

using namespace testsupport;

Q_DECLARE_METATYPE(storedb::Statement)

namespace {

const QDate kDay1(2024, 3, 4), kDay2(2024, 3, 5), kDay3(2024, 3, 6);

// Two categories named 饮料 (01, 03) with a 可乐 each; 果汁 never stocked.
const QList<QStringList> kGoods{{"A1", "01", "可乐"},
                                {"A2", "01", "雪碧"},
                                {"D1", "01", "果汁"},
                                {"B1", "02", "薯片"},
                                {"C1", "03", "可乐"}};
QStringList goods(const QString& hwh) {
    for (const QStringList& g : kGoods)
        if (g[0] == hwh)
            return g;
    return {};
}

struct StockIn {
    QString hwh;
    QDate day;
    int sl;
    double rhj, dj;
    QString hwly;
};
const QList<StockIn> kStockIns{
    {"A1", kDay1, 10, 2.5, 3.5, "甲厂"}, {"A1", kDay2, 5, 2.6, 3.5, "乙厂"},
    {"A1", kDay2, 5, 2.6, 3.5, "乙厂"}, // listed twice, never summed
    {"A1", kDay3, 7, 2.4, 4, "甲厂"},    {"A2", kDay2, 6, 1.8, 3, "丙厂"},
    {"B1", kDay2, 4, 4, 5, "丁厂"},      {"C1", kDay2, 9, 3.1, 4.5, "戊厂"},
    {"C1", kDay3, 3, 3.2, 4.8, "戊厂"}};

QString rowText(const QString& hwm, int sl, double rhj, const QDate& day, const QString& hwly) {
    return QStringList{hwm, QString::number(sl), storedb::numberText(rhj),
                       day.toString(Qt::ISODate), hwly}
        .join('|');
}

QStringList gridRows(const QTableView* grid) {
    const QAbstractItemModel* m = grid->model();
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r)
        rows << rowText(m->index(r, 0).data().toString(), m->index(r, 1).data().toInt(),
                        m->index(r, 2).data().toDouble(),
                        storedb::readDateTime(m->index(r, 3).data()).date(),
                        m->index(r, 4).data().toString());
    rows.sort();
    return rows;
}

// The stock-ins of the goods or category (column 0 or 1 of kGoods) within
// the days, if any: what the query must list.
QStringList expected(int column, const QString& key, QDate from = {}, QDate to = {}) {
    QStringList rows;
    for (const StockIn& in : kStockIns)
        if (goods(in.hwh)[column] == key && (!from.isValid() || (in.day >= from && in.day <= to)))
            rows << rowText(goods(in.hwh)[2], in.sl, in.rhj, in.day, in.hwly);
    rows.sort();
    return rows;
}

} // namespace

class TestPurchaseQuery : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::PurchaseQueryWindow* window = nullptr;

    storedb::Db& db() { return office->db(); }
    QStringList shown() const { return office->responder.shown(); }
    template <typename T = QWidget> T* c(const char* name) const { return ctl<T>(window, name); }
    QComboBox* box(const char* name) const { return c<QComboBox>(name); }
    QDateTimeEdit* picker(const char* name) const { return c<QDateTimeEdit>(name); }
    QTableView* grid(const char* name) const { return c<QTableView>(name); }
    QString text(const char* name) const { return c<QLineEdit>(name)->text(); }
    // The movements are read in the background: waits for them.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!window->isQuerying(), 10000); }
    void click(const char* name) {
        c<QAbstractButton>(name)->click();
        settle();
    }
    void showActive() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食");
        addCategory(db(), "03", "饮料");
        for (const QStringList& g : kGoods)
            storedb::sppztj(db(), g[1], g[0], g[2]);
        for (const StockIn& in : kStockIns)
            QCOMPARE(
                storedb::recordStockIn(db(), {in.hwh, in.rhj, in.dj, in.sl, in.hwly}, "1", in.day)
                    .result,
                storedb::MovementOutcome::Recorded);
        // A stock-out is no purchase.
        QCOMPARE(storedb::recordStockOut(db(), {"A1", 3.5, 2, "报损"}, "1", kDay2).result,
                 storedb::MovementOutcome::Recorded);
        window = &office->windows().purchaseQueryWindow();
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
    }

    void categoryQueryListsItsStockInsByCategoryNumber() {
        window->openByCategory();
        QCOMPARE(pickList(box("categoryChoice")), QStringList({"饮料", "零食", "饮料"}));
        QCOMPARE(pickList(box("goodsCategoryChoice")), pickList(box("categoryChoice")));
        choose(box("categoryChoice"), 0);
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected(1, "01"));
        QCOMPARE(text("stockedGoods"), QString("2")); // goods with a stock row

        const QAbstractItemModel* m = grid("categoryMovementsGrid")->model();
        QStringList titles, days;
        for (int col = 0; col < m->columnCount(); ++col)
            titles << m->headerData(col, Qt::Horizontal).toString();
        QCOMPARE(titles, QStringList({"商品名", "数量", "入货价", "入货时间", "商品来源"}));
        for (QTableView* g : {grid("categoryMovementsGrid"), grid("goodsMovementsGrid")}) {
            QCOMPARE(g->model(), m); // both pages show the one result
            QList<int> widths;
            for (int col = 0; col < 5; ++col)
                widths << g->columnWidth(col);
            QCOMPARE(widths, QList<int>({100, 80, 50, 90, 100}));
        }
        // Movements are dated at midnight: the date alone is shown.
        auto* dates = qobject_cast<QStyledItemDelegate*>(
            grid("categoryMovementsGrid")->itemDelegateForColumn(3));
        QVERIFY(dates);
        for (int r = 0; r < m->rowCount(); ++r)
            days << dates->displayText(m->index(r, 3).data(), QLocale());
        QVERIFY(days.contains(kDay1.toString(Qt::ISODate)));

        // The second 饮料, chosen from the keyboard: Enter goes to the button.
        showActive();
        box("categoryChoice")->setFocus();
        choose(box("categoryChoice"), 2);
        QTest::keyClick(box("categoryChoice"), Qt::Key_Return);
        QTest::keyClick(c("categoryQueryButton"), Qt::Key_Return);
        settle();
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected(1, "03"));
        QCOMPARE(text("stockedGoods"), QString("1"));

        // Shown again: the lists are rebuilt and the choice stays.
        window->close();
        window->openByCategory();
        QCOMPARE(pickList(box("categoryChoice")).size(), 3);
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected(1, "03"));

        // After a page change a typed name is the first category bearing it.
        c<QTabWidget>("pages")->setCurrentIndex(1);
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        QCOMPARE(box("categoryChoice")->currentText(), QString());
        c<QTabWidget>("pages")->setCurrentIndex(0);
        box("categoryChoice")->setEditText("饮料");
        click("categoryQueryButton");
        QCOMPARE(gridRows(grid("categoryMovementsGrid")), expected(1, "01"));
        QVERIFY(shown().isEmpty());
    }

    void dateRangeListsTheDaysFromStartThroughEnd_data() {
        QTest::addColumn<bool>("byGoods");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        for (bool byGoods : {false, true}) {
            const char* page = byGoods ? "goods" : "category";
            QTest::addRow("%s, one day", page) << byGoods << kDay2 << kDay2;
            QTest::addRow("%s, two days", page) << byGoods << kDay2 << kDay3;
            QTest::addRow("%s, none", page) << byGoods << kDay3.addDays(1) << kDay3.addDays(9);
        }
    }
    void dateRangeListsTheDaysFromStartThroughEnd() {
        QFETCH(bool, byGoods);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        if (byGoods) {
            window->openByGoods();
            choose(box("goodsCategoryChoice"), 0);
            choose(box("goodsChoice"), 0);
        } else {
            window->openByCategory();
            choose(box("categoryChoice"), 0);
        }
        // The pickers keep their time of day; choosing a day does not change it.
        QDateTimeEdit* start = picker(byGoods ? "goodsFirstDay" : "categoryFirstDay");
        QDateTimeEdit* end = picker(byGoods ? "goodsLastDay" : "categoryLastDay");
        QCOMPARE(start->time(), QTime(9, 14, 43));
        QCOMPARE(end->time(), QTime(9, 14, 53));
        start->setDate(from);
        end->setDate(to);
        QAbstractButton* time =
            c<QAbstractButton>(byGoods ? "limitGoodsToPeriod" : "limitCategoryToPeriod");
        const char* query = byGoods ? "goodsQueryButton" : "categoryQueryButton";
        QTableView* result = grid(byGoods ? "goodsMovementsGrid" : "categoryMovementsGrid");
        const int column = byGoods ? 0 : 1;
        const QString key = byGoods ? "A1" : "01";
        time->click();
        click(query);
        QCOMPARE(gridRows(result), expected(column, key, from, to));
        time->click();
        click(query);
        QCOMPARE(gridRows(result), expected(column, key));

        // Start and end at one moment is a range; a second earlier end is not.
        time->click();
        end->setDateTime(start->dateTime());
        click(query);
        QCOMPARE(gridRows(result), expected(column, key, from, from));
        QVERIFY(shown().isEmpty());
        showActive();
        end->setDateTime(start->dateTime().addSecs(-1));
        click(query);
        QCOMPARE(shown(), QStringList({"请输入正确的时间范围!"}));
        QVERIFY(start->hasFocus());
    }

    void goodsOfOneNameAreQueriedByTheirNumber() {
        window->openByGoods();
        choose(box("goodsCategoryChoice"), 2); // the second 饮料
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"可乐"}));
        choose(box("goodsChoice"), 0);
        click("goodsQueryButton");
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected(0, "C1"));
        QCOMPARE(text("currentPrice"), QString("4.8")); // the price of its last stock-in
        QCOMPARE(text("currentStock"), QString::number(stockOf(db(), "C1")));

        choose(box("goodsCategoryChoice"), 0);
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"可乐", "雪碧", "果汁"}));
        QCOMPARE(box("goodsChoice")->currentText(), QString());
        choose(box("goodsChoice"), 0);
        click("goodsQueryButton");
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected(0, "A1"));
        QCOMPARE(text("currentPrice"), QString("4"));
        QCOMPARE(text("currentStock"), QString("25")); // 27 in, 2 out
        QVERIFY(shown().isEmpty());
    }

    void refusalsAndNamesThatMatchNothing() {
        window->openByGoods();
        showActive();
        click("goodsQueryButton");
        box("goodsCategoryChoice")->setFocus();
        box("goodsCategoryChoice")->setEditText("零食");
        QTest::keyClick(box("goodsCategoryChoice"), Qt::Key_Return); // as choosing it
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"薯片"}));
        QVERIFY(box("goodsChoice")->hasFocus());
        click("goodsQueryButton");
        QCOMPARE(shown(), QStringList({"请选择商品类别!", "请选择商品名!"}));
        QCOMPARE(grid("goodsMovementsGrid")->model()->columnCount(), 0); // nothing was read

        // A category that does not exist leaves the goods list alone; a
        // goods name outside the list is the first of that name.
        box("goodsCategoryChoice")->setEditText("没有");
        QTest::keyClick(box("goodsCategoryChoice"), Qt::Key_Return);
        QCOMPARE(pickList(box("goodsChoice")), QStringList({"薯片"}));
        box("goodsChoice")->setEditText("雪碧");
        click("goodsQueryButton");
        QCOMPARE(gridRows(grid("goodsMovementsGrid")), expected(0, "A2"));
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}),
                 QStringList({"3", "6"}));

        box("goodsChoice")->setEditText("果汁"); // never stocked: no price, no stock
        click("goodsQueryButton");
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}), QStringList({"", ""}));
        QCOMPARE(grid("goodsMovementsGrid")->model()->rowCount(), 0);
        box("goodsChoice")->setEditText("没有的东西");
        click("goodsQueryButton");
        QCOMPARE(QStringList({text("currentPrice"), text("currentStock")}),
                 QStringList({"0", "0"}));
        QCOMPARE(grid("goodsMovementsGrid")->model()->rowCount(), 0);

        window->openByCategory();
        QCOMPARE(box("goodsCategoryChoice")->currentText(), QString("没有")); // no page change
        click("categoryQueryButton");
        box("categoryChoice")->setEditText("没有");
        click("categoryQueryButton");
        QCOMPARE(text("stockedGoods"), QString("0"));
        QCOMPARE(grid("categoryMovementsGrid")->model()->rowCount(), 0);
        QCOMPARE(shown().mid(2), QStringList({"请选择商品类别!"}));
        click("categoryCloseButton");
        QVERIFY(!window->isVisible());
    }

    // Every result query searches hwrzb's index by the direction and the
    // category or goods, never the whole log nor all of one direction.
    void resultQueriesSearchTheLogByIndex_data() {
        QTest::addColumn<storedb::Statement>("statement");
        QTest::addColumn<QString>("where");
        const auto period = std::optional(storedb::periodBetween(
            QDateTime(kDay2, QTime(9, 14, 43)), QDateTime(kDay3, QTime(9, 14, 53))));
        for (const auto& p : {std::optional<storedb::MovementPeriod>(), period}) {
            const char* range = p ? "in a range" : "all";
            QTest::addRow("stock-ins of category, %s", range)
                << storedb::stockInsOfCategory("02", p) << "crk='入库' and hwlbh='02'";
            QTest::addRow("stock-ins of goods, %s", range)
                << storedb::stockInsOfGoods("A2", p) << "crk='入库' and hwh='A2'";
            QTest::addRow("stock-outs of category, %s", range)
                << storedb::stockOutsOfCategory("02", p) << "crk='出库' and hwlbh='02'";
            QTest::addRow("stock-outs of goods, %s", range)
                << storedb::stockOutsOfGoods("A2", p) << "crk='出库' and hwh='A2'";
        }
    }
    void resultQueriesSearchTheLogByIndex() {
        QFETCH(storedb::Statement, statement);
        QFETCH(QString, where);
        for (const char* hwh : {"A1", "C1", "C1", "A2", "B1"})
            QCOMPARE(storedb::recordStockOut(db(), {hwh, 3, 1, "报损"}, "1", kDay3).result,
                     storedb::MovementOutcome::Recorded);
        const auto count = [&](const QString& sql) {
            QSqlQuery q = db().exec("count", sql);
            return q.next() ? q.value(0).toLongLong() : -1;
        };
        const qint64 keyRows = count("select count(*) from hwrzb where " + where);
        QVERIFY(count("select count(*) from hwrzb where " + where.section(" and ", 0, 0)) >
                keyRows);

        qint64 read = -1;
        QString plan;
        if (db().isSQLite()) {
            // The index entries a search reads are those its columns name.
            QSqlQuery q = db().exec("plan", "explain query plan " + statement.lines.join('\n'),
                                    statement.params);
            const QString key = where.section(" and ", 1).section('=', 0, 0);
            while (q.next()) {
                plan += q.value(3).toString() + ';';
                if (q.value(3).toString().contains(
                        QRegularExpression("^SEARCH hwrzb .*INDEX \\w+ \\(crk=\\? AND " + key)))
                    read = keyRows;
            }
        } else {
            // Plans with parameters cannot be explained through the driver:
            // the server's statistics tell the index entries read instead.
            // Without sequential scans a statement no index serves still
            // scans, and is seen doing so.
            const auto reads = [&] {
                db().exec("flush", "select pg_stat_force_next_flush()");
                QSqlQuery q = db().exec(
                    "reads", "select seq_scan,(select coalesce(sum(idx_tup_read),0) from "
                             "pg_stat_user_indexes where relname='hwrzb') from pg_stat_user_tables "
                             "where relname='hwrzb'");
                return q.next() ? std::pair(q.value(0).toLongLong(), q.value(1).toLongLong())
                                : std::pair(-1LL, -1LL);
            };
            db().exec("no scans", "set enable_seqscan=off");
            const auto [scansBefore, entriesBefore] = reads();
            QSqlQuery rows = storedb::run(db(), statement);
            while (rows.next()) {
            }
            const auto [scansAfter, entriesAfter] = reads();
            db().exec("scans", "reset enable_seqscan");
            read = scansAfter == scansBefore ? entriesAfter - entriesBefore : -1;
            plan = QString("%1 index entries").arg(read);
        }
        QVERIFY2(read >= 0 && read <= keyRows, qPrintable(plan));
    }
};

STORE_TEST_MAIN(TestPurchaseQuery)
#include "tst_purchase_query.moc"
