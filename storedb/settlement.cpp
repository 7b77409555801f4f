#include "storedb/settlement.h"

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

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

// Shifts with both keys, all in one statement. The keys go as one JSON list:
// as two bound values a shift, a clerk owing months took the driver longer
// to bind than the server to update. Each row is matched by a lookup in the
// list, not a pass over it.
qsizetype settleKeyed(const Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    QJsonArray keys;
    for (const OwedShift& shift : shifts)
        keys.append(QJsonArray{shift.jsj.toString(), dateTimeParam(shift.dlsj).toString()});
    const QString listed = db.isSQLite()
                               ? QStringLiteral("select value->>0,value->>1 from json_each(:keys)")
                               : QStringLiteral("select value->>0,cast(value->>1 as timestamp) "
                                                "from json_array_elements(cast(:keys as json))");
    QSqlQuery q =
        db.exec(QStringLiteral("settle shifts"),
                QStringList{QStringLiteral("update shyrzb set bj='已交'"), kOwed,
                            QStringLiteral("and (jsj,dlsj) in (%1)").arg(listed)},
                {{kShyh, shyh},
                 {QStringLiteral("keys"),
                  QString::fromUtf8(QJsonDocument(keys).toJson(QJsonDocument::Compact))}});
    return q.numRowsAffected();
}

} // namespace

namespace {

// Marks the shifts inside the caller's transaction; false when they are no
// longer exactly the ones listed.
bool markSettled(Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    // The server underestimates how many of one clerk's shifts are owed (the
    // two columns go together) and may then compare every owed shift with
    // every listed key; hashing the keys keeps a clerk owing months at a few ms.
    if (!db.isSQLite())
        db.exec(QStringLiteral("settle plan"), QStringLiteral("set local enable_nestloop to off"));
    qsizetype settled = 0;
    QList<OwedShift> keyed;
    for (const OwedShift& shift : shifts) {
        if (shift.jsj.isNull() || !shift.dlsj.isValid())
            settled += settleUnkeyed(db, shyh, shift);
        else
            keyed.append(shift);
    }
    if (!keyed.isEmpty())
        settled += settleKeyed(db, shyh, keyed);
    // Fewer: one was settled meanwhile; more: a shift not listed shares a key.
    return settled == shifts.size();
}

// The shifts of a settlement, one statement for all (as settleKeyed).
void recordShifts(const Db& db, qint64 id, const QList<OwedShift>& shifts) {
    QJsonArray rows;
    for (const OwedShift& shift : shifts) {
        const QVariant dlsj = dateTimeParam(shift.dlsj);
        rows.append(QJsonArray{shift.jsj.isNull() ? QJsonValue() : shift.jsj.toString(),
                               dlsj.isNull() ? QJsonValue() : dlsj.toString(),
                               roundFen(shift.due)});
    }
    const QString listed =
        db.isSQLite() ? QStringLiteral("select :id,value->>0,value->>1,value->>2 "
                                       "from json_each(:rows)")
                      : QStringLiteral("select cast(:id as bigint),value->>0,"
                                       "cast(value->>1 as timestamp),cast(value->>2 as numeric) "
                                       "from json_array_elements(cast(:rows as json))");
    db.exec(
        QStringLiteral("settlement shifts"),
        QStringList{QStringLiteral("insert into settlementshift(settlement,jsj,dlsj,due)"), listed},
        {{QStringLiteral("id"), id},
         {QStringLiteral("rows"),
          QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))}});
}

// Larger sums would not survive the column's two decimals as a double.
constexpr double kLargestReceived = 9999999999.99;

} // namespace

bool settleShifts(Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    Transaction transaction(db);
    if (!markSettled(db, shyh, shifts))
        return false;
    transaction.commit();
    return true;
}

double receivedAmount(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        throw InvalidValueError(QStringLiteral("请输入实收金额！"));
    bool ok = false;
    const double value = typed.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw InvalidValueError(QStringLiteral("实收金额必须是数字,请重新输入！"));
    if (value < 0)
        throw InvalidValueError(QStringLiteral("实收金额不能是负数！"));
    if (value > kLargestReceived)
        throw InvalidValueError(QStringLiteral("实收金额不能超过9999999999.99！"));
    const double fen = value * 100;
    if (std::fabs(fen - std::round(fen)) > 1e-6)
        throw InvalidValueError(QStringLiteral("实收金额只能精确到分,请重新输入！"));
    return roundFen(value);
}

std::optional<SettlementRecord> recordSettlement(Db& db, const QString& glyh, const QString& shyh,
                                                 const QList<OwedShift>& shifts, double received,
                                                 const QDateTime& now) {
    if (!std::isfinite(received) || received < 0 || received > kLargestReceived)
        throw InvalidValueError(QStringLiteral("实收金额必须是0到9999999999.99之间的数！"));
    SettlementRecord record;
    // Seconds, as the column keeps it and the slip shows it.
    record.settled =
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second()));
    record.glyh = glyh;
    record.shyh = shyh;
    record.owed = totalDue(shifts);
    record.received = roundFen(received);
    record.difference = roundFen(record.received - record.owed);
    record.shifts = shifts;

    Transaction transaction(db);
    if (!markSettled(db, shyh, shifts))
        return std::nullopt;
    QSqlQuery q = db.exec(
        QStringLiteral("record settlement"),
        QStringList{
            QStringLiteral("insert into settlement(settled,glyh,shyh,owed,received,difference)"),
            QStringLiteral("values(:settled,:glyh,:shyh,:owed,:received,:difference)"),
            QStringLiteral("returning id")},
        {{QStringLiteral("settled"), dateTimeParam(record.settled)},
         {QStringLiteral("glyh"), glyh},
         {kShyh, shyh},
         {QStringLiteral("owed"), record.owed},
         {QStringLiteral("received"), record.received},
         {QStringLiteral("difference"), record.difference}});
    if (!q.next())
        throw DbError(QStringLiteral("record settlement: no id returned"), kStatementFailed);
    record.id = q.value(0).toLongLong();
    q.finish();
    if (!shifts.isEmpty())
        recordShifts(db, record.id, shifts);
    transaction.commit();
    return record;
}

std::optional<SettlementRecord> settlementRecord(const Db& db, qint64 id) {
    const Params byId{{QStringLiteral("id"), id}};
    QSqlQuery q = db.exec(QStringLiteral("settlement"),
                          QStringLiteral("select settled,glyh,shyh,owed,received,difference "
                                         "from settlement where id=:id"),
                          byId);
    if (!q.next())
        return std::nullopt;
    SettlementRecord record;
    record.id = id;
    record.settled = readDateTime(q.value(0));
    record.glyh = q.value(1).toString();
    record.shyh = q.value(2).toString();
    record.owed = q.value(3).toDouble();
    record.received = q.value(4).toDouble();
    record.difference = q.value(5).toDouble();
    QSqlQuery shifts = db.exec(QStringLiteral("settlement shifts"),
                               QStringLiteral("select jsj,dlsj,due from settlementshift "
                                              "where settlement=:id "
                                              "order by dlsj is null,dlsj,jsj"),
                               byId);
    while (shifts.next())
        record.shifts << OwedShift{shifts.value(0), readDateTime(shifts.value(1)),
                                   shifts.value(2).toDouble()};
    return record;
}

QSqlQuery settlementsOf(const Db& db, const QString& shyh) {
    return db.exec(QStringLiteral("settlements of a clerk"),
                   QStringList{QStringLiteral("select settled as 结算时间,glyh as 管理员号,"
                                              "owed as 应交金额,received as 实收金额,"
                                              "difference as 差额,id"),
                               QStringLiteral("from settlement where shyh=:shyh"),
                               QStringLiteral("order by settled desc,id desc")},
                   {{kShyh, shyh}});
}

} // namespace storedb
