#pragma once

// One running till per till name.
//
// A till holds its name while it runs: towards the programs of its own
// computer through a lock file, which the system frees the moment the process
// dies, and towards other computers through a lease row (tilllease) that it
// renews every kRenewSeconds. A name may be taken over only when its holder is
// gone: on this computer when the lock file is free, elsewhere when nobody has
// renewed the lease for kExpirySeconds. The till that takes it winds the old
// shift up at sign-on.

#include "storedb/background.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLockFile;

namespace storedb {

class Db;
struct DataLink;

class TillLease {
  public:
    static constexpr int kRenewSeconds = 30;
    static constexpr int kExpirySeconds = 90;

    // store tells this store from others on this computer (storeIdentity):
    // two stores may each have a till of the same name.
    TillLease(const QString& store, const QString& jsj);
    ~TillLease();
    TillLease(const TillLease&) = delete;
    TillLease& operator=(const TillLease&) = delete;

    const QString& jsj() const { return jsj_; }
    bool held() const { return held_; }

    // Takes the name in a transaction of its own, or throws TillNameHeldError
    // naming the computer whose till holds it. Taking a name this till holds
    // renews it.
    void take(Db& db);
    // Renews the lease inside the caller's transaction, if any. When another
    // till has taken the name, writes nothing, calls the lost handler and
    // throws TillLeaseLostError.
    void confirm(const Db& db) const;
    // Gives the name up, row and lock file. Never throws.
    void release(Db& db) noexcept;

    // Told once the name is found taken, with what the clerk is to read.
    void onLost(std::function<void(const QString& message)> handler) {
        lostHandler_ = std::move(handler);
    }

  private:
    QString holderMessage(const QString& computer) const;

    QString jsj_;
    QString token_;
    QString machine_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
    std::function<void(const QString&)> lostHandler_;
};

// What names the store a link leads to, the same for every program of this
// computer that uses it.
QString storeIdentity(const DataLink& link);

// The tills on duty (jqb.zt 在线) that have lost contact: nobody has renewed
// their lease for TillLease::kExpirySeconds, or none holds one. Sorted.
QStringList tillsOutOfContact(const Db& db);

// What the back office shows as the state of a till out of contact.
inline const QString kTillOutOfContact = QStringLiteral("失去联系");
// Rows of tills as a back-office list reads them, with the state of those out
// of contact shown as kTillOutOfContact.
void markTillsOutOfContact(const Db& db, RowSet& rows, int nameColumn, int stateColumn);

// Inside the caller's transaction, before anything of the till is read: takes
// the name from a till that has lost contact, for the back office to wind its
// shift up. A till renewing meanwhile waits, and then finds the name taken
// (TillLease::confirm says the back office ended its shift); a till started
// anew takes the name at once. Throws TillInContactError while the lease is
// fresh, having written nothing.
void takeOverLostTill(const Db& db, const QString& jsj, const QString& glyh);

// Confirms the lease the connection's till works under (Db::tillLease), when
// it has one for this till: every change of a till's shift and sale runs it
// first, in its transaction. Tools and tests that work a till's tables
// directly have no lease.
void confirmTillLease(const Db& db, const QString& jsj);

} // namespace storedb
