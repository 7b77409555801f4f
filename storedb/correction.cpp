#include "storedb/correction.h"

#include "storedb/columntext.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"

#include <QtNumeric>
#include <cmath>

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
    double dj = 0;
    double rhj = 0;
    QString hwly;
    QDate day;
};

QString forUpdate(const Db& db) {
    return db.isSQLite() ? QString() : QStringLiteral(" for update");
}

// Locks the row on the server, so that two corrections of one row take turns;
// SQLite's write transaction holds the whole store already.
std::optional<LoggedMovement> lockMovement(const Db& db, int bh) {
    QSqlQuery q = db.exec(QStringLiteral("correction: movement"),
                          QStringLiteral("select hwh,sl,crk,num is not null and glyh is null,"
                                         "dj,rhj,hwly,crhsj from hwrzb where bh=:bh") +
                              forUpdate(db),
                          {{kBh, bh}});
    if (!q.next())
        return std::nullopt;
    return LoggedMovement{q.value(0).toString(), q.value(1).toInt(),
                          q.value(2).toString(), q.value(3).toBool(),
                          q.value(4).toDouble(), q.value(5).toDouble(),
                          q.value(6).toString(), readDateTime(q.value(7)).date()};
}

// A row's values as the record shows them to a person.
QString movementText(bool stockIn, double dj, int sl, double rhj, const QString& hwly) {
    QString text = QStringLiteral("单价 %1 数量 %2").arg(numberText(roundFen(dj))).arg(sl);
    if (stockIn) {
        text += QStringLiteral(" 入货价 %1").arg(numberText(roundFen(rhj)));
        if (!hwly.isEmpty())
            text += QStringLiteral(" 来源 ") + hwly;
    }
    return text;
}

// The largest change of a row's money recorded, in fen: the record's amount
// travels as a double, exact in fen this far.
constexpr qint64 kMostChangeFen = 1'000'000'000'000'000;

// The money a row stands for, in fen: what it cost for a stock-in, what it
// sold for otherwise. Whole fen times pieces, so that no float noise adds up;
// none when past qint64, as a row at the largest price and count would be.
std::optional<qint64> movementFen(bool stockIn, double dj, int sl, double rhj) {
    qint64 fen = 0;
    if (qMulOverflow(qint64(std::llround((stockIn ? rhj : dj) * 100)), qint64(sl), &fen))
        return std::nullopt;
    return fen;
}

// The change of a row's money, in fen; none past what the record can hold.
std::optional<qint64> changeOfMoney(std::optional<qint64> before, std::optional<qint64> after) {
    qint64 change = 0;
    if (!before || !after || qSubOverflow(*after, *before, &change) || change <= -kMostChangeFen ||
        change >= kMostChangeFen)
        return std::nullopt;
    return change;
}

} // namespace

// Written inside the change's transaction: a record that fails undoes the
// change with it.
void writeChangeRecord(const Db& db, const ChangeRecord& r, const QString& glyh,
                       const QDateTime& now) {
    db.exec(QStringLiteral("change record"),
            QStringList{QStringLiteral("insert into changerecord(changed,glyh,kind,hwh,bh,day,"
                                       "oldvalue,newvalue,amount)"),
                        QStringLiteral("values(:changed,:glyh,:kind,:hwh,:bh,:day,:oldvalue,"
                                       ":newvalue,:amount)")},
            {{QStringLiteral("changed"), dateTimeParam(now)},
             {QStringLiteral("glyh"), glyh},
             {QStringLiteral("kind"), r.kind},
             {kHwh, r.hwh},
             {kBh, r.bh},
             {QStringLiteral("day"), r.day},
             {QStringLiteral("oldvalue"), r.oldValue.left(200)},
             {QStringLiteral("newvalue"), r.newValue.left(200)},
             {QStringLiteral("amount"), r.amount}});
}

namespace {

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

CorrectionOutcome correctMovement(Db& db, int bh, const MovementEntries& entries,
                                  const QString& glyh, const QDateTime& now) {
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
    // A stock-out keeps its buying-in price and source whatever the boxes held.
    const double newRhj = stockIn ? entries.rhj : logged->rhj;
    const QString newHwly = stockIn ? entries.hwly : logged->hwly;
    const std::optional<qint64> fen =
        changeOfMoney(movementFen(stockIn, logged->dj, logged->sl, logged->rhj),
                      movementFen(stockIn, entries.dj, entries.sl, newRhj));
    if (!fen)
        throw InvalidValueError(QStringLiteral("金额变化太大,不能修改！"));
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
    writeChangeRecord(db,
                      {kCorrectionKind, logged->hwh, qint64(bh), dateParam(logged->day),
                       movementText(stockIn, logged->dj, logged->sl, logged->rhj, logged->hwly),
                       movementText(stockIn, entries.dj, entries.sl, newRhj, newHwly),
                       double(*fen) / 100},
                      glyh, now);
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

bool changeUnitPrice(Db& db, const QString& hwh, double dj, const QString& glyh,
                     const QDateTime& now) {
    checkUnitPrice(QStringLiteral("现单价"), dj);
    Transaction t(db);
    QSqlQuery old =
        db.exec(QStringLiteral("changeUnitPrice: old price"),
                QStringLiteral("select dj from hwb where hwh=:hwh") + forUpdate(db), {{kHwh, hwh}});
    if (!old.next())
        return false;
    const double oldDj = old.value(0).toDouble();
    old.finish();
    QSqlQuery q = db.exec(QStringLiteral("changeUnitPrice"),
                          QStringLiteral("update hwb set dj=:dj where hwh=:hwh"),
                          {{kHwh, hwh}, {kDj, roundFen(dj)}});
    if (q.numRowsAffected() != 1)
        return false;
    writeChangeRecord(db,
                      {kPriceChangeKind, hwh, QVariant(), QVariant(),
                       QStringLiteral("单价 ") + numberText(roundFen(oldDj)),
                       QStringLiteral("单价 ") + numberText(roundFen(dj)), QVariant()},
                      glyh, now);
    t.commit();
    return true;
}

RowSet changesBetween(const Db& db, const QDate& first, const QDate& last) {
    QSqlQuery q = db.exec(
        QStringLiteral("changes between"),
        QStringList{QStringLiteral("select changed as 时间,glyh as 管理员,kind as 类别,hwh as "
                                   "商品号,oldvalue as 原值,newvalue as 新值,amount as 金额变化"),
                    QStringLiteral("from changerecord"),
                    QStringLiteral("where changed>=:first and changed<:after"),
                    QStringLiteral("order by changed desc,id desc")},
        {{QStringLiteral("first"), dateParam(first)},
         {QStringLiteral("after"), dateParam(last.addDays(1))}});
    RowSet rows = readRows(q);
    for (QVariantList& row : rows.rows) {
        // SQLite hands the time back as text, the server as a timestamp.
        row[0] = readDateTime(row[0]);
        // A price change has no amount: shown empty, not as a typed null's 0.
        row[6] = row[6].isNull() ? QVariant() : QVariant(roundFen(row[6].toDouble()));
    }
    return rows;
}

} // namespace storedb
