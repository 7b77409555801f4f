#pragma once

// Administrators and salesclerks as the personnel window keeps them. Adding
// people is insertAdministrator/insertClerk (procedures.h); the existence
// checks are glydl/shydl. Removals that must not leave the store unusable
// decide and delete in one transaction.

#include "storedb/connection.h"

#include <QMap>
#include <QString>

namespace storedb {

// The administrator's name and password; the password checks are the
// window's. The name must be normalized (columntext.h), the password pass
// checkText (InvalidValueError).
void updateAdministrator(const Db& db, const QString& glyh, const QString& glym, const QString& mm);

enum class AdministratorRemoval {
    Removed,
    Missing, // no such administrator (removed meanwhile)
    LastOne  // the only administrator left: nobody could sign on to the back office again
};
// Deletes the administrator (and a password change still due) unless it is
// the last one. Two back offices deleting the last two at once cannot both
// succeed.
AdministratorRemoval removeAdministrator(Db& db, const QString& glyh);

// The clerk's name; the password stays. The name must be normalized.
void renameClerk(const Db& db, const QString& shyh, const QString& shym);

// Every clerk's name by number, for reports that list clerks by number.
QMap<QString, QString> clerkNames(const Db& db);

struct ClerkRemoval {
    enum Result {
        Removed,
        Missing, // no such clerk
        OnDuty,  // signed on at a till, or a shift of the clerk's is still open
        Owes     // closed shifts not yet settled ("未交" with something to hand in)
    };
    Result result = Removed;
    QString jsj;     // OnDuty: the till
    double owed = 0; // Owes: the sum owed, rounded to the fen
};
// Deletes the clerk (and a password change still due) unless a shift would
// be left without its clerk: one under way, or one owing money, which
// settlement finds by the clerk's number (and which would pass to whoever
// gets the number next). A till cannot sign on or close a shift between the
// check and the delete.
ClerkRemoval removeClerk(Db& db, const QString& shyh);

} // namespace storedb
