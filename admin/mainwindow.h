#pragma once

#include <QList>
#include <QMainWindow>
#include <optional>

class QAction;
class QLabel;
class QTimer;
class QToolButton;

namespace formkit {
class HintWatcher;
}

namespace admin {

class AdminSession;
class AboutWindow;
class AnalysisProgressWindow;
class BackupWindow;
class CorrectionWindow;
class DayReportWindow;
class GoodsConfigWindow;
class MonitorWindow;
class PersonnelWindow;
class ProfitWindow;
class PurchaseQueryWindow;
class ReturnListWindow;
class SalesQueryWindow;
class SettlementWindow;
class StatisticsWindow;
class StockWindow;
class TillRegistrationWindow;

namespace Ui {
class MainWindow;
}

// The back office's main window: menu, tool bar, status bar, and the opening
// of every function window. Business functions stay locked until an
// administrator signs on.
class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit MainWindow(AdminSession& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The windows the menu entries and tool buttons open.
    struct ToolWindows {
        StockWindow& stock;
        CorrectionWindow& correction;
        SettlementWindow& settlement;
        ProfitWindow& profit;
        PurchaseQueryWindow& purchaseQuery;
        SalesQueryWindow& salesQuery;
        ReturnListWindow& returnList;
        BackupWindow& backup;
        DayReportWindow& dayReport;
        AnalysisProgressWindow& analysisProgress;
        StatisticsWindow& statistics;
        PersonnelWindow& personnel;
        GoodsConfigWindow& configuration;
        TillRegistrationWindow& registration;
        MonitorWindow& monitor;
        AboutWindow& about;
    };
    // Given once, before the window is first shown.
    void attachToolWindows(const ToolWindows& windows);

    // The main window's own hint, shown while the pointer rests on its area.
    QString statusText() const;

    // The login window's success: the status text names the administrator
    // and the locked functions open for the rest of the run.
    void administratorSignedOn(const QString& glym);
    // The stock window is gone: both of its menu entries work again (opening
    // one mode disabled the other's).
    void stockWindowClosed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    void buildStatusBar();
    void nameMenuEntries();
    void connectHandlers();
    QList<QAction*> lockedMenus() const;
    QList<QToolButton*> lockedToolButtons() const;
    void setLockedFunctionsEnabled(bool enabled);
    void showClock();

    // Menu entries and tool buttons
    void openStockIn();
    void openStockOut();
    void openMovementCorrection();
    void openPriceChange();
    void openCorrectionAsLeft();
    void openSettlement();
    void openProfitEstimate();
    void openIncomingByGoods();
    void openIncomingByCategory();
    void openIncomingQueryAsLeft();
    void openSalesByGoods();
    void openSalesByCategory();
    void openSalesQueryAsLeft();
    void openReturnList();
    void openBackup();
    void showLastBackup(const QDateTime& when);
    void openDayReport();
    void openStockAnalysis();
    void openStatisticsByCategory();
    void openStatisticsByGoods();
    void openAdministrators();
    void openClerks();
    void openCategoryConfiguration();
    void openGoodsConfiguration();
    void openShopSettings();
    void openTerminalRegistration();
    void openMonitoring();
    void openAbout();
    void exitProgram();

    AdminSession& session_;
    std::optional<ToolWindows> windows_;
    Ui::MainWindow* ui = nullptr;
    QLabel* hintPanel_ = nullptr;   // the status bar's left panel: the current hint
    QLabel* clockPanel_ = nullptr;  // its right panel: the clock
    QLabel* backupPanel_ = nullptr; // the time of the last backup, once signed on
    QTimer* clockTimer_ = nullptr;
    formkit::HintWatcher* hints_ = nullptr;
};

} // namespace admin
