#include "storedb/queries.h"

#include "storedb/datetime.h"
#include "storedb/procedures.h"

namespace storedb {

const QString kTillSale = QStringLiteral("收款机销售");
const QString kTillReturn = QStringLiteral("收款机退货");
const QString kOfficeStockOut = QStringLiteral("后台出货");

namespace {
const QString kHwh = QStringLiteral("hwh");
const QString kHwlbh = QStringLiteral("hwlbh");
const QString kCrk = QStringLiteral("crk");

void addPeriod(Statement& s, const QString& line, const std::optional<MovementPeriod>& period) {
    if (!period)
        return;
    s.lines << line;
    s.params << qMakePair(QStringLiteral("sj1"), dateTimeParam(period->sj1))
             << qMakePair(QStringLiteral("sj2"), dateTimeParam(period->sj2));
}

Statement stockIns(const QString& name, const QString& where, const QString& key,
                   const QString& value, const std::optional<MovementPeriod>& period) {
    Statement s{name,
                {QStringLiteral("select hwpzb.hwm as 商品名, sl as 数量,rhj as 入货价,crhsj as "
                                "入货时间,hwly as 商品来源"),
                 QStringLiteral("from hwrzb,hwpzb"), where},
                {{kCrk, kStockIn}, {key, value}}};
    addPeriod(s, QStringLiteral("and hwrzb.crhsj between :sj1 and :sj2"), period);
    return s;
}

// A return's rows (stock-outs of negative pieces under a bill number) are
// grouped by the return's number, apart from the day's sales, and the tills'
// rows apart from the back office's. A return's original bill is looked up
// for those groups alone: a join would read, or hash, all of salereturn for
// every query.
Statement stockOuts(const QString& name, const QString& where, const QString& key,
                    const QString& value, const std::optional<MovementPeriod>& period,
                    StockOutSource source) {
    Statement s{
        name,
        {QStringLiteral("select 商品号,数量,出货时间,金额,case when return_bill is not null "
                        "then (select original from salereturn where num=return_bill) "
                        "end as 原帐单,"),
         QStringLiteral("case when office=1 then :office when return_bill is not null "
                        "then :tillreturn else :tillsale end as 出货方式"),
         QStringLiteral("from (select hwh as 商品号,sum(sl) as 数量,crhsj as 出货时间,"
                        "sum(sl*dj) as 金额,case when sl<0 then num end as return_bill,"),
         QStringLiteral("case when glyh is null then 0 else 1 end as office"),
         QStringLiteral("from hwrzb"), where},
        {{kCrk, kStockOut},
         {key, value},
         {QStringLiteral("office"), kOfficeStockOut},
         {QStringLiteral("tillreturn"), kTillReturn},
         {QStringLiteral("tillsale"), kTillSale}}};
    if (source == StockOutSource::Till)
        s.lines << QStringLiteral(" and glyh is null");
    else if (source == StockOutSource::BackOffice)
        s.lines << QStringLiteral(" and glyh is not null");
    addPeriod(s, QStringLiteral(" and crhsj>=:sj1 and crhsj<=:sj2"), period);
    s.lines << QStringLiteral("group by hwh,crhsj,case when sl<0 then num end,"
                              "case when glyh is null then 0 else 1 end) stockouts");
    return s;
}
} // namespace

MovementPeriod periodBetween(const QDateTime& start, const QDateTime& end) {
    return {start.addDays(-1), end};
}

QSqlQuery run(const Db& db, const Statement& statement) {
    return db.exec(statement.name, statement.lines, statement.params);
}

Statement stockInsOfCategory(const QString& hwlbh, const std::optional<MovementPeriod>& period) {
    return stockIns(QStringLiteral("stock-ins of category"),
                    QStringLiteral("where hwrzb.crk=:crk and hwrzb.hwlbh=:hwlbh and "
                                   "hwpzb.hwh=hwrzb.hwh "),
                    kHwlbh, hwlbh, period);
}

Statement stockInsOfGoods(const QString& hwh, const std::optional<MovementPeriod>& period) {
    return stockIns(
        QStringLiteral("stock-ins of goods"),
        QStringLiteral("where hwrzb.crk=:crk and hwrzb.hwh=:hwh and hwpzb.hwh=hwrzb.hwh "), kHwh,
        hwh, period);
}

Statement stockOutsOfCategory(const QString& hwlbh, const std::optional<MovementPeriod>& period) {
    return stockOutsOfCategoryFrom(StockOutSource::All, hwlbh, period);
}

Statement stockOutsOfGoods(const QString& hwh, const std::optional<MovementPeriod>& period) {
    return stockOutsOfGoodsFrom(StockOutSource::All, hwh, period);
}

Statement stockOutsOfCategoryFrom(StockOutSource source, const QString& hwlbh,
                                  const std::optional<MovementPeriod>& period) {
    return stockOuts(QStringLiteral("stock-outs of category"),
                     QStringLiteral("where crk=:crk and hwlbh=:hwlbh"), kHwlbh, hwlbh, period,
                     source);
}

Statement stockOutsOfGoodsFrom(StockOutSource source, const QString& hwh,
                               const std::optional<MovementPeriod>& period) {
    return stockOuts(QStringLiteral("stock-outs of goods"),
                     QStringLiteral("where crk=:crk and hwh=:hwh"), kHwh, hwh, period, source);
}

QList<GoodsEntry> goodsOfCategory(const Db& db, const QString& hwlbh) {
    QSqlQuery q =
        db.exec(QStringLiteral("goods of category"),
                QStringLiteral("select hwh,hwm from hwpzb where hwlbh=:hwlbh order by hwh"),
                {{kHwlbh, hwlbh}});
    QList<GoodsEntry> goods;
    while (q.next())
        goods.append({q.value(0).toString(), q.value(1).toString()});
    return goods;
}

QSqlQuery cataloguePage(const Db& db, const QString& after, int limit) {
    return db.exec(QStringLiteral("catalogue page"),
                   QStringLiteral("select hwh as 商品号,hwm as 商品名 from hwpzb where hwh>:after "
                                  "order by hwh limit :n"),
                   // Bound as text even when empty: a null would match nothing.
                   {{QStringLiteral("after"), after.isNull() ? QStringLiteral("") : after},
                    {QStringLiteral("n"), limit}});
}

std::optional<QString> goodsNumberOf(const Db& db, const QString& hwm) {
    QSqlQuery q =
        db.exec(QStringLiteral("goods number"),
                QStringLiteral("select hwh from hwpzb where hwm=:hwm order by hwh limit 1"),
                {{QStringLiteral("hwm"), hwm}});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

std::optional<QString> goodsNameOf(const Db& db, const QString& hwh) {
    QSqlQuery q = db.exec(QStringLiteral("goods name"),
                          QStringLiteral("select hwm from hwpzb where hwh=:hwh"), {{kHwh, hwh}});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

int stockedGoodsOfCategory(const Db& db, const QString& hwlbh) {
    QSqlQuery q = db.exec(QStringLiteral("goods count"),
                          QStringList{QStringLiteral("select count(*) as tj from hwb "),
                                      QStringLiteral("where hwlbh=:hwlbh")},
                          {{kHwlbh, hwlbh}});
    return q.next() ? q.value(0).toInt() : 0;
}

std::optional<PriceAndStock> priceAndStock(const Db& db, const QString& hwh) {
    QSqlQuery q = db.exec(
        QStringLiteral("price and stock"),
        QStringList{QStringLiteral("select dj,kcl from hwb "), QStringLiteral("where hwh=:hwh")},
        {{kHwh, hwh}});
    if (!q.next())
        return std::nullopt;
    return PriceAndStock{q.value(0).toDouble(), q.value(1).toInt()};
}

} // namespace storedb
