#pragma once

// The Z report (日结): a day's figures, closed and stored for good in the
// dayclose table, numbered 1, 2, 3 ... without gaps, one per day, days in
// order. grandtotal carries the net takings of every Z so far and never
// resets.
//
// The stored text (dayclose.figures) is the day's figures as dayreport.h
// writes them, with these keys beside them:
//   "closed"       the moment of closing, "yyyy-MM-dd HH:mm:ss" local time
//   "closeddays"   corrections made since the previous Z to log rows of
//                  days already closed, each as in "earlierdays"
//   "glyh"         the administrator who closed the day
//   "grandtotal"   the grand total after this Z, 2-decimal text
//   "previous"     the previous Z's hash ("" for Z 1)
// hash = SHA-256, in lowercase hex, of the UTF-8 text
//   previous hash + figures text + z in decimal + day as "yyyy-MM-dd".
// So a Z whose text or columns were changed no longer matches its hash, a
// removed Z leaves a gap in the numbers, and a Z slipped in does not carry
// its predecessor's hash. The last Z removed leaves no trace in the chain.

#include "storedb/dayreport.h"
#include "storedb/errors.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace storedb {

// A day that may not be closed (already closed, a till on duty, a day to
// come, a later day closed already, closed by another back office at the
// same moment): nothing was written, userText() says why.
class DayCloseRefusedError : public Error {
    using Error::Error;
};

struct DayClose {
    qint64 z = 0;
    QDate day;
    QDateTime closed;
    QString glyh;
    qint64 netTakings = 0; // fen: the day's gross sales less refunds
    qint64 grandTotal = 0; // fen
    DayFigures figures;
    // Corrections made since the previous Z to rows of days closed before,
    // with their difference: listed on this Z only.
    QList<EarlierDayCorrection> closedDayCorrections;
    QString previousHash;
    QString figuresText; // as stored
    QString hash;
};

// Closes the day in one transaction, reading its figures as dayFigures does
// at this moment, and returns the Z as stored. Refused with
// DayCloseRefusedError, writing nothing, when the day is after now's date, is
// closed already, is before the last closed day, follows a day with money
// not closed since the last Z, or a till has a shift signed on that day or
// earlier still open.
DayClose closeDay(Db& db, const QDate& day, const QString& glyh, const QDateTime& now);

// Z number z as stored, to print it again; none when there is no such Z.
// Throws DbError.
std::optional<DayClose> readZ(const Db& db, qint64 z);

// The chain's hash of one Z (see above).
QString dayCloseHash(const QString& previousHash, const QString& figuresText, qint64 z,
                     const QDate& day);

// What the chain check finds wrong with a Z.
enum class ChainFault {
    Changed,  // its text or columns no longer match its hash
    Removed,  // its number is missing (z is the first missing number)
    Inserted, // it does not carry its predecessor's hash: slipped in or replaced
};
struct ChainFinding {
    qint64 z = 0;
    ChainFault fault = ChainFault::Changed;
    QString text; // Chinese, one line, naming the Z
};

// Every break in the chain of Zs, by number; empty when it holds. Reads
// only; throws DbError.
QList<ChainFinding> verifyDayCloseChain(const Db& db);

} // namespace storedb
