#pragma once

// Settling the takings clerks owe. A shift is owed when it is marked "未交"
// and its amount due, qye + yye - xye, is above 0. The administrator is
// handed the cash for the shifts a look-up showed, so exactly those shifts
// are settled: a shift a till closes after the look-up stays owed until the
// next one.

#include "storedb/connection.h"

#include <QDateTime>
#include <QList>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <optional>

namespace storedb {

// One clerk's owed shifts: 售货员号, 时间, 应交金额, then the columns that
// tell the shift apart (jsj, dlsj: a till signs on once at a time), which
// the grid does not show.
QSqlQuery owedShiftsOf(const Db& db, const QString& shyh);
inline constexpr int kOwedShiftShownColumns = 3;

// A shift as a look-up listed it.
struct OwedShift {
    QVariant jsj;
    QDateTime dlsj; // invalid for null
    double due = 0;
};
// From a row of owedShiftsOf().
OwedShift owedShiftOf(const QSqlRecord& row);
// What the shifts come to, rounded to the fen.
double totalDue(const QList<OwedShift>& shifts);

// The clerk's name; none for a number not on file.
std::optional<QString> clerkName(const Db& db, const QString& shyh);

// Marks these shifts of the clerk "已交", in one transaction. False, and
// nothing written, when they are no longer all owed as listed (another
// back office settled one meanwhile).
bool settleShifts(Db& db, const QString& shyh, const QList<OwedShift>& shifts);

// The cash received as the administrator typed it: a sum of money of 0 or
// more, to the fen. Throws InvalidValueError, its text saying what is wrong.
double receivedAmount(const QString& text);

// A settlement as recorded: who handed in to whom and when, the shifts, and
// the figures, each to the fen; difference is received - owed.
struct SettlementRecord {
    qint64 id = 0;
    QDateTime settled;
    QString glyh;
    QString shyh;
    double owed = 0;
    double received = 0;
    double difference = 0;
    QList<OwedShift> shifts;
};

// Settles the shifts as settleShifts does and records the settlement with
// them in the same transaction, a difference and all. None, and nothing
// written, when they are no longer all owed as listed.
std::optional<SettlementRecord> recordSettlement(Db& db, const QString& glyh, const QString& shyh,
                                                 const QList<OwedShift>& shifts, double received,
                                                 const QDateTime& now);

// A recorded settlement read back with its shifts; none for an unknown id.
std::optional<SettlementRecord> settlementRecord(const Db& db, qint64 id);

// The clerk's earlier settlements, newest first: 结算时间, 管理员号, 应交金额,
// 实收金额, 差额, then the id, which the grid does not show.
QSqlQuery settlementsOf(const Db& db, const QString& shyh);
inline constexpr int kSettlementShownColumns = 5;

} // namespace storedb
