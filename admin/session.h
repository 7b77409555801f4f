#pragma once

#include "storedb/datamodule.h"

#include <QString>

class QWidget;

// The back office's windows live in namespace admin: the till has classes of
// the same names (StockReportWindow, AboutWindow), and tests link both programs.
namespace admin {

// One running back office's state: its connection and the administrator
// signed on. It knows no window: the windows are made and connected to each
// other by AdminWindows (adminwindows.h), and each is handed the session.
class AdminSession {
  public:
    // Nothing touches the database here: the window set's start() opens it.
    AdminSession();
    ~AdminSession();
    AdminSession(const AdminSession&) = delete;
    AdminSession& operator=(const AdminSession&) = delete;

    // Opens the store link.udl describes, a new one if its file is missing
    // and the administrator wants one; an upgrade shows its progress over
    // `window`. False when that failed: the one message has been shown and a
    // running event loop told to end with exit code 1.
    bool openStore(QWidget* window);
    bool startupFailed() const { return startupFailed_; }

    // The one connection; throws storedb::DbError before it is open.
    storedb::Db& db() const { return data_.db(); }
    bool isConnected() const { return data_.isOpen(); }

    // The administrator signed on for this run, exactly as typed; written as
    // glyh into the movements the back office records. Empty until a sign-on
    // succeeds, then kept for the rest of the run.
    const QString& administrator() const { return administrator_; }
    void administratorSignedOn(const QString& glyh) { administrator_ = glyh; }

  private:
    void failStart();

    storedb::DataModule data_;
    QString administrator_;
    bool startupFailed_ = false;
};

} // namespace admin
