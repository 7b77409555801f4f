#pragma once

#include <QWidget>
#include <optional>

class QSqlQueryModel;

namespace admin {

class AdminSession;
class StockReportWindow;

namespace Ui {
class StockAnalysisWindow;
}

// The stock level analysis: the goods at or below the shop's alarm level,
// lowest stock first, read afresh whenever the window is shown; and their
// printed report.
class StockAnalysisWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StockAnalysisWindow(AdminSession& session, QWidget* parent = nullptr);
    ~StockAnalysisWindow() override;

    // The report the preview button prints the list on.
    void attachReport(StockReportWindow& report);

    // The alarm level read at the last show; none when the store has none.
    std::optional<int> alarmLevel() const { return level_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Handlers
    void readList();
    void previewReport();

    AdminSession& session_;
    StockReportWindow* report_ = nullptr;
    Ui::StockAnalysisWindow* ui = nullptr;
    QSqlQueryModel* model_ = nullptr; // DataSource1
    std::optional<int> level_;
};

} // namespace admin
