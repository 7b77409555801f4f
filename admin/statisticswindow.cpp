#include "statisticswindow.h"

#include "ui_statisticswindow.h"

#include "opening.h"
#include "session.h"

#include "formkit/grid.h"
#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/rowsetmodel.h"
#include "formkit/toolwindow.h"
#include "formkit/windowreader.h"
#include "storedb/catalog.h"
#include "storedb/statistics.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QDateTimeEdit>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QPieSeries>
#include <QPieSlice>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBarModelMapper>
#include <QVPieModelMapper>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace admin {

namespace {

const QString kWrongPeriod = QStringLiteral("请选择正确的时间段！");
const QString kEnterCategoryName = QStringLiteral("请输入商品类别名！");
const QString kNoSuchCategoryName = QStringLiteral("没有这种商品类别名！请重新输入！");
const QList<int> kKeyWidths{40, 60};
constexpr int kBarArrow = 20;
constexpr qreal kSliceArm = 0.08; // about 8 pixels on the pie's radius
constexpr int kTextGap = 6;

// The pickers show and edit the date only, but a period runs between two
// moments: each picker's date at its own time of day, which lies after the
// log's midnight, so that the day before the start date stays out.
const QTime kStartTimeOfDay(13, 57, 13);
const QTime kEndTimeOfDay(13, 57, 16);

QDateTime startOf(const QDateTimeEdit* picker) {
    return QDateTime(picker->date(), kStartTimeOfDay);
}
QDateTime endOf(const QDateTimeEdit* picker) {
    return QDateTime(picker->date(), kEndTimeOfDay);
}

// The key beside a chart: a plain list on the window's menu colour, no
// titles, lines or editing.
void prepareKeyGrid(QTableView* grid) {
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    grid->setShowGrid(false);
    grid->setFrameShape(QFrame::NoFrame);
    QPalette palette = grid->palette();
    palette.setColor(QPalette::Base, QApplication::palette("QMenu").color(QPalette::Window));
    grid->setPalette(palette);
}

// The flat look both charts share: no legend (the key takes its place), no
// rounded or shadowed frame.
QChart* prepareChart(QChartView* view, const QString& title) {
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setBackgroundRoundness(0);
    chart->setDropShadowEnabled(false);
    chart->setPlotAreaBackgroundVisible(false);
    // The chart's own background to the view's edges: no frame around it.
    chart->layout()->setContentsMargins(0, 0, 0, 0);
    // The view lets go of the chart it made for itself without deleting it.
    std::unique_ptr<QChart> own(view->chart());
    view->setChart(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setRubberBand(QChartView::NoRubberBand);
    return chart;
}

QGraphicsSimpleTextItem* addChartText(QChart* chart, const QString& text) {
    auto* item = new QGraphicsSimpleTextItem(text, chart);
    item->setFont(chart->titleFont());
    item->setZValue(100);
    return item;
}

// The chart's foot text, centred under everything else.
void addFootText(QChart* chart, const QString& text) {
    QGraphicsSimpleTextItem* foot = addChartText(chart, text);
    const QRectF box = foot->boundingRect();
    QMargins margins = chart->margins();
    margins.setBottom(int(box.height()) + 2 * kTextGap);
    chart->setMargins(margins);
    const auto place = [chart, foot, box] {
        const QSizeF size = chart->size();
        foot->setPos((size.width() - box.width()) / 2, size.height() - box.height() - kTextGap);
    };
    QObject::connect(chart, &QGraphicsWidget::geometryChanged, chart, place);
    place();
}

// The value axis's title written across, left of the axis labels, half-way
// up the plot: Qt's own axis title runs upwards.
void addAcrossAxisTitle(QChart* chart, QValueAxis* axis, const QString& text) {
    axis->setTitleText(text);
    axis->setTitleVisible(false);
    QGraphicsSimpleTextItem* title = addChartText(chart, text);
    title->setFont(axis->labelsFont());
    const QRectF box = title->boundingRect();
    QMargins margins = chart->margins();
    margins.setLeft(int(box.width()) + 2 * kTextGap);
    chart->setMargins(margins);
    const auto place = [title, box](const QRectF& plot) {
        title->setPos(kTextGap, plot.center().y() - box.height() / 2);
    };
    QObject::connect(chart, &QChart::plotAreaChanged, chart, place);
    place(chart->plotArea());
}

// The slice labels the pie reads from its rows: goods number and turnover.
class LabelledTurnover : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (index.column() != 0 || role != Qt::DisplayRole)
            return QIdentityProxyModel::data(index, role);
        const QVariant turnover = QIdentityProxyModel::data(index.siblingAtColumn(1), role);
        return QIdentityProxyModel::data(index, role).toString() + QLatin1Char(' ') +
               storedb::markText(turnover.toDouble());
    }
};

// The figures a chart shows, with the names its key gives them: number,
// name (empty for one no longer catalogued) and turnover.
storedb::RowSet figures(const formkit::RowSetModel& turnover, const formkit::RowSetModel& key,
                        const QStringList& titles) {
    QHash<QString, QString> names;
    for (const QVariantList& row : key.rowSet().rows)
        names.insert(row.value(0).toString(), row.value(1).toString());
    storedb::RowSet set;
    set.columns = titles;
    for (const QVariantList& row : turnover.rowSet().rows) {
        const QString number = row.value(0).toString();
        set.rows << QVariantList{number, names.value(number), row.value(1)};
    }
    return set;
}

// Red first, then hues far apart, so that neighbouring slices differ.
QColor sliceColour(int index) {
    return QColor::fromHsv(int(std::fmod(index * 137.5, 360.0)), 210, 235);
}

} // namespace

StatisticsWindow::StatisticsWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::StatisticsWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(657, 457));

    turnoverByCategory_ = new formkit::RowSetModel(this);
    categoryKey_ = new formkit::RowSetModel(this);
    turnoverByGoods_ = new formkit::RowSetModel(this);
    goodsKey_ = new formkit::RowSetModel(this);
    reader_ = new formkit::WindowReader(this, QStringLiteral("StatisticsWindow/statistics"));
    prepareKeyGrid(ui->categoryKeyGrid);
    ui->categoryKeyGrid->setModel(categoryKey_);
    prepareKeyGrid(ui->goodsKeyGrid);
    ui->goodsKeyGrid->setModel(goodsKey_);
    setUpBarChart();
    setUpPieChart();
    // Today, rather than the day the window was designed.
    for (QDateTimeEdit* picker :
         {ui->categoryFirstDay, ui->categoryLastDay, ui->goodsFirstDay, ui->goodsLastDay})
        picker->setDate(QDate::currentDate());

    // Each chart's figures leave the window as a list.
    formkit::offerExport(ui->categoryChart, QStringLiteral("商品类别统计"), [this] {
        return figures(
            *turnoverByCategory_, *categoryKey_,
            {QStringLiteral("商品类别号"), QStringLiteral("商品类别名"), QStringLiteral("营业额")});
    })->attachButton(ui->ExportButton1);
    formkit::offerExport(ui->goodsChart, QStringLiteral("具体商品统计"), [this] {
        return figures(
            *turnoverByGoods_, *goodsKey_,
            {QStringLiteral("商品号"), QStringLiteral("商品名"), QStringLiteral("营业额")});
    })->attachButton(ui->ExportButton2);

    formkit::onClick(ui->categoryStatisticsButton, this, &StatisticsWindow::runCategoryStatistics);
    // A pick from the list must not become a new entry, nor a typed name be
    // completed into another category's.
    ui->categoryChoice->setInsertPolicy(QComboBox::NoInsert);
    ui->categoryChoice->setCompleter(nullptr);
    formkit::onClick(ui->limitToCategory, this, &StatisticsWindow::reloadCategoryPicks);
    formkit::onClick(ui->goodsStatisticsButton, this, &StatisticsWindow::runGoodsStatistics);
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

StatisticsWindow::~StatisticsWindow() {
    delete ui;
}

void StatisticsWindow::openByCategory() {
    selectPageQuietly(ui->pages, 0);
    bringUp(*this);
}

void StatisticsWindow::openByGoods() {
    selectPageQuietly(ui->pages, 1);
    bringUp(*this);
}

bool StatisticsWindow::isReading() const {
    return reader_->isReading();
}

void StatisticsWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window brought back from the task bar is not shown afresh.
    if (!event->spontaneous())
        clearResults();
}

void StatisticsWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        reader_->abandon();
}

void StatisticsWindow::clearResults() {
    reader_->abandon();
    turnoverByCategory_->clear();
    categoryKey_->clear();
    turnoverByGoods_->clear();
    goodsKey_->clear();
}

// ---------------------------------------------------------------------------
// Turnover per category

void StatisticsWindow::setUpBarChart() {
    barChart_ = prepareChart(ui->categoryChart, QStringLiteral("商品类别统计"));
    bars_ = new QBarSeries(barChart_);
    bars_->setBarWidth(0.6);
    // One bar set, made from the turnover column, one bar per row: equal
    // turnovers still stand side by side.
    auto* mapper = new QVBarModelMapper(this);
    mapper->setFirstBarSetColumn(1);
    mapper->setLastBarSetColumn(1);
    mapper->setSeries(bars_);
    mapper->setModel(turnoverByCategory_);
    connect(bars_, &QBarSeries::barsetsAdded, this, [](const QList<QBarSet*>& sets) {
        for (QBarSet* set : sets) {
            set->setColor(Qt::red);
            set->setBorderColor(Qt::black);
        }
    });
    barChart_->addSeries(bars_);

    categoryAxis_ = new QBarCategoryAxis(barChart_);
    turnoverAxis_ = new QValueAxis(barChart_);
    turnoverAxis_->setLabelFormat(QStringLiteral("%.10g"));
    barChart_->addAxis(categoryAxis_, Qt::AlignBottom);
    barChart_->addAxis(turnoverAxis_, Qt::AlignLeft);
    bars_->attachAxis(categoryAxis_);
    bars_->attachAxis(turnoverAxis_);
    addAcrossAxisTitle(barChart_, turnoverAxis_, QStringLiteral("营业额"));
    addFootText(barChart_, QStringLiteral("商品类别号"));

    // After the mapper, which connected first, has rebuilt the bars.
    connect(turnoverByCategory_, &QAbstractItemModel::modelReset, this,
            &StatisticsWindow::followCategoryTurnover);
    connect(turnoverByCategory_, &QAbstractItemModel::rowsInserted, this,
            &StatisticsWindow::followCategoryTurnover);
    connect(barChart_, &QChart::plotAreaChanged, this, &StatisticsWindow::placeBarMarks);
    followCategoryTurnover();
}

void StatisticsWindow::followCategoryTurnover() {
    QStringList labels;
    double lowest = 0;
    double highest = 0;
    for (const BarMark& mark : std::as_const(barMarks_)) {
        delete mark.arrow;
        delete mark.box;
    }
    barMarks_.clear();
    for (int row = 0; row < turnoverByCategory_->rowCount(); ++row) {
        labels << turnoverByCategory_->index(row, 0).data().toString();
        const double value = turnoverByCategory_->index(row, 1).data().toDouble();
        lowest = std::min(lowest, value);
        highest = std::max(highest, value);

        auto* box = new QGraphicsRectItem(barChart_);
        auto* text = new QGraphicsSimpleTextItem(storedb::markText(value), box);
        text->setFont(turnoverAxis_->labelsFont());
        box->setRect(text->boundingRect().adjusted(-3, -1, 3, 1));
        box->setBrush(QColor(255, 255, 225));
        box->setPen(QPen(Qt::gray));
        box->setZValue(100);
        auto* arrow = new QGraphicsLineItem(barChart_);
        arrow->setPen(QPen(Qt::black));
        arrow->setZValue(100);
        barMarks_.append({arrow, box, row, value});
    }
    categoryAxis_->setCategories(labels);
    // Room above the highest bar for its mark.
    turnoverAxis_->setRange(lowest * 1.3, highest > 0 ? highest * 1.3 : 1);
    turnoverAxis_->applyNiceNumbers();
    placeBarMarks();
}

void StatisticsWindow::placeBarMarks() {
    // With many categories the marks would cover one another: from the
    // highest bar (on the right) down, a mark that would overlap the one
    // shown beside it is left out; its value stays readable from the axis.
    qreal leftOfShown = std::numeric_limits<qreal>::max();
    for (auto mark = barMarks_.crbegin(); mark != barMarks_.crend(); ++mark) {
        const QPointF end = barChart_->mapToPosition(QPointF(mark->bar, mark->value), bars_);
        const QPointF tip = end - QPointF(0, kBarArrow);
        mark->arrow->setLine(QLineF(end, tip));
        const QRectF box = mark->box->rect();
        // Kept inside the chart: the highest bar stands at its right edge.
        QPointF at = tip - QPointF(box.center().x(), box.bottom());
        at.setX(std::min(at.x(), barChart_->size().width() - box.right() - 2));
        mark->box->setPos(at);
        const qreal right = mark->box->pos().x() + box.right();
        const bool room = right + 2 <= leftOfShown;
        mark->box->setVisible(room);
        mark->arrow->setVisible(room);
        if (room)
            leftOfShown = mark->box->pos().x() + box.left();
    }
}

void StatisticsWindow::runCategoryStatistics() {
    const QDateTime start = startOf(ui->categoryFirstDay);
    const QDateTime end = endOf(ui->categoryLastDay);
    if (end < start) {
        formkit::showMessage(kWrongPeriod);
        return;
    }
    const storedb::Period period = storedb::pickedPeriod(start, end);
    turnoverByCategory_->clear();
    categoryKey_->clear();
    reader_->read({[period](const storedb::Db& db) {
                       QSqlQuery rows = storedb::categoryTurnover(db, period);
                       return storedb::readRows(rows);
                   },
                   [period](const storedb::Db& db) {
                       QSqlQuery rows = storedb::categoryKey(db, period);
                       return storedb::readRows(rows);
                   }},
                  [this](const QList<storedb::RowSet>& rows) {
                      turnoverByCategory_->setRows(rows.at(0));
                      categoryKey_->setRows(rows.at(1));
                      formkit::layoutGrid(ui->categoryKeyGrid, kKeyWidths);
                  });
}

// ---------------------------------------------------------------------------
// Turnover per goods item

void StatisticsWindow::setUpPieChart() {
    QChart* chart = prepareChart(ui->goodsChart, QStringLiteral("具体商品统计"));
    slices_ = new QPieSeries(chart);
    slices_->setPieSize(0.6);
    auto* labelled = new LabelledTurnover(this);
    labelled->setSourceModel(turnoverByGoods_);
    auto* mapper = new QVPieModelMapper(this);
    mapper->setLabelsColumn(0);
    mapper->setValuesColumn(1);
    mapper->setSeries(slices_);
    mapper->setModel(labelled);
    connect(slices_, &QPieSeries::added, this, &StatisticsWindow::followGoodsSlices);
    chart->addSeries(slices_);
    addFootText(chart, QStringLiteral("商品号"));
}

void StatisticsWindow::followGoodsSlices(const QList<QPieSlice*>& slices) {
    for (QPieSlice* slice : slices) {
        slice->setColor(sliceColour(int(slices_->slices().indexOf(slice))));
        slice->setBorderColor(Qt::black);
        slice->setLabelVisible(true);
        slice->setLabelArmLengthFactor(kSliceArm);
    }
}

void StatisticsWindow::reloadCategoryPicks() {
    const QList<storedb::Category> categories = storedb::categories(session_.db());
    const QString typed = ui->categoryChoice->currentText();
    const QSignalBlocker quiet(ui->categoryChoice);
    ui->categoryChoice->clear();
    // Each entry keeps its number: two categories may bear one name.
    for (const storedb::Category& c : categories)
        ui->categoryChoice->addItem(c.hwlbm, c.hwlbh);
    ui->categoryChoice->setCurrentIndex(-1);
    ui->categoryChoice->setEditText(typed);
}

std::optional<QString> StatisticsWindow::chosenCategory(const QString& hwlbm) const {
    const int picked = ui->categoryChoice->currentIndex();
    if (picked >= 0 && ui->categoryChoice->itemText(picked) == hwlbm) {
        const QString hwlbh = ui->categoryChoice->itemData(picked).toString();
        // Unless renamed or deleted since the list was read.
        if (storedb::categoryNameOf(session_.db(), hwlbh) == hwlbm)
            return hwlbh;
    }
    return storedb::categoryNumberOf(session_.db(), hwlbm);
}

void StatisticsWindow::runGoodsStatistics() {
    const QDateTime start = startOf(ui->goodsFirstDay);
    const QDateTime end = endOf(ui->goodsLastDay);
    if (end < start) {
        formkit::showMessage(kWrongPeriod);
        return;
    }
    std::optional<QString> hwlbh;
    if (ui->limitToCategory->isChecked()) {
        const QString hwlbm = ui->categoryChoice->currentText();
        if (hwlbm.isEmpty()) {
            formkit::showMessage(kEnterCategoryName);
            return;
        }
        hwlbh = chosenCategory(hwlbm);
        if (!hwlbh) {
            formkit::showMessage(kNoSuchCategoryName);
            ui->categoryChoice->setFocus();
            ui->categoryChoice->lineEdit()->selectAll();
            return;
        }
    }
    const storedb::Period period = storedb::pickedPeriod(start, end);
    turnoverByGoods_->clear();
    goodsKey_->clear();
    reader_->read({[period, hwlbh](const storedb::Db& db) {
                       QSqlQuery rows = storedb::goodsTurnover(db, period, hwlbh);
                       return storedb::readRows(rows);
                   },
                   [period, hwlbh](const storedb::Db& db) {
                       QSqlQuery rows = storedb::goodsKey(db, period, hwlbh);
                       return storedb::readRows(rows);
                   }},
                  [this](const QList<storedb::RowSet>& rows) {
                      turnoverByGoods_->setRows(rows.at(0));
                      goodsKey_->setRows(rows.at(1));
                      formkit::layoutGrid(ui->goodsKeyGrid, kKeyWidths);
                  });
}

} // namespace admin
