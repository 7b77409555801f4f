#include "storedb/stocklevel.h"

#include <QVariant>

namespace storedb {

std::optional<int> alarmLevel(const Db& db) {
    QSqlQuery q =
        db.exec(QStringLiteral("company"), QStringLiteral("select sl from company limit 1"));
    if (!q.next() || q.value(0).isNull())
        return std::nullopt;
    return q.value(0).toInt();
}

namespace {

// Goods never stocked in have no stock row and are listed with 0 pieces:
// they are the emptiest shelves. Stocked goods are found through the index
// on kcl; the never stocked by setting the catalogue's goods numbers against
// the stock's, in the form each engine does well: SQLite merges an EXCEPT of
// the two primary keys in number order (a NOT EXISTS would look every goods
// up in hwb one by one), PostgreSQL runs an anti-join (an EXCEPT would sort
// both tables).
QSqlQuery lowStock(const Db& db, const QString& name, const QString& aliases, int sl) {
    const QString unstocked =
        db.isSQLite()
            ? QStringLiteral("and hwpzb.hwh in (select hwh from hwpzb except "
                             "select hwh from hwb order by 1)")
            : QStringLiteral("and not exists (select 1 from hwb where hwb.hwh=hwpzb.hwh)");
    return db.exec(
        name,
        QStringList{
            QStringLiteral("select %1 from (").arg(aliases),
            QStringLiteral("select hwb.hwh,hwpzb.hwm,hwlbpzb.hwlbm,kcl from hwb,hwpzb,hwlbpzb"),
            QStringLiteral("where hwpzb.hwh=hwb.hwh and hwlbpzb.hwlbh=hwpzb.hwlbh and kcl<=:sl"),
            QStringLiteral("union all"),
            QStringLiteral("select hwpzb.hwh,hwpzb.hwm,hwlbpzb.hwlbm,0 from hwpzb,hwlbpzb"),
            QStringLiteral("where hwlbpzb.hwlbh=hwpzb.hwlbh and 0<=:sl"), unstocked,
            // Ties by goods number, so that the screen and the paper agree.
            QStringLiteral(") lowstock order by kcl,hwh")},
        {{QStringLiteral("sl"), sl}});
}

} // namespace

QSqlQuery lowStockList(const Db& db, int sl) {
    return lowStock(db, QStringLiteral("ADOQueryfx"),
                    QStringLiteral("hwm as 商品名,hwlbm as 商品类别名,kcl as 库存量"), sl);
}

QList<LowStockRow> lowStockRows(const Db& db, int sl) {
    QSqlQuery q = lowStock(db, QStringLiteral("ADOQuery1"), QStringLiteral("hwm,hwlbm,kcl"), sl);
    QList<LowStockRow> rows;
    while (q.next())
        rows.append(LowStockRow{q.value(0).toString(), q.value(1).toString(), q.value(2).toInt()});
    return rows;
}

} // namespace storedb
