#include "storedb/backoffice.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"

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

bool removeTill(const Db& db, const QString& jsj) {
    const Params params{{QStringLiteral("jsj"), jsj}, {QStringLiteral("zt"), kTillOnline}};
    // One statement decides, so that a sign-on cannot slip in between a check
    // and the delete.
    QSqlQuery removed =
        db.exec(QStringLiteral("delete till"),
                QStringList{QStringLiteral("delete from jqb"),
                            QStringLiteral("where jsj=:jsj and (zt is null or zt<>:zt)")},
                params);
    if (removed.numRowsAffected() > 0)
        return true;
    QSqlQuery online =
        db.exec(QStringLiteral("till online"),
                QStringLiteral("select count(*) from jqb where jsj=:jsj and zt=:zt"), params);
    if (online.next() && online.value(0).toInt() > 0)
        throw TillOnlineError(
            QStringLiteral("该营业端正在营业,不能删除！请等售货员注销后再删除。"));
    return false;
}

} // namespace storedb
