#include "storedb/backoffice.h"

#include "storedb/numtext.h"
#include "storedb/procedures.h"

namespace storedb {

namespace {
const QString kJsj = QStringLiteral("jsj");
} // namespace

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

QSqlQuery zcTills(const Db& db) {
    return db.exec(QStringLiteral("ADOQueryzc"),
                   QStringList{QStringLiteral("select jsj as 计算机名,ye as 余额,zt as 状态"),
                               QStringLiteral("from jqb")});
}

std::optional<QString> registeredTillName(const Db& db, const QString& jsj) {
    // Compared here rather than with the engines' lower(), which fold
    // different sets of letters: the rule is the same on every engine.
    QSqlQuery q = db.exec(QStringLiteral("registered till"),
                          QStringLiteral("select jsj from jqb order by jsj"));
    std::optional<QString> found;
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name == jsj)
            return name;
        if (!found && name.compare(jsj, Qt::CaseInsensitive) == 0)
            found = name;
    }
    return found;
}

bool registerTill(Db& db, const QString& jsj, double ye) {
    Transaction transaction(db);
    // Another back office registering the same name in another spelling
    // waits here.
    lockAgainstWriters(db, QStringLiteral("jqb"));
    if (registeredTillName(db, jsj))
        return false;
    jsjzc(db, jsj, QVariant(), ye, 0, kTillStandby);
    transaction.commit();
    return true;
}

bool removeTill(Db& db, const QString& jsj) {
    Transaction transaction(db);
    // A sign-on or a charge cannot slip in between the look and the delete.
    lockAgainstWriters(db, QStringLiteral("jqb"));
    QSqlQuery till =
        db.exec(QStringLiteral("till to remove"),
                QStringLiteral("select zt,yye from jqb where jsj=:jsj"), {{kJsj, jsj}});
    if (!till.next())
        return false;
    if (till.value(0).toString() == kTillOnline)
        throw TillOnlineError(
            QStringLiteral("该营业端正在营业,不能删除！请等售货员注销后再删除。"));
    const double yye = roundFen(till.value(1).toDouble());
    if (yye != 0)
        throw TillTakingsError(
            QStringLiteral(
                "该营业端还有 %1 元营业额没有结账,不能删除！请在该营业端登录并注销后再删除。")
                .arg(numberText(yye)));
    till.finish();
    db.exec(QStringLiteral("ADOQuery1"),
            QStringList{QStringLiteral("delete from jqb"), QStringLiteral("where jsj=:jsj")},
            {{kJsj, jsj}});
    transaction.commit();
    return true;
}

void lockAgainstWriters(const Db& db, const QString& table) {
    if (db.isSQLite())
        return;
    // Conflicts with every insert, update and delete and with itself, not
    // with readers: a till signing on waits a moment, a report does not.
    db.exec(QStringLiteral("lock %1").arg(table),
            QStringLiteral("lock table %1 in share row exclusive mode")
                .arg(Db::quoteIdentifier(table)));
}

} // namespace storedb
