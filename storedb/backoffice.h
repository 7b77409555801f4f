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

} // namespace storedb
