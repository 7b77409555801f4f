#pragma once

#include "storedb/datamodule.h"
#include "tillsettings.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

namespace storedb {
class TillLease;
}

// The clerk on duty at this till.
struct Clerk {
    QString shyh;
    QString shym;
};

// One running till's state: its connection, its name, the clerk on duty and
// the last sale. It knows no window: the windows are made and connected to
// each other by TillWindows (tillwindows.h), and each is handed the session.
class TillSession : public QObject {
    Q_OBJECT
  public:
    // Reads this computer's till.ini; the database is opened by the main
    // window's first show.
    TillSession();
    ~TillSession() override;
    TillSession(const TillSession&) = delete;
    TillSession& operator=(const TillSession&) = delete;

    storedb::DataModule& data() { return data_; }
    // Throws DbError before the connection is open.
    storedb::Db& db() const { return data_.db(); }

    // This till's name, read each time the sign-on window opens.
    const QString& terminal() const { return terminal_; }
    void setTerminal(const QString& name) { terminal_ = name; }

    // This computer's till.ini, read once when the till starts.
    const TillSettings& settings() const { return settings_; }

    // Takes this till's name for the rest of the run (storedb::TillLease),
    // before a sign-on writes anything; renews it meanwhile. Throws
    // TillNameHeldError naming the computer whose till holds it.
    void holdTillName();

    const std::optional<Clerk>& clerkOnDuty() const { return clerk_; }
    // A clerk's sign-on has been booked: the main window goes on duty.
    void signedOn(const Clerk& clerk, const QString& shopName);
    // The clerk's shift has been closed.
    void signedOff() {
        clerk_.reset();
        lastSale_.reset();
    }
    // The bill of the shift's last charge, which F10 voids.
    void saleCharged(qint64 bill) { lastSale_ = bill; }
    const std::optional<qint64>& lastSale() const { return lastSale_; }

  signals:
    void clerkSignedOn(const QString& clerkName, const QString& shopName);
    // Another till took this till's name (this one was taken for dead): the
    // clerk's shift has been wound up there. Emitted once, after the action
    // that found it has ended.
    void tillNameLost(const QString& message);

  private:
    void renewTillName();
    void releaseTillName() noexcept;

    mutable storedb::DataModule data_;
    TillSettings settings_;
    QString terminal_;
    std::optional<Clerk> clerk_;
    std::optional<qint64> lastSale_;
    std::unique_ptr<storedb::TillLease> lease_;
    QTimer leaseRenewal_;
};
