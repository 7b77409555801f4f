#include "storedb/catalog.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"

namespace storedb {

namespace {
const QString kHwh = QStringLiteral("hwh");
const QString kHwlbh = QStringLiteral("hwlbh");
const QString kHwlbm = QStringLiteral("hwlbm");

std::optional<QString> firstText(QSqlQuery query) {
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

// Characters as the server counts them for varchar(n).
int characters(const QString& text) {
    return int(text.toUcs4().size());
}

void checkWidth(const QString& column, const QString& text, int width) {
    if (characters(text) > width)
        throw DbError(QStringLiteral("%1: 不能超过 %2 个字符").arg(column).arg(width));
}
} // namespace

QList<Category> categories(const Db& db) {
    QSqlQuery q = db.exec(QStringLiteral("hwlbpzb"),
                          QStringLiteral("select hwlbh,hwlbm from hwlbpzb order by hwlbh"));
    QList<Category> rows;
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toString()});
    return rows;
}

QStringList categoryNames(const Db& db) {
    QStringList names;
    for (const Category& c : categories(db))
        names.append(c.hwlbm);
    return names;
}

bool goodsExists(const Db& db, const QString& hwh) {
    return firstText(db.exec(QStringLiteral("goods exists"),
                             QStringLiteral("select hwh from hwpzb where hwh=:hwh"), {{kHwh, hwh}}))
        .has_value();
}

std::optional<QString> categoryNumberOf(const Db& db, const QString& hwlbm) {
    return firstText(db.exec(
        QStringLiteral("category number"),
        QStringLiteral("select hwlbh from hwlbpzb where hwlbm=:hwlbm order by hwlbh limit 1"),
        {{kHwlbm, hwlbm}}));
}

std::optional<QString> categoryNameOf(const Db& db, const QString& hwlbh) {
    QSqlQuery q =
        db.exec(QStringLiteral("category name"),
                QStringLiteral("select hwlbm from hwlbpzb where hwlbh=:hwlbh"), {{kHwlbh, hwlbh}});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

std::optional<QString> categoryOfGoods(const Db& db, const QString& hwh) {
    QSqlQuery q = db.exec(QStringLiteral("category of goods"),
                          QStringLiteral("select hwlbh from hwpzb where hwh=:hwh"), {{kHwh, hwh}});
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toString();
}

void deleteCategory(Db& db, const QString& hwlbh) {
    Transaction transaction(db);
    splbpzsc(db, hwlbh);
    splbpzschwb(db, hwlbh);
    splbpzschwpzb(db, hwlbh);
    transaction.commit();
}

bool addGoodsToCategory(Db& db, const QString& hwlbm, const QString& hwh, const QString& hwm) {
    // Resolved inside the transaction, so that the category cannot vanish
    // between the look-up and the insert.
    Transaction transaction(db);
    const std::optional<QString> hwlbh = categoryNumberOf(db, hwlbm);
    if (!hwlbh)
        return false;
    sppztj(db, *hwlbh, hwh, hwm);
    transaction.commit();
    return true;
}

ShopSettings loadShopSettings(const Db& db) {
    QSqlQuery q = db.exec(QStringLiteral("company"),
                          QStringLiteral("select company,welcome,sl from company limit 1"));
    ShopSettings settings;
    if (q.next()) {
        settings.company = q.value(0).toString();
        settings.welcome = q.value(1).toString();
        settings.sl = q.value(2).toInt();
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
