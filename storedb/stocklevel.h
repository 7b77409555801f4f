#pragma once

// Goods at or below the shop's alarm stock level: the stock level analysis
// and its printed report read the same selection.

#include "storedb/connection.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace storedb {

// The alarm level of the settings row; none while the store has no settings
// row or the level was never set (null).
std::optional<int> alarmLevel(const Db& db);

// The goods whose stock is at or below sl, lowest stock first (ties by goods
// number), with the column titles of the analysis grid (商品名, 商品类别名,
// 库存量). Goods never stocked in have 0 pieces. Goods without a catalogue
// row or whose category is gone are not listed.
QSqlQuery lowStockList(const Db& db, int sl);

// The same selection as rows for the printed report.
struct LowStockRow {
    QString hwm;
    QString hwlbm;
    int kcl = 0;
};
QList<LowStockRow> lowStockRows(const Db& db, int sl);

} // namespace storedb
