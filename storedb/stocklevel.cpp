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

QSqlQuery lowStockList(const Db& db, int sl) {
    return db.exec(
        QStringLiteral("ADOQueryfx"),
        QStringList{
            QStringLiteral("select hwpzb.hwm as 商品名,hwlbpzb.hwlbm as 商品类别名 ,kcl as "
                           "库存量 from hwb,hwpzb,hwlbpzb"),
            QStringLiteral("where hwpzb.hwh=hwb.hwh and hwlbpzb.hwlbh=hwpzb.hwlbh and kcl<=:sl"),
            QStringLiteral("order by kcl")},
        {{QStringLiteral("sl"), sl}});
}

QList<LowStockRow> lowStockRows(const Db& db, int sl) {
    QSqlQuery q = db.exec(
        QStringLiteral("ADOQuery1"),
        QStringList{
            QStringLiteral("select hwpzb.hwm,hwlbpzb.hwlbm,kcl from hwb,hwpzb,hwlbpzb"),
            QStringLiteral("where hwpzb.hwh=hwb.hwh and hwlbpzb.hwlbh=hwpzb.hwlbh and kcl<=:sl "),
            QStringLiteral("order by kcl")},
        {{QStringLiteral("sl"), sl}});
    QList<LowStockRow> rows;
    while (q.next())
        rows.append(LowStockRow{q.value(0).toString(), q.value(1).toString(), q.value(2).toInt()});
    return rows;
}

} // namespace storedb
