#pragma once

// The back office's purchase and sales queries: read-only views of the
// movement log. Goods and categories are found by number, never by name,
// since two goods (or two categories) may share a name. Each result is one
// statement that the engines run on an index of hwrzb, so that a year of a
// large log is searched, never walked.

#include "storedb/connection.h"

#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <optional>

namespace storedb {

// The movements a pair of date pickers selects, both ends inclusive: from
// the day before the start picker at its time of day up to the end picker.
// Movements are dated at midnight, so this is every movement dated from the
// start picker's date through the end picker's date.
struct MovementPeriod {
    QDateTime sj1;
    QDateTime sj2;
};
MovementPeriod periodBetween(const QDateTime& start, const QDateTime& end);

// A result query with its values: run by the windows, explained by the
// tests and the benchmark.
struct Statement {
    QString name;
    QStringList lines;
    Params params;
};
QSqlQuery run(const Db& db, const Statement& statement);

// Stock-in rows: 商品名, 数量, 入货价, 入货时间, 商品来源. Rows of goods no
// longer in the catalogue are left out.
Statement stockInsOfCategory(const QString& hwlbh, const std::optional<MovementPeriod>& period);
Statement stockInsOfGoods(const QString& hwh, const std::optional<MovementPeriod>& period);

// Who took the goods out: a till (a sale or a return, under a bill number
// and no administrator) or the back office (an administrator's stock-out).
enum class StockOutSource { All, Till, BackOffice };

// What 出货方式 says of a row.
extern const QString kTillSale;       // "收款机销售"
extern const QString kTillReturn;     // "收款机退货"
extern const QString kOfficeStockOut; // "后台出货"

// Stock-out rows summed per goods, movement date and source, each return's
// rows apart with their negative pieces: 商品号, 数量, 出货时间, 金额 (sl*dj
// summed), 原帐单 (the sale a return takes back; null for other rows),
// 出货方式.
Statement stockOutsOfCategory(const QString& hwlbh, const std::optional<MovementPeriod>& period);
Statement stockOutsOfGoods(const QString& hwh, const std::optional<MovementPeriod>& period);
// The same rows of one source alone.
Statement stockOutsOfCategoryFrom(StockOutSource source, const QString& hwlbh,
                                  const std::optional<MovementPeriod>& period);
Statement stockOutsOfGoodsFrom(StockOutSource source, const QString& hwh,
                               const std::optional<MovementPeriod>& period);

// The goods pick list of a category, in number order.
struct GoodsEntry {
    QString hwh;
    QString hwm;
};
QList<GoodsEntry> goodsOfCategory(const Db& db, const QString& hwlbh);

// The whole catalogue as the goods configuration lists it (商品号, 商品名),
// by number, a page at a time: at most `limit` goods numbered after `after`
// (from the first when it is empty). Each page is a statement of its own, so
// a long list is read as it is scrolled, with no statement left open.
QSqlQuery cataloguePage(const Db& db, const QString& after, int limit);

// The first goods (by number) of the whole catalogue that bears a typed name.
std::optional<QString> goodsNumberOf(const Db& db, const QString& hwm);
std::optional<QString> goodsNameOf(const Db& db, const QString& hwh);

// Goods of the category that have a stock row.
int stockedGoodsOfCategory(const Db& db, const QString& hwlbh);

// The goods' current selling price and stock; none before its first stock-in.
struct PriceAndStock {
    double dj = 0;
    int kcl = 0;
};
std::optional<PriceAndStock> priceAndStock(const Db& db, const QString& hwh);

} // namespace storedb
