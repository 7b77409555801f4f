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

bool settleShifts(Db& db, const QString& shyh, const QList<OwedShift>& shifts) {
    // Null-safe, so that a shift without a till or sign-on time is found too.
    const QString same =
        db.isSQLite() ? QStringLiteral(" is ") : QStringLiteral(" is not distinct from ");
    const QStringList settle{QStringLiteral("update shyrzb "),
                             QStringLiteral("set bj='已交'"),
                             QStringLiteral("where bj='未交'"),
                             QStringLiteral("and qye+yye-xye>0 "),
                             QStringLiteral("and shyh=:shyh"),
                             QStringLiteral("and jsj") + same + QStringLiteral(":jsj and dlsj") +
                                 same + QStringLiteral(":dlsj")};
    Transaction transaction(db);
    qsizetype settled = 0;
    for (const OwedShift& shift : shifts) {
        QSqlQuery q = db.exec(QStringLiteral("settle shift"), settle,
                              {{kShyh, shyh},
                               {QStringLiteral("jsj"), shift.jsj},
                               {QStringLiteral("dlsj"), dateTimeParam(shift.dlsj)}});
        settled += q.numRowsAffected();
    }
    // Fewer: one was settled meanwhile; more: a shift not listed shares a key.
    if (settled != shifts.size())
        return false;
    transaction.commit();
    return true;
}

} // namespace storedb
