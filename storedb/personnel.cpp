#include "storedb/personnel.h"

#include "storedb/backoffice.h"
#include "storedb/columntext.h"
#include "storedb/numtext.h"
#include "storedb/passwordreset.h"
#include "storedb/procedures.h"

namespace storedb {

namespace {
const QString kGlyh = QStringLiteral("glyh");
const QString kShyh = QStringLiteral("shyh");

int countOf(const Db& db, const QString& name, const QString& sql, const Params& params = {}) {
    QSqlQuery q = db.exec(name, sql, params);
    return q.next() ? q.value(0).toInt() : 0;
}

// The till the clerk works at: signed on there, or with a shift still open
// (at a till removed meanwhile, the shift row is all there is).
std::optional<QString> tillOfClerk(const Db& db, const QString& shyh) {
    QSqlQuery q = db.exec(QStringLiteral("clerk on duty"),
                          QStringList{QStringLiteral("select jsj from jqb where shyh=:shyh"),
                                      QStringLiteral("union"),
                                      QStringLiteral("select jsj from shyrzb where shyh=:shyh "
                                                     "and zxsj is null"),
                                      QStringLiteral("order by 1")},
                          {{kShyh, shyh}});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

// What the clerk's closed, unsettled shifts owe: the rows settlement lists.
double owedByClerk(const Db& db, const QString& shyh) {
    QSqlQuery q = db.exec(QStringLiteral("clerk owes"),
                          QStringList{QStringLiteral("select sum(qye+yye-xye) from shyrzb"),
                                      QStringLiteral("where shyh=:shyh and bj=:bj and "
                                                     "zxsj is not null and qye+yye-xye>0")},
                          {{kShyh, shyh}, {QStringLiteral("bj"), kNotHandedIn}});
    return q.next() ? roundFen(q.value(0).toDouble()) : 0;
}
} // namespace

void updateAdministrator(const Db& db, const QString& glyh, const QString& glym,
                         const QString& mm) {
    checkName(QStringLiteral("管理员名"), glym);
    checkText(QStringLiteral("密码"), mm);
    db.exec(QStringLiteral("modify administrator"),
            QStringLiteral("update glyb set glym=:glym,mm=:mm where glyh=:glyh"),
            {{kGlyh, glyh}, {QStringLiteral("glym"), glym}, {QStringLiteral("mm"), mm}});
}

AdministratorRemoval removeAdministrator(Db& db, const QString& glyh) {
    Transaction transaction(db);
    lockAgainstWriters(db, QStringLiteral("glyb"));
    if (countOf(db, QStringLiteral("administrator"),
                QStringLiteral("select count(*) from glyb where glyh=:glyh"), {{kGlyh, glyh}}) == 0)
        return AdministratorRemoval::Missing;
    if (countOf(db, QStringLiteral("administrators"),
                QStringLiteral("select count(*) from glyb")) <= 1)
        return AdministratorRemoval::LastOne;
    db.exec(QStringLiteral("delete administrator"),
            QStringList{QStringLiteral("delete from glyb "), QStringLiteral("where glyh=:glyh")},
            {{kGlyh, glyh}});
    forgetDueChange(db, Person::Administrator, glyh);
    transaction.commit();
    return AdministratorRemoval::Removed;
}

void renameClerk(const Db& db, const QString& shyh, const QString& shym) {
    checkName(QStringLiteral("售货员名"), shym);
    db.exec(QStringLiteral("modify clerk"),
            QStringLiteral("update shyb set shym=:shym where shyh=:shyh"),
            {{kShyh, shyh}, {QStringLiteral("shym"), shym}});
}

QMap<QString, QString> clerkNames(const Db& db) {
    QSqlQuery q =
        db.exec(QStringLiteral("clerk names"), QStringLiteral("select shyh,shym from shyb"));
    QMap<QString, QString> names;
    while (q.next())
        names.insert(q.value(0).toString(), q.value(1).toString());
    return names;
}

ClerkRemoval removeClerk(Db& db, const QString& shyh) {
    Transaction transaction(db);
    // Sign-on, charging and sign-off write jqb, then shyrzb: they wait here
    // until the clerk is gone or kept.
    lockAgainstWriters(db, QStringLiteral("jqb"));
    lockAgainstWriters(db, QStringLiteral("shyrzb"));
    if (countOf(db, QStringLiteral("clerk"),
                QStringLiteral("select count(*) from shyb where shyh=:shyh"), {{kShyh, shyh}}) == 0)
        return {ClerkRemoval::Missing, {}, 0};
    if (const std::optional<QString> jsj = tillOfClerk(db, shyh))
        return {ClerkRemoval::OnDuty, *jsj, 0};
    if (const double owed = owedByClerk(db, shyh); owed > 0)
        return {ClerkRemoval::Owes, {}, owed};
    db.exec(QStringLiteral("delete clerk"),
            QStringList{QStringLiteral("delete from shyb "), QStringLiteral("where shyh=:shyh")},
            {{kShyh, shyh}});
    forgetDueChange(db, Person::Clerk, shyh);
    transaction.commit();
    return {ClerkRemoval::Removed, {}, 0};
}

} // namespace storedb
