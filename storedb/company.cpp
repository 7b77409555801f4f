#include "storedb/company.h"

#include "storedb/columntext.h"
#include "storedb/errors.h"

#include <QSqlQuery>

namespace storedb {

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
    checkWidth(QStringLiteral("超市名字"), settings.company, 50);
    checkWidth(QStringLiteral("欢迎信息"), settings.welcome, 100);
    if (settings.sl < 0)
        throw InvalidValueError(QStringLiteral("报警库存量必须是大于或等于0的整数！"));
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
