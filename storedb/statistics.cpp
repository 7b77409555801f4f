#include "storedb/statistics.h"

#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"

#include <cmath>

namespace storedb {

namespace {

const QString kCrk = QStringLiteral("crk");
const QString kHwlbh = QStringLiteral("hwlbh");

Params periodParams(const Period& period) {
    return {{kCrk, kStockOut},
            {QStringLiteral("s1"), dateTimeParam(period.s1)},
            {QStringLiteral("s2"), dateTimeParam(period.s2)}};
}

Params withCategory(Params params, const std::optional<QString>& hwlbh) {
    if (hwlbh)
        params.append({kHwlbh, *hwlbh});
    return params;
}

double sumOrZero(const QVariant& sum) {
    return sum.isNull() ? 0 : sum.toDouble();
}

} // namespace

Period pickedPeriod(const QDateTime& start, const QDateTime& end) {
    return {start.addDays(-1), end};
}

QSqlQuery categoryTurnover(const Db& db, const Period& period) {
    return db.exec(QStringLiteral("categoryTurnover"),
                   QStringList{QStringLiteral("select hwlbh,sum(sl*dj) as sl from hwrzb"),
                               QStringLiteral("where crk=:crk and crhsj between :s1 and :s2"),
                               QStringLiteral("group by hwlbh"),
                               QStringLiteral("order by sum(sl*dj),hwlbh")},
                   periodParams(period));
}

QSqlQuery categoryKey(const Db& db, const Period& period) {
    return db.exec(
        QStringLiteral("categoryKey"),
        QStringList{QStringLiteral("select distinct hwrzb.hwlbh,hwlbpzb.hwlbm from hwrzb,hwlbpzb"),
                    QStringLiteral("where hwrzb.crk=:crk and hwrzb.crhsj between :s1 and :s2 "),
                    QStringLiteral("and hwlbpzb.hwlbh=hwrzb.hwlbh"),
                    QStringLiteral("order by hwrzb.hwlbh")},
        periodParams(period));
}

QSqlQuery goodsTurnover(const Db& db, const Period& period, const std::optional<QString>& hwlbh) {
    QStringList sql{QStringLiteral("select hwh,sum(sl*dj) as sl from hwrzb"),
                    QStringLiteral("where crk=:crk and crhsj between :s1 and :s2")};
    if (hwlbh)
        sql << QStringLiteral("and hwlbh=:hwlbh");
    sql << QStringLiteral("group by hwh") << QStringLiteral("order by hwh");
    return db.exec(QStringLiteral("goodsTurnover"), sql, withCategory(periodParams(period), hwlbh));
}

QSqlQuery goodsKey(const Db& db, const Period& period, const std::optional<QString>& hwlbh) {
    QStringList sql{QStringLiteral("select distinct hwrzb.hwh,hwpzb.hwm from hwrzb,hwpzb"),
                    QStringLiteral("where crk=:crk and hwpzb.hwh=hwrzb.hwh and crhsj between :s1 "
                                   "and :s2")};
    if (hwlbh)
        sql << QStringLiteral("and hwrzb.hwlbh=:hwlbh");
    sql << QStringLiteral("order by hwrzb.hwh");
    return db.exec(QStringLiteral("goodsKey"), sql, withCategory(periodParams(period), hwlbh));
}

ProfitSums profitSums(const Db& db) {
    QSqlQuery q =
        tableExists(db, kLogTotalsTable)
            ? db.exec(QStringLiteral("profitSums"),
                      QStringList{QStringLiteral("select rkje as cost,ckje as turnover,"),
                                  QStringLiteral("(select sum(kcl*dj) from hwb) as stock"),
                                  QStringLiteral("from hwrzhjb")})
            : db.exec(QStringLiteral("profitSums"),
                      QStringList{QStringLiteral("select (select sum(sl*rhj) from hwrzb where "
                                                 "crk=:rk) as cost,"),
                                  QStringLiteral("(select sum(sl*dj) from hwrzb where crk=:ck) "
                                                 "as turnover,"),
                                  QStringLiteral("(select sum(kcl*dj) from hwb) as stock")},
                      {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
    ProfitSums sums;
    if (q.next()) {
        sums.cost = sumOrZero(q.value(0));
        sums.turnover = sumOrZero(q.value(1));
        sums.stock = sumOrZero(q.value(2));
    }
    return sums;
}

QString markText(double value) {
    if (!std::isfinite(value))
        return QString::number(value);
    QString digits = QString::number(std::fabs(value), 'f', 3);
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    for (qsizetype at = (point < 0 ? digits.size() : point) - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    // A value that rounds to nothing carries no sign.
    const bool negative = value < 0 && digits != QLatin1String("0");
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace storedb
