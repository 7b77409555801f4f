#pragma once

// The day's money as the X report (营业日报) shows it: read at any time,
// closing nothing. The Z report (dayclose.h) stores the same figures.
//
// A day is the local calendar day: every timestamp is stored as local time,
// and each figure reads its rows from the day's midnight up to the next one.
// Money is kept in whole fen, so that sums are exact on both engines and the
// Z's text never depends on floating point.
//
// Where each figure comes from:
//   sales, gross      salebill rows sold that day (total is what was charged)
//   returns, refunds  salereturn rows returned that day (amount paid out);
//                     a refund is money out, never counted as taken
//   floats            shyrzb.qye of the shifts signed on that day
//   handed in         qye + yye - xye of the shifts signed off that day (xye
//                     is the float left in the drawer, not the cash handed in)
//   settled           settlement rows of that day: owed, received, difference
//   still owed        every shift "未交" owing more than 0 when the report is
//                     read, whatever its day
// Returns and shifts count at the till and clerk that booked them, a return
// therefore under the clerk who paid it out, not the one who sold.

#include "storedb/connection.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

namespace storedb {

// Whole fen as "12.30", "-0.05": the one text of money in reports and the Z.
QString fenText(qint64 fen);

// One till's, one clerk's or the whole shop's money of the day.
struct TakingsFigures {
    int sales = 0;
    int returns = 0;
    qint64 gross = 0;   // fen
    qint64 refunds = 0; // fen
    qint64 net() const { return gross - refunds; }
    int shiftsSignedOn = 0;
    qint64 floats = 0; // fen
    int shiftsSignedOff = 0;
    qint64 handedIn = 0; // fen
    // Settlements belong to a clerk, not to a till: zero in a till's figures.
    int settlements = 0;
    qint64 settledOwed = 0;
    qint64 settledReceived = 0;
    qint64 settledDifference = 0; // received - owed
    qint64 stillOwed = 0;         // fen, at the moment of reading
    // Bill numbers of the day; 0 when there was none.
    qint64 firstSale = 0;
    qint64 lastSale = 0;
    qint64 firstReturn = 0;
    qint64 lastReturn = 0;
};

// The back office's movements of the day: stock-ins at their buying-in
// price, stock-outs (not the tills' sales) at their price.
struct MovementFigures {
    int rows = 0;
    qint64 pieces = 0;
    qint64 value = 0; // fen
};

// A correction of a log row dated before the day it was made.
struct EarlierDayCorrection {
    qint64 id = 0; // changerecord.id
    QDateTime changed;
    QString glyh;
    QString hwh;
    qint64 bh = 0;     // the log row
    QDate day;         // its movement date
    qint64 amount = 0; // fen: the change of its money
};

// The corrections (更正) and price changes (调价) made that day, read from
// changerecord.
struct ChangeFigures {
    int corrections = 0;
    int priceChanges = 0;
    QList<EarlierDayCorrection> earlierDays; // by time of change
};

struct DayFigures {
    QDate day;
    QMap<QString, TakingsFigures> tills;  // by till name; "" for a bill without one
    QMap<QString, TakingsFigures> clerks; // by clerk number
    TakingsFigures total;
    MovementFigures stockIns;
    MovementFigures stockOuts;
    ChangeFigures changes;
};

// The X report's figures of a day. Reads only; throws DbError.
DayFigures dayFigures(const Db& db, const QDate& day);

// The figures as canonical text: compact JSON, keys sorted, amounts as
// 2-decimal text ("12.30"), counts and bill numbers as integers, the day as
// "yyyy-MM-dd". Layout:
//   {"changes":{"corrections":n,"earlierdays":[{"amount","bh","changed",
//      "day","glyh","hwh","id"}...],"pricechanges":n},
//    "clerks":{"<shyh>":T,...},"day":"...","stockins":M,"stockouts":M,
//    "tills":{"<jsj>":T,...},"total":T}
// with T {"firstreturn","firstsale","floats","gross","handedin",
// "lastreturn","lastsale","net","refunds","returns","sales","settled",
// "settleddifference","settledowed","settledreceived","shiftsoff",
// "shiftson","stillowed"} and M {"pieces","rows","value"}.
// The Z adds its own keys beside these (see dayclose.h).
QJsonObject figuresObject(const DayFigures& figures);
// The figures back from such an object; false when it is not one.
bool readFiguresObject(const QJsonObject& object, DayFigures& figures);
// One correction in that text's form, for the Z's own lists.
QJsonObject earlierDayCorrectionObject(const EarlierDayCorrection& correction);
bool readEarlierDayCorrection(const QJsonValue& value, EarlierDayCorrection& correction);
// An object as that text: compact, keys sorted (QJsonObject keeps them so).
QString canonicalText(const QJsonObject& object);

} // namespace storedb
