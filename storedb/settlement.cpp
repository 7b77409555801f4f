#include "storedb/settlement.h"

#include "storedb/datetime.h"
#include "storedb/numtext.h"

#include <QJsonArray>
#include <QJsonDocument>

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

bool settleShifts(Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    Transaction transaction(db);
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
    if (settled != shifts.size())
        return false;
    transaction.commit();
    return true;
}

} // namespace storedb
