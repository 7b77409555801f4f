#include "storegen.h"

#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"

#include <QSqlQuery>

namespace storegen {

namespace {

constexpr double kTillFloat = 500;
constexpr qint64 kRowsPerStatement = 1000000;
// Rows of one block share a day and a bill: six sales and two stock-ins.
constexpr int kBlock = 8;

// SQL that differs between the engines; every value still goes in bound.
class Dialect {
  public:
    explicit Dialect(const storedb::Db& db) : lite_(db.isSQLite()) {}

    // s(i) for i from :lo to :hi.
    QString series() const {
        return lite_ ? QStringLiteral("with recursive s(i) as (select cast(:lo as integer) union "
                                      "all select i+1 from s where i<cast(:hi as integer))")
                     : QStringLiteral("with s(i) as (select generate_series(cast(:lo as bigint),"
                                      "cast(:hi as bigint)))");
    }
    QString pad(const QString& expr, int width) const {
        // Built by joining: "%0" would read as a placeholder to QString::arg.
        return lite_ ? QStringLiteral("printf('%0") + QString::number(width) +
                           QStringLiteral("d',") + expr + QLatin1Char(')')
                     : QStringLiteral("lpad(cast(%1 as text),%2,'0')").arg(expr).arg(width);
    }
    // Midnight of :first plus expr days, as the programs store movement days.
    QString day(const QString& expr) const {
        return lite_
                   ? QStringLiteral("(date(:first,'+'||(%1)||' days')||' 00:00:00')").arg(expr)
                   : QStringLiteral("(cast(:first as timestamp)+(%1)*interval '1 day')").arg(expr);
    }
    QString hoursAfter(const QString& expr, int hours) const {
        return lite_ ? QStringLiteral("datetime(%1,'+%2 hours')").arg(expr).arg(hours)
                     : QStringLiteral("(%1+interval '%2 hours')").arg(expr).arg(hours);
    }
    QString goodsNumber(const QString& g) const {
        return QStringLiteral("('69'||%1)").arg(pad(QStringLiteral("(%1)+1").arg(g), 11));
    }
    QString categoryNumber(const QString& c) const {
        return QStringLiteral("('C'||%1)").arg(pad(QStringLiteral("(%1)+1").arg(c), 3));
    }
    QString tillName(const QString& t) const {
        return QStringLiteral("('POS'||%1)").arg(pad(QStringLiteral("(%1)+1").arg(t), 2));
    }
    QString clerkNumber(const QString& k) const { return pad(QStringLiteral("(%1)+1").arg(k), 4); }
    // The goods index back from its number.
    QString goodsIndex(const QString& hwh) const {
        return QStringLiteral("(cast(substr(%1,3) as integer)-1)").arg(hwh);
    }

  private:
    bool lite_;
};

storedb::Params range(qint64 lo, qint64 hi) {
    return {{QStringLiteral("lo"), lo}, {QStringLiteral("hi"), hi}};
}

} // namespace

Scale fullScale() {
    return Scale{};
}

Scale quickScale() {
    Scale s;
    s.goods = 20000;
    s.categories = 200;
    s.movements = 1000000;
    s.tills = 50;
    s.clerks = 1000;
    s.shifts = 10000;
    return s;
}

QString goodsNumber(qint64 g) {
    return QStringLiteral("69%1").arg(g + 1, 11, 10, QLatin1Char('0'));
}

Generated generate(storedb::Db& db, const Scale& scale, quint64 seed, const QDate& lastDay,
                   const std::function<void(const QString&)>& step) {
    const auto tell = [&](const QString& what) {
        if (step)
            step(what);
    };
    const Dialect sql(db);
    const QVariant first = storedb::dateParam(lastDay.addDays(-scale.days));
    const QString admin = storedb::kFirstAdministratorNumber;
    const qint64 bills = (scale.movements - 1) / kBlock + 1;
    Generated made;
    made.bills = bills;

    // The log's indexes are written in random order: without a large page
    // cache SQLite spends the load re-reading and re-writing their pages.
    if (db.isSQLite())
        db.exec(QStringLiteral("generate cache"), QStringLiteral("PRAGMA cache_size=-1048576"));
    storedb::Transaction transaction(db);
    tell(QStringLiteral("categories"));
    db.exec(QStringLiteral("generate categories"),
            QStringList{QStringLiteral("insert into hwlbpzb(hwlbh,hwlbm)"), sql.series(),
                        QStringLiteral("select %1,'类别'||i from s")
                            .arg(sql.categoryNumber(QStringLiteral("i-1")))},
            range(1, scale.categories));

    tell(QStringLiteral("goods"));
    db.exec(QStringLiteral("generate goods"),
            QStringList{QStringLiteral("insert into hwpzb(hwh,hwm,hwlbh)"), sql.series(),
                        QStringLiteral("select %1,'商品'||i,%2 from s")
                            .arg(sql.goodsNumber(QStringLiteral("i-1")),
                                 sql.categoryNumber(QStringLiteral("(i-1)%:c")))},
            range(1, scale.goods) + storedb::Params{{QStringLiteral("c"), scale.categories}});

    // Every fourth row a stock-in, the goods taken in turn so that each is
    // stocked before its sales can outrun it; the rest sales of goods drawn
    // from the seed, in bills of one day each.
    const QString g = QStringLiteral("x.g");
    const QString price = QStringLiteral("(10+(x.g*7919)%990)/10.0");
    const QStringList logSql{
        QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num)"),
        sql.series(),
        QStringLiteral("select %1,%2,%3,")
            .arg(sql.goodsNumber(g), sql.categoryNumber(g + "%:c"), price),
        QStringLiteral("case when x.i%4=0 then 60 else 1+(x.i*7+x.g)%5 end,"),
        QStringLiteral("case when x.i%4=0 then round(%1*0.7,2) else 0 end,").arg(price),
        QStringLiteral("%1,").arg(sql.day(QStringLiteral("cast((x.i-1)/8*8 as bigint)*:d/:n"))),
        QStringLiteral("case when x.i%4=0 then :admin else null end,"),
        QStringLiteral("case when x.i%4=0 then :rk else :ck end,"),
        QStringLiteral("case when x.i%4=0 then :source else null end,"),
        QStringLiteral("case when x.i%4=0 then null else (x.i-1)/8+1 end"),
        QStringLiteral("from (select i,case when i%4=0 then (i/4-1)%:goods "
                       "else (i*2654435761+:seed)%:goods end as g from s) x")};
    for (qint64 lo = 1; lo <= scale.movements; lo += kRowsPerStatement) {
        const qint64 hi = std::min(scale.movements, lo + kRowsPerStatement - 1);
        tell(QStringLiteral("movements %1-%2 of %3").arg(lo).arg(hi).arg(scale.movements));
        db.exec(QStringLiteral("generate movements"), logSql,
                range(lo, hi) +
                    storedb::Params{{QStringLiteral("c"), scale.categories},
                                    {QStringLiteral("goods"), scale.goods},
                                    {QStringLiteral("seed"), qint64(seed % 1000003)},
                                    {QStringLiteral("d"), scale.days},
                                    {QStringLiteral("n"), scale.movements},
                                    {QStringLiteral("first"), first},
                                    {QStringLiteral("admin"), admin},
                                    {QStringLiteral("rk"), storedb::kStockIn},
                                    {QStringLiteral("ck"), storedb::kStockOut},
                                    {QStringLiteral("source"), QStringLiteral("供货商")}});
    }
    made.movements = scale.movements;

    tell(QStringLiteral("stock"));
    db.exec(QStringLiteral("generate stock"),
            QStringList{QStringLiteral("insert into hwb(hwh,hwlbh,dj,kcl)"),
                        QStringLiteral("select hwh,min(hwlbh),max(dj),"
                                       "sum(case when crk=:rk then sl else -sl end)"),
                        QStringLiteral("from hwrzb group by hwh")},
            {{QStringLiteral("rk"), storedb::kStockIn}});

    tell(QStringLiteral("low stock"));
    const QString index = sql.goodsIndex(QStringLiteral("hwh"));
    const QString lowGoods = QStringLiteral("%1%50=0 and kcl>%1%10").arg(index);
    QSqlQuery low = db.exec(
        QStringLiteral("generate low stock"),
        QStringList{QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly)"),
                    QStringLiteral("select hwh,hwlbh,dj,kcl-%1%10,0,%2,:admin,:ck,:source")
                        .arg(index, sql.day(QStringLiteral(":d-1"))),
                    QStringLiteral("from hwb where %1").arg(lowGoods)},
        {{QStringLiteral("first"), first},
         {QStringLiteral("d"), scale.days},
         {QStringLiteral("admin"), admin},
         {QStringLiteral("ck"), storedb::kStockOut},
         {QStringLiteral("source"), QStringLiteral("报损")}});
    made.movements += low.numRowsAffected();
    db.exec(QStringLiteral("generate low stock levels"),
            QStringLiteral("update hwb set kcl=%1%10 where %2").arg(index, lowGoods));

    tell(QStringLiteral("tills and clerks"));
    db.exec(QStringLiteral("generate tills"),
            QStringList{QStringLiteral("insert into jqb(jsj,shyh,ye,yye,zt)"), sql.series(),
                        QStringLiteral("select %1,'',:ye,0,:zt from s")
                            .arg(sql.tillName(QStringLiteral("i-1")))},
            range(1, scale.tills) + storedb::Params{{QStringLiteral("ye"), kTillFloat},
                                                    {QStringLiteral("zt"), storedb::kTillStandby}});
    db.exec(QStringLiteral("generate clerks"),
            QStringList{QStringLiteral("insert into shyb(shyh,shym,mm)"), sql.series(),
                        QStringLiteral("select %1,'售货员'||i,%1 from s")
                            .arg(sql.clerkNumber(QStringLiteral("i-1")))},
            range(1, scale.clerks));

    // Shifts take the bills in turn; the last fiftieth are not handed in yet,
    // a quarter of those the first clerk's.
    tell(QStringLiteral("shifts"));
    const qint64 owedFrom = scale.shifts - scale.shifts / 50;
    db.exec(
        QStringLiteral("generate shifts"),
        QStringList{QStringLiteral("insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj)"),
                    QStringLiteral("select case when x.s>=:owed and x.s%4=0 then %1 else %2 end,")
                        .arg(sql.clerkNumber(QStringLiteral("0")),
                             sql.clerkNumber(QStringLiteral("x.s%:k"))),
                    QStringLiteral(
                        "%1,%2,:ye,%3,x.yye,:ye,case when x.s>=:owed then :unpaid else :paid end")
                        .arg(sql.tillName(QStringLiteral("x.s%:t")),
                             sql.hoursAfter(QStringLiteral("x.d"), 8),
                             sql.hoursAfter(QStringLiteral("x.d"), 16)),
                    QStringLiteral("from (select (num-1)*:shifts/:bills as s,min(crhsj) as d,"
                                   "sum(dj*sl) as yye from hwrzb where num is not null "
                                   "group by 1) x")},
        {{QStringLiteral("owed"), owedFrom},
         {QStringLiteral("k"), scale.clerks},
         {QStringLiteral("t"), scale.tills},
         {QStringLiteral("ye"), kTillFloat},
         {QStringLiteral("unpaid"), storedb::kNotHandedIn},
         {QStringLiteral("paid"), storedb::kHandedIn},
         {QStringLiteral("shifts"), scale.shifts},
         {QStringLiteral("bills"), bills}});
    made.owedShifts = scale.shifts - owedFrom;
    made.busiestClerk = QStringLiteral("0001");

    db.exec(QStringLiteral("generate bill counter"),
            QStringLiteral("update company set accountnum=:bills"),
            {{QStringLiteral("bills"), bills}});
    tell(QStringLiteral("committing"));
    transaction.commit();
    return made;
}

} // namespace storegen
