#pragma once

// Figures the back office charts and estimates from the movement log: the
// turnover of a period per category or per goods item, and the store-wide
// profit estimate. Read only; each is one statement the database plans on
// the log's indexes, never rows summed here.

#include "storedb/connection.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace storedb {

// The bounds a statistics period binds, both inclusive: from one day before
// the start picker's moment to the end picker's. Log rows carry their day at
// midnight and the pickers keep a time of day after it, so the period holds
// the days from the start date through the end date.
struct Period {
    QDateTime s1;
    QDateTime s2;
};
Period pickedPeriod(const QDateTime& start, const QDateTime& end);

// Turnover (sum of sl*dj over the stock-out rows: sales and the back office's
// stock-outs) per category of the log: columns hwlbh, sl; lowest turnover
// first, equal turnovers by category number. Categories no longer in the
// category table are counted all the same.
QSqlQuery categoryTurnover(const Db& db, const Period& period);
// The chart's key: number and name (hwlbh, hwlbm) of each category of the
// category table that has stock-out rows in the period, by number.
QSqlQuery categoryKey(const Db& db, const Period& period);

// Turnover per goods item (hwh, sl), by goods number; with a category, only
// the rows logged under that category number.
QSqlQuery goodsTurnover(const Db& db, const Period& period, const std::optional<QString>& hwlbh);
// Number and name (hwh, hwm) of the catalogued goods in goodsTurnover().
QSqlQuery goodsKey(const Db& db, const Period& period, const std::optional<QString>& hwlbh);

// The profit estimate's sums over everything ever logged; an empty sum is 0.
struct ProfitSums {
    double cost = 0;     // sl*rhj over the stock-in rows
    double turnover = 0; // sl*dj over the stock-out rows
    double stock = 0;    // kcl*dj over the stock table
};
// One statement, so that a sale charged meanwhile is in all sums or none.
ProfitSums profitSums(const Db& db);

// A chart's value mark: thousands grouped with ",", at most three decimals,
// no trailing zeros (1,234.5).
QString markText(double value);

} // namespace storedb
