#include "storedb/stock.h"

#include "storedb/columntext.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"

#include <cmath>

namespace storedb {

namespace {
// The till's sale table keeps numeric(9,1).
constexpr double kLargestPrice = 99999999.9;

void checkPrice(const QString& field, double price, int places, const QString& unit) {
    if (!std::isfinite(price) || price < 0)
        throw InvalidValueError(QStringLiteral("%1不能是负数！").arg(field));
    if (price > kLargestPrice)
        throw InvalidValueError(QStringLiteral("%1不能超过99999999.9！").arg(field));
    const double scaled = price * std::pow(10.0, places);
    if (std::fabs(scaled - std::round(scaled)) > 1e-6)
        throw InvalidValueError(QStringLiteral("%1只能精确到%2,请重新输入！").arg(field, unit));
}

Movement logRow(const QString& hwh, const QString& hwlbh, const QDate& day, const QString& glyh,
                const QString& crk, const QString& hwly) {
    Movement m;
    m.hwh = hwh;
    m.hwlbh = hwlbh;
    m.crhsj = day;
    m.glyh = glyh;
    m.crk = crk;
    m.hwly = hwly;
    return m;
}
} // namespace

void checkUnitPrice(const QString& field, double price) {
    checkPrice(field, price, 1, QStringLiteral("角"));
}

void checkBuyingPrice(const QString& field, double price) {
    checkPrice(field, price, 2, QStringLiteral("分"));
}

void checkQuantity(int sl) {
    if (sl < 1)
        throw InvalidValueError(QStringLiteral("数量至少是1件！"));
}

void checkLine(const StockInLine& line) {
    checkBuyingPrice(QStringLiteral("入货价"), line.rhj);
    checkUnitPrice(QStringLiteral("单价"), line.dj);
    checkQuantity(line.sl);
    checkText(QStringLiteral("货物来源"), line.hwly);
}

void checkLine(const StockOutLine& line) {
    checkUnitPrice(QStringLiteral("出货价"), line.dj);
    checkQuantity(line.sl);
    checkText(QStringLiteral("货物来源"), line.hwly);
}

QString tooManyPiecesText() {
    return QStringLiteral("库存不能超过%1件,请检查数量！").arg(kMostPieces);
}

int piecesInStock(const Db& db, const QString& hwh) {
    QSqlQuery q = db.exec(QStringLiteral("piecesInStock"),
                          QStringLiteral("select kcl from hwb where hwh=:hwh"),
                          {{QStringLiteral("hwh"), hwh}});
    return q.next() ? q.value(0).toInt() : 0;
}

MovementOutcome recordStockIn(Db& db, const StockInLine& line, const QString& glyh,
                              const QDate& day) {
    checkLine(line);
    Transaction t(db);
    const std::optional<GoodsInCatalogue> goods = spglsph(db, line.hwh);
    if (!goods)
        return {MovementOutcome::UnknownGoods, 0};
    Movement m = logRow(line.hwh, goods->hwlbh, day, glyh, kStockIn, line.hwly);
    m.dj = line.dj;
    m.sl = line.sl;
    m.rhj = line.rhj;
    jrhwrzb(db, m);
    // Bounded where it is raised: PostgreSQL would refuse the sum in its own
    // words, SQLite keep a number no reader of the column expects.
    QSqlQuery raised =
        db.exec(QStringLiteral("xghwb"),
                QStringLiteral("update hwb set kcl=kcl+:kcl,dj=:dj where hwh=:hwh and kcl<=:room"),
                {{QStringLiteral("hwh"), line.hwh},
                 {QStringLiteral("dj"), line.dj},
                 {QStringLiteral("kcl"), line.sl},
                 {QStringLiteral("room"), kMostPieces - line.sl}});
    if (raised.numRowsAffected() == 0) {
        if (db.exec(QStringLiteral("stock row"), QStringLiteral("select 1 from hwb where hwh=:hwh"),
                    {{QStringLiteral("hwh"), line.hwh}})
                .next())
            throw InvalidValueError(tooManyPiecesText());
        xghwb2(db, goods->hwlbh, line.hwh, line.dj, line.sl);
    }
    t.commit();
    return {MovementOutcome::Recorded, 0};
}

MovementOutcome recordStockOut(Db& db, const StockOutLine& line, const QString& glyh,
                               const QDate& day) {
    checkLine(line);
    Transaction t(db);
    const std::optional<GoodsInCatalogue> goods = spglsph(db, line.hwh);
    if (!goods)
        return {MovementOutcome::UnknownGoods, 0};
    // The check and the decrement are one statement: a till selling the
    // same goods meanwhile cannot slip in between.
    if (!hwbsf(db, line.hwh, line.sl))
        return {MovementOutcome::ShortOfStock, piecesInStock(db, line.hwh)};
    Movement m = logRow(line.hwh, goods->hwlbh, day, glyh, kStockOut, line.hwly);
    m.dj = line.dj;
    m.sl = line.sl;
    jrhwrzb(db, m);
    t.commit();
    return {MovementOutcome::Recorded, 0};
}

} // namespace storedb
