#include "storedb/company.h"

#include "storedb/errors.h"

#include <QSqlQuery>

namespace storedb {

namespace {
// Characters as the server counts them for varchar(n).
int characters(const QString& text) {
    return int(text.toUcs4().size());
}

void checkWidth(const QString& column, const QString& text, int width) {
    if (characters(text) > width)
        throw DbError(QStringLiteral("%1: 不能超过 %2 个字符").arg(column).arg(width));
}
} // namespace

ShopSettings loadShopSettings(const Db& db) {
    QSqlQuery q =
        db.exec(QStringLiteral("company"),
                QStringLiteral("select company,welcome,sl,accountnum from company limit 1"));
    ShopSettings settings;
    if (q.next()) {
        settings.company = q.value(0).toString();
        settings.welcome = q.value(1).toString();
        settings.sl = q.value(2).toInt();
        settings.accountnum = q.value(3).toLongLong();
    }
    return settings;
}

void saveShopSettings(Db& db, const ShopSettings& settings) {
    checkWidth(QStringLiteral("company"), settings.company, 50);
    checkWidth(QStringLiteral("welcome"), settings.welcome, 100);
    const Params params{{QStringLiteral("company"), settings.company},
                        {QStringLiteral("welcome"), settings.welcome},
                        {QStringLiteral("sl"), settings.sl}};
    Transaction transaction(db);
    // The table is meant to hold one row; should it ever hold more, they all
    // carry the same settings, so whichever a reader takes first is right.
    QSqlQuery update = db.exec(
        QStringLiteral("company"),
        QStringLiteral("update company set company=:company,welcome=:welcome,sl=:sl"), params);
    if (update.numRowsAffected() <= 0) {
        db.exec(QStringLiteral("company"),
                QStringLiteral("insert into company(company,welcome,sl,accountnum) "
                               "values(:company,:welcome,:sl,0)"),
                params);
    }
    transaction.commit();
}

} // namespace storedb
