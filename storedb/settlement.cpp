#include "storedb/settlement.h"

#include "storedb/datetime.h"
#include "storedb/numtext.h"

namespace storedb {

namespace {
const QString kShyh = QStringLiteral("shyh");
} // namespace

QSqlQuery owedShiftsOf(const Db& db, const QString& shyh) {
    return db.exec(
        QStringLiteral("ADOQuerycx"),
        QStringList{
            QStringLiteral("select shyh as 售货员号,zxsj as 时间,qye+yye-xye as 应交金额,jsj,dlsj"),
            QStringLiteral("from shyrzb"), QStringLiteral("where bj='未交'"),
            QStringLiteral("and shyh=:shyh"), QStringLiteral("and qye+yye-xye>0"),
            QStringLiteral("order by zxsj,jsj")},
        {{kShyh, shyh}});
}

OwedShift owedShiftOf(const QSqlRecord& row) {
    return OwedShift{row.value(3), readDateTime(row.value(4)), row.value(2).toDouble()};
}

double totalDue(const QList<OwedShift>& shifts) {
    double sum = 0;
    for (const OwedShift& shift : shifts)
        sum += shift.due;
    return roundFen(sum);
}

std::optional<QString> clerkName(const Db& db, const QString& shyh) {
    QSqlQuery q = db.exec(QStringLiteral("ADOQueryshymcx"),
                          QStringList{QStringLiteral("select shym "), QStringLiteral("from shyb"),
                                      QStringLiteral("where shyh=:shyh")},
                          {{kShyh, shyh}});
    if (!q.next())
        return std::nullopt;
    return q.value(0).toString();
}

namespace {

const QString kOwed = QStringLiteral("where bj='未交' and qye+yye-xye>0 and shyh=:shyh");

// A shift without a till or sign-on time, matched null-safely on its own.
qsizetype settleUnkeyed(const Db& db, const QString& shyh, const OwedShift& shift) {
    const QString same =
        db.isSQLite() ? QStringLiteral(" is ") : QStringLiteral(" is not distinct from ");
    QSqlQuery q =
        db.exec(QStringLiteral("settle shift"),
                QStringList{QStringLiteral("update shyrzb set bj='已交'"), kOwed,
                            QStringLiteral("and jsj") + same + QStringLiteral(":jsj and dlsj") +
                                same + QStringLiteral(":dlsj")},
                {{kShyh, shyh},
                 {QStringLiteral("jsj"), shift.jsj},
                 {QStringLiteral("dlsj"), dateTimeParam(shift.dlsj)}});
    return q.numRowsAffected();
}

// Shifts with both keys, many in one statement: a clerk who has not handed in
// for months is settled in a few round trips, each matching the listed keys
// by a lookup in the list rather than a pass over it per shift.
qsizetype settleKeyed(const Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    const QString moment =
        db.isSQLite() ? QStringLiteral(":d%1") : QStringLiteral("cast(:d%1 as timestamp)");
    QStringList rows;
    Params params{{kShyh, shyh}};
    for (qsizetype i = 0; i < shifts.size(); ++i) {
        rows << QStringLiteral("(:j%1,%2)").arg(i).arg(moment.arg(i));
        params << qMakePair(QStringLiteral("j%1").arg(i), shifts.at(i).jsj)
               << qMakePair(QStringLiteral("d%1").arg(i), dateTimeParam(shifts.at(i).dlsj));
    }
    QSqlQuery q =
        db.exec(QStringLiteral("settle shifts"),
                QStringList{QStringLiteral("update shyrzb set bj='已交'"), kOwed,
                            QStringLiteral("and (jsj,dlsj) in (values %1)").arg(rows.join(','))},
                params);
    return q.numRowsAffected();
}

// Two bound values a shift: well below every engine's limit on parameters.
constexpr qsizetype kShiftsPerStatement = 200;

} // namespace

bool settleShifts(Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    Transaction transaction(db);
    qsizetype settled = 0;
    QList<OwedShift> keyed;
    for (const OwedShift& shift : shifts) {
        if (shift.jsj.isNull() || !shift.dlsj.isValid())
            settled += settleUnkeyed(db, shyh, shift);
        else
            keyed.append(shift);
    }
    for (qsizetype at = 0; at < keyed.size(); at += kShiftsPerStatement)
        settled += settleKeyed(db, shyh, keyed.mid(at, kShiftsPerStatement));
    // Fewer: one was settled meanwhile; more: a shift not listed shares a key.
    if (settled != shifts.size())
        return false;
    transaction.commit();
    return true;
}

} // namespace storedb
