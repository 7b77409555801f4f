#pragma once

#include <memory>

namespace admin {

class AdminSession;
class MainWindow;
class StockWindow;
class GoodsConfigWindow;
class PersonnelWindow;
class SettlementWindow;
class CorrectionWindow;
class AboutWindow;
class SalesQueryWindow;
class PurchaseQueryWindow;
class TillRegistrationWindow;
class MonitorWindow;
class StatisticsWindow;
class AnalysisProgressWindow;
class StockAnalysisWindow;
class StockReportWindow;
class ProfitWindow;
class LoginWindow;
class ReturnListWindow;
class DayReportWindow;
class BackupWindow;

// The back office's windows, and the one place that connects them to each
// other: every window lives for the whole run, the login window from the
// start on. main() and the tests start the program the same way: an
// AdminSession, then its AdminWindows, then start().
class AdminWindows {
  public:
    // Sets the application's font and creates every window once, hidden, in
    // the system's order (the main window first). Nothing touches the
    // database here.
    explicit AdminWindows(AdminSession& session);
    // The windows go in the reverse order of their making, the login window
    // first, and all of them before the session's connection their lists
    // run on.
    ~AdminWindows();
    AdminWindows(const AdminWindows&) = delete;
    AdminWindows& operator=(const AdminWindows&) = delete;

    // Shows the main window maximised, then opens the store link.udl
    // describes and brings up the login window. False when that failed: the
    // one message has been shown and a running event loop told to end with
    // exit code 1.
    bool start();

    MainWindow& mainWindow() const { return *main_; }
    StockWindow& stockWindow() const { return *stock_; }
    GoodsConfigWindow& configurationWindow() const { return *goodsConfig_; }
    PersonnelWindow& personnelWindow() const { return *personnel_; }
    SettlementWindow& settlementWindow() const { return *settlement_; }
    CorrectionWindow& correctionWindow() const { return *correction_; }
    AboutWindow& aboutWindow() const { return *about_; }
    SalesQueryWindow& salesQueryWindow() const { return *salesQuery_; }
    PurchaseQueryWindow& purchaseQueryWindow() const { return *purchaseQuery_; }
    TillRegistrationWindow& registrationWindow() const { return *registration_; }
    MonitorWindow& monitorWindow() const { return *monitor_; }
    StatisticsWindow& statisticsWindow() const { return *statistics_; }
    AnalysisProgressWindow& analysisProgressWindow() const { return *analysisProgress_; }
    StockAnalysisWindow& analysisWindow() const { return *analysis_; }
    StockReportWindow& reportWindow() const { return *stockReport_; }
    ProfitWindow& profitWindow() const { return *profit_; }
    ReturnListWindow& returnListWindow() const { return *returnList_; }
    DayReportWindow& dayReportWindow() const { return *dayReport_; }
    BackupWindow& backupWindow() const { return *backup_; }
    // Created by start(); null before it.
    LoginWindow* loginWindow() const { return login_.get(); }

  private:
    void connectWindows();

    AdminSession& session_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<StockWindow> stock_;
    std::unique_ptr<GoodsConfigWindow> goodsConfig_;
    std::unique_ptr<PersonnelWindow> personnel_;
    std::unique_ptr<SettlementWindow> settlement_;
    std::unique_ptr<CorrectionWindow> correction_;
    std::unique_ptr<AboutWindow> about_;
    std::unique_ptr<SalesQueryWindow> salesQuery_;
    std::unique_ptr<PurchaseQueryWindow> purchaseQuery_;
    std::unique_ptr<TillRegistrationWindow> registration_;
    std::unique_ptr<MonitorWindow> monitor_;
    std::unique_ptr<StatisticsWindow> statistics_;
    std::unique_ptr<AnalysisProgressWindow> analysisProgress_;
    std::unique_ptr<StockAnalysisWindow> analysis_;
    std::unique_ptr<StockReportWindow> stockReport_;
    std::unique_ptr<ProfitWindow> profit_;
    std::unique_ptr<ReturnListWindow> returnList_;
    std::unique_ptr<DayReportWindow> dayReport_;
    std::unique_ptr<BackupWindow> backup_;
    std::unique_ptr<LoginWindow> login_;
};

} // namespace admin
