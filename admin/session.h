#pragma once

#include "storedb/datamodule.h"

#include <QString>
#include <memory>

// The back office's windows live in namespace admin: the till has classes of
// the same names (StockReportWindow, AboutWindow), and tests link both programs.
namespace admin {

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

// One running back office: its connection, the administrator signed on, and
// every window. main() and the tests start the program through this class
// alone, so that both run the same start-up.
class AdminSession {
  public:
    // Sets the application's font and creates every window once, hidden, in
    // the system's order (the main window first). Nothing touches the
    // database here.
    AdminSession();
    ~AdminSession();
    AdminSession(const AdminSession&) = delete;
    AdminSession& operator=(const AdminSession&) = delete;

    // Shows the main window maximised, then opens the store link.udl
    // describes and brings up the login window. False when that failed: the
    // one message has been shown and a running event loop told to end with
    // exit code 1.
    bool start();
    // start(), then the event loop: the program's exit code.
    int run();
    bool startupFailed() const { return startupFailed_; }

    // The one connection; throws storedb::DbError before it is open.
    storedb::Db& db() const { return data_.db(); }
    bool isConnected() const { return data_.isOpen(); }

    // The administrator signed on for this run, exactly as typed; written as
    // glyh into the movements the back office records. Empty until a sign-on
    // succeeds, then kept for the rest of the run.
    const QString& administrator() const { return administrator_; }
    void administratorSignedOn(const QString& glyh) { administrator_ = glyh; }

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
    void openStoreAndAskForSignOn();
    void failStart();

    // Declared first so that it goes last: the windows' lists run on its
    // connection.
    storedb::DataModule data_;
    QString administrator_;
    bool startupFailed_ = false;

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
