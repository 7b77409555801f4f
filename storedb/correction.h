#pragma once

// Corrections made in the back office: the prices and quantity of a logged
// movement, and the selling price of goods. A corrected quantity moves the
// stock by the difference, so that the stock stays what the log implies
// while tills go on selling the same goods.

#include "storedb/background.h"
#include "storedb/connection.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <optional>

namespace storedb {

// The log rows of one direction ("入库" or "出库") in the pickers' range: from
// the start picker's value less one day through the end picker's value, both
// inclusive. Movements are dated at midnight, so with pickers past midnight
// that is every movement dated from the start date through the end date.
// Columns: 编号, 商品号, 商品名, 商品类别, 单价, 数量, then 入货价, 入库时间,
// 出入库, 货物来源 for stock-in and 出库时间, 出入库 for stock-out.
QSqlQuery movementsToCorrect(const Db& db, const QString& crk, const QDateTime& start,
                             const QDateTime& end);

// What the correction boxes hold. rhj and hwly are written to stock-in rows
// only; a stock-out keeps its 0 and its source.
struct MovementEntries {
    double dj = 0;
    int sl = 0;
    double rhj = 0;
    QString hwly;
};

struct CorrectionOutcome {
    enum Result {
        Corrected,
        NoSuchMovement, // the log has no row bh: nothing written
        NegativeStock,  // the stock would fall below zero: nothing written
        TillSale        // a sale booked at a till: its bill and takings stand, nothing written
    };
    Result result = Corrected;
    int kcl = 0; // NegativeStock: the pieces in stock at that moment
};

// Corrects log row bh in one transaction. A till's sale (a bill number, no
// administrator) is refused: its money is in the takings and the bill, which
// a changed row would no longer match. The difference is taken against the
// quantity the row holds at that moment, in the row's own direction, and the
// stock moved by it (kcl = kcl + difference), so that sales made meanwhile
// are kept. Goods without a stock row (deleted since) have only their log row
// corrected. Prices that are not whole jiao (单价) or whole fen (入价), a
// negative quantity, a source checkText() refuses and stock past kMostPieces
// are refused with InvalidValueError before anything is written. A correction
// made is recorded in changerecord (kind kCorrectionKind, administrator glyh,
// at now) in the same transaction; one refused records nothing.
CorrectionOutcome correctMovement(Db& db, int bh, const MovementEntries& entries,
                                  const QString& glyh, const QDateTime& now);

// The price page's look-up: goods with a stock row, their name, category name
// and current selling price.
struct GoodsPrice {
    QString hwm;
    QString hwlbm;
    double dj = 0;
};
std::optional<GoodsPrice> goodsPrice(const Db& db, const QString& hwh);

// Sets the selling price of the goods' stock row; false when no row changed
// (the goods went meanwhile). A price that is not whole jiao is refused with
// InvalidValueError (现单价). A change made is recorded in changerecord (kind
// kPriceChangeKind) in the same transaction.
bool changeUnitPrice(Db& db, const QString& hwh, double dj, const QString& glyh,
                     const QDateTime& now);

// The kinds of changerecord rows.
inline const QString kCorrectionKind = QStringLiteral("更正");
inline const QString kPriceChangeKind = QStringLiteral("调价");
inline const QString kTillFloatKind = QStringLiteral("余额");
inline const QString kTillWindUpKind = QStringLiteral("结束营业");

// One row of changerecord; hwh, bh and day name the log row or goods changed
// (null for a till's), amount the change of a correction's money.
struct ChangeRecord {
    QString kind;
    QString hwh;
    QVariant bh;
    QVariant day;
    QString oldValue;
    QString newValue;
    QVariant amount;
};

// Written inside the change's transaction: a record that fails undoes the
// change with it. Texts longer than the columns are cut.
void writeChangeRecord(const Db& db, const ChangeRecord& r, const QString& glyh,
                       const QDateTime& now);

// 时间, 管理员, 类别, 商品号, 原值, 新值, 金额变化: the changes recorded from the
// first day's midnight up to the end of the last day, newest first.
RowSet changesBetween(const Db& db, const QDate& first, const QDate& last);

} // namespace storedb
