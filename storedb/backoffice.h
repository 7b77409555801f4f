#pragma once

// Statements of the back office's windows that are not named operations of
// the store: the lists its windows show, and the tills it registers.

#include "storedb/connection.h"
#include "storedb/errors.h"

#include <QSqlQuery>
#include <optional>

namespace storedb {

// Personnel lists of the back office, each two lines as the grids show them.
// Administrators: 管理员号, 管理员名.
QSqlQuery rsglAdministrators(const Db& db);
// Salesclerks: 售货员号, 售货员名.
QSqlQuery rsglClerks(const Db& db);

// The registered tills: 计算机名, 余额, 状态, in the database's order.
QSqlQuery zcTills(const Db& db);

// The name a till is registered under that equals `jsj` ignoring letter
// case; none when there is none. On SQLite "POS1" and "pos1" would name one
// sale table, so registration and the till's own lookup both go by this one
// rule. An exact match wins over other spellings registered earlier.
std::optional<QString> registeredTillName(const Db& db, const QString& jsj);

// Registers a till ("待机", no clerk, the float ye rounded to one decimal,
// no takings) unless registeredTillName() finds the name already; false
// then, and nothing is written. The name must pass checkTillName()
// (columntext.h) and the float lie between 0 and 99999999.9.
bool registerTill(Db& db, const QString& jsj, double ye);

// The till still holds takings of a shift: removing its row would lose them.
class TillTakingsError : public Error {
    using Error::Error;
};

// Removes a registered till. Refused with TillOnlineError ("该营业端正在营业,
// 不能删除！请等售货员注销后再删除。") while a clerk is signed on at it:
// the shift's takings would have no till row to be booked to; refused with
// TillTakingsError while its row holds takings (yye not 0). False when no
// till bears the name (removed meanwhile); nothing is deleted then.
bool removeTill(Db& db, const QString& jsj);

// Inside a transaction: other writers of the table wait until it ends, so
// that what the transaction has read of the table stays true until its own
// write. SQLite's write transactions hold the whole store already. Tables are
// locked in the order the tills write them (jqb before shyrzb), so that no
// till's transaction can deadlock with the back office's.
void lockAgainstWriters(const Db& db, const QString& table);

} // namespace storedb
