#pragma once

// Password resets: an administrator (or storetool, for a shop where nobody
// can sign on any more) sets a person's password; the person must choose a
// new one at the next sign-on before working. Each reset is recorded in
// passwordreset; who still owes the change is in passwordchangedue.

#include "storedb/connection.h"

#include <QDateTime>
#include <QString>

namespace storedb {

enum class Person { Administrator, Clerk };

// passwordreset.kind and passwordchangedue.kind: "管理员" or "售货员".
QString personKind(Person person);

// The program storetool's reset is recorded under (no administrator).
inline const QString kResetByTool = QStringLiteral("storetool");
inline const QString kResetByBackOffice = QStringLiteral("tavo_admin");

// Who resets: the administrator signed on in the back office, or the tool.
struct Resetter {
    QString program; // kResetByBackOffice or kResetByTool
    QString glyh;    // empty for the tool
};

// Sets the password, marks the change as due and records the reset, in one
// transaction. False (nothing written) when there is no such person. The
// password must pass checkText (InvalidValueError).
bool resetPassword(Db& db, Person person, const QString& number, const QString& mm,
                   const Resetter& by, const QDateTime& when);

// Whether the person must choose a new password before working.
bool passwordChangeDue(const Db& db, Person person, const QString& number);

enum class PasswordChange {
    Changed,
    Missing,       // no such person (removed meanwhile)
    WrongPassword, // the old password is not (or no longer) the stored one
    Unchanged      // a change is due and the new password is the reset one
};
// The person's own change of password: the old one proven, the new one set
// and a due change cleared, in one transaction. A reset made meanwhile by
// someone else is never overwritten (WrongPassword). The new password must
// pass checkText.
PasswordChange changeOwnPassword(Db& db, Person person, const QString& number,
                                 const QString& oldPassword, const QString& newPassword);

// Inside the transaction that removes the person: a number given to somebody
// else later starts without the removed person's due change.
void forgetDueChange(const Db& db, Person person, const QString& number);

// A random password that reads and types without doubt (no 0/O, 1/l/I):
// two groups of four lower-case letters and digits, e.g. "k7dm-p3xa".
QString oneTimePassword();

} // namespace storedb
