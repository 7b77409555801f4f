// Business statistics driven through the window's controls: the bar chart
// of turnover per category and the pie per goods item, with their keys,
// over movements written by the back office's stock code and sales charged
// by the till's.

#include "admin/statisticswindow.h"
#include "storedb/catalog.h"
#include "storedb/charge.h"
#include "storedb/procedures.h"
#include "storedb/statistics.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QPieSeries>
#include <QPieSlice>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QValueAxis>

using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");
const QDate kDay(2024, 6, 12);
const QString kWrongPeriod = QStringLiteral("请选择正确的时间段！");

void stockIn(storedb::Db& db, const QString& hwh, int sl, double dj) {
    const storedb::MovementOutcome done =
        storedb::recordStockIn(db, {hwh, 1, dj, sl, QStringLiteral("供货商")},
                               storedb::kFirstAdministratorNumber, kDay.addDays(-10));
    QCOMPARE(done.result, storedb::MovementOutcome::Recorded);
}

void stockOut(storedb::Db& db, const QString& hwh, int sl, double dj, const QDate& day) {
    const storedb::MovementOutcome done = storedb::recordStockOut(
        db, {hwh, dj, sl, QStringLiteral("退货")}, storedb::kFirstAdministratorNumber, day);
    QCOMPARE(done.result, storedb::MovementOutcome::Recorded);
}

// One shift at the till charging one sale of the lines, on the day.
void sell(storedb::Db& db, const QDate& day, const QList<QPair<QString, int>>& lines) {
    const QDateTime at(day, QTime(9, 0));
    storedb::signOn(db, kTill, QStringLiteral("1001"), at);
    for (const auto& [hwh, sl] : lines) {
        const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db, hwh);
        QVERIFY(goods);
        QVERIFY(storedb::addSaleLine(db, kTill, hwh, *goods, sl).added);
    }
    storedb::chargeSale(db, kTill, day);
    storedb::signOff(db, kTill, at.addSecs(3600));
}

QStringList rowsOf(const QAbstractItemModel* model) {
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int col = 0; col < model->columnCount(); ++col)
            cells << model->index(row, col).data().toString();
        rows << cells.join(QLatin1Char(' '));
    }
    return rows;
}

QChart* chartOf(const QWidget* window, const char* name) {
    return ctl<QChartView>(window, name)->chart();
}

// The texts drawn on the chart itself, outside its series and axes.
QStringList chartTexts(QChart* chart) {
    QStringList texts;
    for (QGraphicsItem* item : chart->childItems())
        if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item))
            texts << text->text();
    texts.sort();
    return texts;
}

// The value marks shown over the bars, left to right, with where they stand.
QList<QPair<qreal, QString>> barMarks(QChart* chart) {
    QList<QPair<qreal, QString>> marks;
    for (QGraphicsItem* item : chart->childItems())
        if (auto* box = dynamic_cast<QGraphicsRectItem*>(item); box && box->isVisible())
            for (QGraphicsItem* inner : box->childItems())
                if (auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(inner))
                    marks.append({text->sceneBoundingRect().center().x(), text->text()});
    std::sort(marks.begin(), marks.end());
    return marks;
}

QStringList markTexts(QChart* chart) {
    QStringList texts;
    for (const auto& mark : barMarks(chart))
        texts << mark.second;
    return texts;
}

struct Bars {
    QStringList categories;
    QList<qreal> values;
};

Bars barsOf(QChart* chart) {
    auto* series = qobject_cast<QBarSeries*>(chart->series().value(0));
    auto* axis = qobject_cast<QBarCategoryAxis*>(chart->axes(Qt::Horizontal).value(0));
    if (!series || !axis)
        qFatal("the bar chart has no bar series or category axis");
    Bars bars;
    bars.categories = axis->categories();
    // One set: one bar per category, never two categories at one place.
    if (series->count() == 1)
        for (int i = 0; i < series->barSets().first()->count(); ++i)
            bars.values << series->barSets().first()->at(i);
    else if (series->count() > 1)
        qFatal("the bar chart has more than one bar set");
    return bars;
}

QStringList slicesOf(QChart* chart) {
    auto* series = qobject_cast<QPieSeries*>(chart->series().value(0));
    if (!series)
        qFatal("the goods chart has no pie series");
    QStringList slices;
    for (const QPieSlice* slice : series->slices()) {
        if (!slice->isLabelVisible())
            return {QStringLiteral("label hidden: ") + slice->label()};
        slices << QStringLiteral("%1=%2").arg(slice->label()).arg(slice->value());
    }
    return slices;
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::StatisticsWindow* ywtjform = nullptr;

    storedb::Db& db() { return office->db(); }
    template <class T> T* c(const char* name) const { return ctl<T>(ywtjform, name); }
    QChart* barChart() const { return chartOf(ywtjform, "categoryChart"); }
    QChart* pieChart() const { return chartOf(ywtjform, "goodsChart"); }
    QStringList categoryKey() const { return rowsOf(c<QTableView>("categoryKeyGrid")->model()); }
    QStringList goodsKey() const { return rowsOf(c<QTableView>("goodsKeyGrid")->model()); }
    QStringList shown() const { return office->responder.shown(); }

    void categoryStatistics(const QDate& from, const QDate& to) {
        c<QDateTimeEdit>("categoryFirstDay")->setDate(from);
        c<QDateTimeEdit>("categoryLastDay")->setDate(to);
        c<QPushButton>("categoryStatisticsButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ywtjform->isReading(), 10000);
    }
    void goodsStatistics(const QDate& from, const QDate& to) {
        c<QDateTimeEdit>("goodsFirstDay")->setDate(from);
        c<QDateTimeEdit>("goodsLastDay")->setDate(to);
        c<QPushButton>("goodsStatisticsButton")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!ywtjform->isReading(), 10000);
    }
    // Picks the list entry as the user does: opens the list, moves to it, Enter.
    void pickCategory(int index) {
        auto* box = c<QComboBox>("categoryChoice");
        box->setFocus();
        box->showPopup();
        QAbstractItemView* list = box->view();
        list->setCurrentIndex(list->model()->index(index, 0));
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(box->currentIndex(), index);
    }
    void typeCategory(const QString& name) {
        auto* box = c<QComboBox>("categoryChoice");
        box->lineEdit()->clear();
        for (QChar ch : name)
            QTest::sendKeyEvent(QTest::Click, box->lineEdit(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        ywtjform = &office->windows().statisticsWindow();
        addTill(db(), kTill, 100);
        addClerk(db(), "1001", "王芳", "pw");
        // Two categories of one name, and one that will be deleted.
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食");
        addCategory(db(), "03", "饮料");
        addCategory(db(), "09", "样品");
        storedb::sppztj(db(), "01", "A1", "可乐");
        storedb::sppztj(db(), "01", "A2", "雪碧");
        storedb::sppztj(db(), "02", "B1", "薯片");
        storedb::sppztj(db(), "03", "C1", "果汁");
        storedb::sppztj(db(), "09", "X1", "试吃装");
        stockIn(db(), "A1", 50, 3.5);
        stockIn(db(), "A2", 50, 6);
        stockIn(db(), "B1", 50, 5);
        stockIn(db(), "C1", 50, 8);
        stockIn(db(), "X1", 1000, 1.5);
        if (QTest::currentTestFailed())
            return;

        // The day: 01 has 2 x 3.5 sold + 1 x 13 taken out = 20, 02 has
        // 4 x 5 = 20 as well, 03 has 8, 09 has 987 x 1.5.
        sell(db(), kDay, {{"A1", 2}, {"B1", 4}, {"C1", 1}, {"X1", 987}});
        stockOut(db(), "A2", 1, 13, kDay);
        // The days around it.
        sell(db(), kDay.addDays(-1), {{"B1", 1}});
        sell(db(), kDay.addDays(1), {{"A1", 10}});
        // Its log rows stay when the category goes.
        storedb::deleteCategory(db(), "09");
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        ywtjform = nullptr;
        office.reset();
    }

    void barsOfOneDayInTurnoverOrder() {
        ywtjform->openByCategory();
        QVERIFY(QTest::qWaitForWindowExposed(ywtjform));
        QCOMPARE(c<QTabWidget>("pages")->currentIndex(), 0);
        categoryStatistics(kDay, kDay);
        QVERIFY(shown().isEmpty());

        // Equal turnovers each have a bar, by number; the deleted category
        // still has its own.
        const Bars day = barsOf(barChart());
        QCOMPARE(day.categories, QStringList({"03", "01", "02", "09"}));
        QCOMPARE(day.values, QList<qreal>({8, 20, 20, 1480.5}));
        QCOMPARE(categoryKey(), QStringList({"01 饮料", "02 零食", "03 饮料"}));
        QCOMPARE(c<QTableView>("categoryKeyGrid")->columnWidth(0), 40);
        QCOMPARE(c<QTableView>("categoryKeyGrid")->columnWidth(1), 60);

        // The marks, drawn once the chart is laid out: one over each bar.
        QTRY_COMPARE(markTexts(barChart()), QStringList({"8", "20", "20", "1,480.5"}));
        const auto marks = barMarks(barChart());
        QVERIFY(marks.at(1).first < marks.at(2).first);
        QCOMPARE(qobject_cast<QValueAxis*>(barChart()->axes(Qt::Vertical).value(0))->titleText(),
                 QString("营业额"));
        QCOMPARE(barChart()->title(), QString("商品类别统计"));
        QCOMPARE(chartTexts(barChart()), QStringList({"商品类别号", "营业额"}));

        // Three days: the order follows the new sums.
        categoryStatistics(kDay.addDays(-1), kDay.addDays(1));
        const Bars days = barsOf(barChart());
        QCOMPARE(days.categories, QStringList({"03", "02", "01", "09"}));
        QCOMPARE(days.values, QList<qreal>({8, 25, 55, 1480.5}));
        QTRY_COMPARE(markTexts(barChart()), QStringList({"8", "25", "55", "1,480.5"}));

        // A day without stock-outs leaves chart and key empty.
        categoryStatistics(kDay.addDays(5), kDay.addDays(5));
        QVERIFY(barsOf(barChart()).categories.isEmpty());
        QVERIFY(barsOf(barChart()).values.isEmpty());
        QVERIFY(markTexts(barChart()).isEmpty());
        QVERIFY(categoryKey().isEmpty());
        QVERIFY(shown().isEmpty());
    }

    // Many categories: no value mark covers another, and the highest bar
    // keeps its mark.
    void marksOfManyCategoriesStayApart() {
        QList<QPair<QString, int>> lines;
        for (int i = 10; i < 70; ++i) {
            const QString hwlbh = QString::number(i);
            const QString hwh = "M" + hwlbh;
            addCategory(db(), hwlbh, "类" + hwlbh);
            storedb::sppztj(db(), hwlbh, hwh, "货" + hwlbh);
            stockIn(db(), hwh, 500, 1000 + i);
            lines.append({hwh, i});
        }
        sell(db(), kDay.addDays(2), lines);
        ywtjform->openByCategory();
        QVERIFY(QTest::qWaitForWindowExposed(ywtjform));
        categoryStatistics(kDay.addDays(2), kDay.addDays(2));
        QCOMPARE(barsOf(barChart()).values.size(), 60);

        QTRY_VERIFY(!markTexts(barChart()).isEmpty());
        const QStringList texts = markTexts(barChart());
        QVERIFY2(texts.size() < 60, qPrintable(texts.join(' ')));
        QCOMPARE(texts.last(), storedb::markText(69.0 * 1069));
        QList<QRectF> boxes;
        for (QGraphicsItem* item : barChart()->childItems())
            if (auto* box = dynamic_cast<QGraphicsRectItem*>(item); box && box->isVisible())
                for (QGraphicsItem* inner : box->childItems())
                    if (dynamic_cast<QGraphicsSimpleTextItem*>(inner))
                        boxes << box->sceneBoundingRect();
        QCOMPARE(boxes.size(), texts.size());
        for (int a = 0; a < boxes.size(); ++a)
            for (int b = a + 1; b < boxes.size(); ++b)
                QVERIFY(!boxes[a].intersects(boxes[b]));
    }

    void invertedPeriodRefusedOnBothPages() {
        ywtjform->openByCategory();
        categoryStatistics(kDay, kDay);
        categoryStatistics(kDay, kDay.addDays(-1));
        QCOMPARE(shown(), QStringList({kWrongPeriod}));
        // Refused before running: the last results stand.
        QCOMPARE(barsOf(barChart()).categories.size(), 4);

        office->responder.clear();
        ywtjform->openByGoods();
        c<QCheckBox>("limitToCategory")->click();
        goodsStatistics(kDay, kDay.addDays(-1));
        QCOMPARE(shown(), QStringList({kWrongPeriod}));
        QVERIFY(slicesOf(pieChart()).isEmpty());
    }

    void slicesOfAllGoodsAndOfOneCategory() {
        ywtjform->openByGoods();
        QCOMPARE(c<QTabWidget>("pages")->currentIndex(), 1);
        goodsStatistics(kDay, kDay);
        QCOMPARE(slicesOf(pieChart()),
                 QStringList({"A1 7=7", "A2 13=13", "B1 20=20", "C1 8=8", "X1 1,480.5=1480.5"}));
        // Goods no longer catalogued have a slice but no key line.
        QCOMPARE(goodsKey(), QStringList({"A1 可乐", "A2 雪碧", "B1 薯片", "C1 果汁"}));
        QCOMPARE(pieChart()->title(), QString("具体商品统计"));
        QCOMPARE(chartTexts(pieChart()), QStringList({"商品号"}));

        // The list is read when the box is clicked: the names in table
        // order, each entry with its own category.
        auto* box = c<QComboBox>("categoryChoice");
        QCOMPARE(box->count(), 0);
        c<QCheckBox>("limitToCategory")->click();
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->itemText(2), QString("饮料"));

        pickCategory(2); // the second "饮料"
        goodsStatistics(kDay, kDay);
        QCOMPARE(slicesOf(pieChart()), QStringList({"C1 8=8"}));
        QCOMPARE(goodsKey(), QStringList({"C1 果汁"}));

        pickCategory(0);
        goodsStatistics(kDay.addDays(-1), kDay.addDays(1));
        QCOMPARE(slicesOf(pieChart()), QStringList({"A1 42=42", "A2 13=13"}));
        QCOMPARE(goodsKey(), QStringList({"A1 可乐", "A2 雪碧"}));

        // A typed name counts as its first category.
        typeCategory("零食");
        goodsStatistics(kDay, kDay);
        QCOMPARE(slicesOf(pieChart()), QStringList({"B1 20=20"}));
        QCOMPARE(goodsKey(), QStringList({"B1 薯片"}));
        QVERIFY(shown().isEmpty());

        // Clearing the box lifts the limit again.
        c<QCheckBox>("limitToCategory")->click();
        goodsStatistics(kDay, kDay);
        QCOMPARE(slicesOf(pieChart()).size(), 5);
    }

    void categoryNameChecked() {
        ywtjform->openByGoods();
        c<QCheckBox>("limitToCategory")->click();
        goodsStatistics(kDay, kDay);
        QCOMPARE(shown(), QStringList({"请输入商品类别名！"}));
        QVERIFY(slicesOf(pieChart()).isEmpty());

        office->responder.clear();
        typeCategory("零食");
        goodsStatistics(kDay, kDay);
        typeCategory("糖果");
        goodsStatistics(kDay, kDay);
        QCOMPARE(shown(), QStringList({"没有这种商品类别名！请重新输入！"}));
        // Nothing ran: the last results stand.
        QCOMPARE(slicesOf(pieChart()), QStringList({"B1 20=20"}));

        // A picked category renamed since the list was read is looked up
        // by the name it now has.
        office->responder.clear();
        c<QCheckBox>("limitToCategory")->click();
        c<QCheckBox>("limitToCategory")->click();
        pickCategory(2);
        storedb::splbpzxg(db(), "03", "果汁类");
        goodsStatistics(kDay, kDay);
        QCOMPARE(slicesOf(pieChart()), QStringList({"A1 7=7", "A2 13=13"}));
        QVERIFY(shown().isEmpty());
    }

    void showingAgainEmptiesChartsAndKeys() {
        ywtjform->openByCategory();
        categoryStatistics(kDay, kDay);
        c<QTabWidget>("pages")->setCurrentIndex(1);
        goodsStatistics(kDay, kDay);
        QVERIFY(!categoryKey().isEmpty());
        QVERIFY(!slicesOf(pieChart()).isEmpty());

        // Brought up again while shown: the results stay.
        ywtjform->openByCategory();
        QCOMPARE(barsOf(barChart()).categories.size(), 4);

        c<QPushButton>("closeButton")->click();
        QVERIFY(!ywtjform->isVisible());
        ywtjform->openByGoods();
        QVERIFY(barsOf(barChart()).values.isEmpty());
        QVERIFY(markTexts(barChart()).isEmpty());
        QVERIFY(categoryKey().isEmpty());
        QVERIFY(slicesOf(pieChart()).isEmpty());
        QVERIFY(goodsKey().isEmpty());
    }

    void markText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("whole") << 20.0 << "20";
        QTest::newRow("thousands") << 1234.5 << "1,234.5";
        QTest::newRow("millions, three decimals") << 1234567.125 << "1,234,567.125";
        QTest::newRow("rounded to three decimals") << 2.00049 << "2";
        QTest::newRow("rounded up into a new group") << 999.9996 << "1,000";
        QTest::newRow("negative") << -1234.5 << "-1,234.5";
        QTest::newRow("negative rounding to nothing") << -0.0001 << "0";
    }

    void markText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(storedb::markText(value), text);
    }
};

STORE_TEST_MAIN(TestStatistics)
#include "tst_statistics.moc"
