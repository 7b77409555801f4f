#include "storedb/backoffice.h"

namespace storedb {

QSqlQuery rsglAdministrators(const Db& db) {
    return db.exec(QStringLiteral("ADOQueryrsgl"),
                   QStringList{QStringLiteral("select glyh as 管理员号,glym as 管理员名"),
                               QStringLiteral("from glyb")});
}

QSqlQuery rsglClerks(const Db& db) {
    return db.exec(QStringLiteral("ADOQueryrsgl"),
                   QStringList{QStringLiteral("select shyh as 售货员号,shym as 售货员名"),
                               QStringLiteral("from shyb")});
}

} // namespace storedb
