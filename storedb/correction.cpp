#include "storedb/correction.h"

#include "storedb/columntext.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"

namespace storedb {

namespace {
const QString kHwh = QStringLiteral("hwh");
const QString kBh = QStringLiteral("bh");
const QString kDj = QStringLiteral("dj");
const QString kSl = QStringLiteral("sl");

struct LoggedMovement {
    QString hwh;
    int sl = 0;
    QString crk;
    bool tillSale = false;
};

// Locks the row on the server, so that two corrections of one row take turns;
// SQLite's write transaction holds the whole store already.
std::optional<LoggedMovement> lockMovement(const Db& db, int bh) {
    QSqlQuery q =
        db.exec(QStringLiteral("correction: movement"),
                QStringLiteral(
                    "select hwh,sl,crk,num is not null and glyh is null from hwrzb where bh=:bh") +
                    (db.isSQLite() ? QString() : QStringLiteral(" for update")),
                {{kBh, bh}});
    if (!q.next())
        return std::nullopt;
    return LoggedMovement{q.value(0).toString(), q.value(1).toInt(), q.value(2).toString(),
                          q.value(3).toBool()};
}

// Moves the stock by delta unless that would take it below zero or past
// kMostPieces; the bound is compared, never the sum, which PostgreSQL would
// refuse to compute past the column's range.
bool moveStock(const Db& db, const QString& hwh, qint64 delta) {
    const bool raise = delta >= 0;
    QSqlQuery q = db.exec(QStringLiteral("correction: stock"),
                          raise ? QStringLiteral("update hwb set kcl=kcl+:delta where hwh=:hwh "
                                                 "and kcl<=:bound")
                                : QStringLiteral("update hwb set kcl=kcl+:delta where hwh=:hwh "
                                                 "and kcl>=:bound"),
                          {{kHwh, hwh},
                           {QStringLiteral("delta"), delta},
                           {QStringLiteral("bound"), raise ? kMostPieces - delta : -delta}});
    return q.numRowsAffected() > 0;
}

bool hasStockRow(const Db& db, const QString& hwh) {
    return db
        .exec(QStringLiteral("correction: stock row"),
              QStringLiteral("select 1 from hwb where hwh=:hwh"), {{kHwh, hwh}})
        .next();
}
} // namespace

QSqlQuery movementsToCorrect(const Db& db, const QString& crk, const QDateTime& start,
                             const QDateTime& end) {
    const QString columns =
        crk == kStockIn
            ? QStringLiteral("select hwrzb.bh as 编号,hwrzb.hwh as 商品号,hwpzb.hwm as "
                             "商品名,hwlbpzb.hwlbm as 商品类别,dj as 单价,sl as 数量,rhj as "
                             "入货价,crhsj as 入库时间,crk as 出入库,hwly as 货物来源")
            : QStringLiteral("select hwrzb.bh as 编号,hwrzb.hwh as 商品号,hwpzb.hwm as "
                             "商品名,hwlbpzb.hwlbm as 商品类别,dj as 单价,sl as 数量,crhsj as "
                             "出库时间,crk as 出入库");
    return db.exec(QStringLiteral("movementsToCorrect"),
                   QStringList{columns, QStringLiteral("from hwrzb,hwlbpzb,hwpzb"),
                               QStringLiteral("where hwpzb.hwh=hwrzb.hwh and "
                                              "hwpzb.hwlbh=hwlbpzb.hwlbh"),
                               QStringLiteral("and crk=:crk and crhsj>=:s1 and crhsj<=:s2"),
                               QStringLiteral("order by hwrzb.bh")},
                   {{QStringLiteral("crk"), crk},
                    {QStringLiteral("s1"), dateTimeParam(start.addDays(-1))},
                    {QStringLiteral("s2"), dateTimeParam(end)}});
}

CorrectionOutcome correctMovement(Db& db, int bh, const MovementEntries& entries) {
    checkUnitPrice(QStringLiteral("单价"), entries.dj);
    if (entries.sl < 0)
        throw InvalidValueError(QStringLiteral("数量不能是负数！"));
    Transaction t(db);
    const std::optional<LoggedMovement> logged = lockMovement(db, bh);
    if (!logged)
        return {CorrectionOutcome::NoSuchMovement, 0};
    if (logged->tillSale)
        return {CorrectionOutcome::TillSale, 0};
    const bool stockIn = logged->crk == kStockIn;
    if (stockIn) {
        checkBuyingPrice(QStringLiteral("入价"), entries.rhj);
        checkText(QStringLiteral("货物来源"), entries.hwly);
    }
    // More received means more in stock; more issued means less.
    const qint64 delta =
        stockIn ? qint64(entries.sl) - logged->sl : qint64(logged->sl) - entries.sl;
    if (!moveStock(db, logged->hwh, delta) && hasStockRow(db, logged->hwh)) {
        if (delta > 0)
            throw InvalidValueError(tooManyPiecesText());
        return {CorrectionOutcome::NegativeStock, piecesInStock(db, logged->hwh)};
    }
    if (stockIn) {
        db.exec(
            QStringLiteral("correction: stock-in row"),
            QStringLiteral("update hwrzb set dj=:dj,sl=:sl,rhj=:rhj,hwly=:hwly where bh=:bh"),
            {{kDj, roundFen(entries.dj)},
             {kSl, entries.sl},
             {QStringLiteral("rhj"), roundFen(entries.rhj)},
             // An empty source is stored as empty text, not null.
             {QStringLiteral("hwly"), entries.hwly.isNull() ? QStringLiteral("") : entries.hwly},
             {kBh, bh}});
    } else {
        db.exec(QStringLiteral("correction: stock-out row"),
                QStringLiteral("update hwrzb set dj=:dj,sl=:sl where bh=:bh"),
                {{kDj, roundFen(entries.dj)}, {kSl, entries.sl}, {kBh, bh}});
    }
    t.commit();
    return {CorrectionOutcome::Corrected, 0};
}

std::optional<GoodsPrice> goodsPrice(const Db& db, const QString& hwh) {
    if (holdsControlCharacter(hwh))
        return std::nullopt;
    QSqlQuery q =
        db.exec(QStringLiteral("goodsPrice"),
                QStringList{QStringLiteral("select hwpzb.hwm,hwlbpzb.hwlbm,hwb.dj from hwb"),
                            QStringLiteral("left join hwpzb on hwpzb.hwh=hwb.hwh"),
                            QStringLiteral("left join hwlbpzb on hwlbpzb.hwlbh=hwpzb.hwlbh"),
                            QStringLiteral("where hwb.hwh=:hwh")},
                {{kHwh, hwh}});
    if (!q.next())
        return std::nullopt;
    return GoodsPrice{q.value(0).toString(), q.value(1).toString(), q.value(2).toDouble()};
}

bool changeUnitPrice(const Db& db, const QString& hwh, double dj) {
    checkUnitPrice(QStringLiteral("现单价"), dj);
    QSqlQuery q = db.exec(QStringLiteral("changeUnitPrice"),
                          QStringLiteral("update hwb set dj=:dj where hwh=:hwh"),
                          {{kHwh, hwh}, {kDj, roundFen(dj)}});
    return q.numRowsAffected() == 1;
}

} // namespace storedb
