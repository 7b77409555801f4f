#pragma once

#include <QList>
#include <QString>
#include <QWidget>
#include <optional>

class QBarCategoryAxis;
class QBarSeries;
class QChart;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QPieSeries;
class QPieSlice;
class QValueAxis;

namespace formkit {
class RowSetModel;
class WindowReader;
} // namespace formkit

namespace admin {

class AdminSession;

namespace Ui {
class StatisticsWindow;
}

// Business statistics: the turnover of a period as a bar chart per category
// (page 0) or a pie chart per goods item (page 1), each beside a key that
// names what the chart labels by number.
class StatisticsWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StatisticsWindow(AdminSession& session, QWidget* parent = nullptr);
    ~StatisticsWindow() override;

    // Brings the window up on the page (chosen before it shows).
    void openByCategory();
    void openByGoods();
    // The turnover of a statistics run is still being read.
    bool isReading() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // Handlers
    void runCategoryStatistics();
    void runGoodsStatistics();
    void reloadCategoryPicks();

    void setUpBarChart();
    void setUpPieChart();
    void clearResults();
    // The number of the category named in categoryChoice: the picked entry's own
    // while its text stands unchanged, else the first category of that name.
    std::optional<QString> chosenCategory(const QString& hwlbm) const;
    // The bar chart's axes and value marks, after its rows changed.
    void followCategoryTurnover();
    void placeBarMarks();
    void followGoodsSlices(const QList<QPieSlice*>& slices);

    struct BarMark {
        QGraphicsLineItem* arrow = nullptr;
        QGraphicsRectItem* box = nullptr; // holds the value's text
        int bar = 0;
        double value = 0;
    };

    AdminSession& session_;
    Ui::StatisticsWindow* ui = nullptr;
    formkit::RowSetModel* turnoverByCategory_ = nullptr; // ADOQuery1: the bars
    formkit::RowSetModel* categoryKey_ = nullptr;        // ADOQuery2
    formkit::RowSetModel* turnoverByGoods_ = nullptr;    // ADOQuery3: the slices
    formkit::RowSetModel* goodsKey_ = nullptr;           // ADOQuery4
    // A period of a large log takes a while: read beside the window.
    formkit::WindowReader* reader_ = nullptr;
    QChart* barChart_ = nullptr;
    QBarSeries* bars_ = nullptr;
    QBarCategoryAxis* categoryAxis_ = nullptr;
    QValueAxis* turnoverAxis_ = nullptr;
    QList<BarMark> barMarks_;
    QPieSeries* slices_ = nullptr;
};

} // namespace admin
