#pragma once

// Statements of the back office's windows that are not named operations of
// the store: the lists its windows show.

#include "storedb/connection.h"

#include <QSqlQuery>

namespace storedb {

// Personnel lists of the back office, each two lines as the grids show them.
// Administrators: 管理员号, 管理员名.
QSqlQuery rsglAdministrators(const Db& db);
// Salesclerks: 售货员号, 售货员名.
QSqlQuery rsglClerks(const Db& db);

// Removes a registered till. Refused with TillOnlineError ("该营业端正在营业,
// 不能删除！请等售货员注销后再删除。") while a clerk is signed on at it:
// the shift's takings would have no till row to be booked to. False when no
// till bears the name (removed meanwhile); nothing is deleted then.
// Registering a till checks its name with checkTillName() (columntext.h).
bool removeTill(const Db& db, const QString& jsj);

} // namespace storedb
