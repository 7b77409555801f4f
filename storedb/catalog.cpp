#include "storedb/catalog.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"

namespace storedb {

namespace {
const QString kHwh = QStringLiteral("hwh");
const QString kHwlbh = QStringLiteral("hwlbh");
const QString kHwlbm = QStringLiteral("hwlbm");

void deleteStockRow(const Db& db, const QString& hwh) {
    db.exec(QStringLiteral("sppzschwb"), QStringLiteral("delete from hwb where hwh=:hwh"),
            {{kHwh, hwh}});
}

std::optional<QString> firstText(QSqlQuery query) {
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
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
    deleteStockRow(db, hwh);
    transaction.commit();
    return true;
}

bool deleteGoods(Db& db, const QString& hwh) {
    Transaction transaction(db);
    const bool catalogued = goodsExists(db, hwh);
    sppzsc(db, hwh);
    deleteStockRow(db, hwh);
    transaction.commit();
    return catalogued;
}

} // namespace storedb
