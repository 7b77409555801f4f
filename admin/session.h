#pragma once

#include "storedb/datamodule.h"

#include <QString>
#include <memory>

// The back office's windows live in namespace admin: the till has classes of
// the same names (Tdyform, Thelpform), and tests link both programs.
namespace admin {

class Tmain;
class TspglForm;
class TsppzForm;
class TrsglForm;
class TyyejsForm;
class TspxgForm;
class Thelpform;
class TspckcxForm;
class TsprhcxForm;
class Tzcform;
class Tjkform;
class Tywtjform;
class Tfxform;
class Tfx1form;
class Tdyform;
class Tylform;
class TdlForm;
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

    Tmain& mainWindow() const { return *main_; }
    TspglForm& stockWindow() const { return *spgl_; }
    TsppzForm& configurationWindow() const { return *sppz_; }
    TrsglForm& personnelWindow() const { return *rsgl_; }
    TyyejsForm& settlementWindow() const { return *yyejs_; }
    TspxgForm& correctionWindow() const { return *spxg_; }
    Thelpform& aboutWindow() const { return *help_; }
    TspckcxForm& salesQueryWindow() const { return *spckcx_; }
    TsprhcxForm& incomingQueryWindow() const { return *sprhcx_; }
    Tzcform& registrationWindow() const { return *zc_; }
    Tjkform& monitorWindow() const { return *jk_; }
    Tywtjform& statisticsWindow() const { return *ywtj_; }
    Tfxform& analysisProgressWindow() const { return *fx_; }
    Tfx1form& analysisWindow() const { return *fx1_; }
    Tdyform& reportWindow() const { return *dy_; }
    Tylform& profitWindow() const { return *yl_; }
    ReturnListWindow& returnListWindow() const { return *returnList_; }
    DayReportWindow& dayReportWindow() const { return *dayReport_; }
    BackupWindow& backupWindow() const { return *backup_; }
    // Created by start(); null before it.
    TdlForm* loginWindow() const { return login_.get(); }

  private:
    void openStoreAndAskForSignOn();
    void failStart();

    // Declared first so that it goes last: the windows' lists run on its
    // connection.
    storedb::DataModule data_;
    QString administrator_;
    bool startupFailed_ = false;

    std::unique_ptr<Tmain> main_;
    std::unique_ptr<TspglForm> spgl_;
    std::unique_ptr<TsppzForm> sppz_;
    std::unique_ptr<TrsglForm> rsgl_;
    std::unique_ptr<TyyejsForm> yyejs_;
    std::unique_ptr<TspxgForm> spxg_;
    std::unique_ptr<Thelpform> help_;
    std::unique_ptr<TspckcxForm> spckcx_;
    std::unique_ptr<TsprhcxForm> sprhcx_;
    std::unique_ptr<Tzcform> zc_;
    std::unique_ptr<Tjkform> jk_;
    std::unique_ptr<Tywtjform> ywtj_;
    std::unique_ptr<Tfxform> fx_;
    std::unique_ptr<Tfx1form> fx1_;
    std::unique_ptr<Tdyform> dy_;
    std::unique_ptr<Tylform> yl_;
    std::unique_ptr<ReturnListWindow> returnList_;
    std::unique_ptr<DayReportWindow> dayReport_;
    std::unique_ptr<BackupWindow> backup_;
    std::unique_ptr<TdlForm> login_;
};

} // namespace admin
