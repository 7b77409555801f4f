#pragma once

// Whether the store's books add up: stock against the movement log and the
// open sales, takings against the sold pieces, shifts against their tills,
// bill numbers against the counter, returns against the sales they take
// back. Each rule is a few statements the database plans over the whole
// store, so the check stays usable on a log of millions of rows; only the
// places that do not add up come back.
//
// Where a goods item's history begins: the check takes the whole movement
// log of the goods number. Deleting goods removes their stock row but keeps
// their log rows, and the log holds no mark of the deletion, so goods that
// still held stock when they were deleted and were later added again under
// the same number are reported on the stock rule. Goods deleted with no
// stock left (everything sold or taken out), and deleted goods that were not
// added again, are checked correctly.

#include "storedb/connection.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace storedb {

enum class BooksRule {
    Stock,         // hwb.kcl = in - out - pieces in the tills' open sales
    NegativeStock, // no stock below zero
    Uncatalogued,  // no open sale line or stock row of goods not in the catalogue
    Takings,       // shifts' and tills' takings = value of the sold pieces
    CashOwed,      // an owed shift owes zero or more
    TillShifts,    // one open shift per online till, none at a till on standby
    Bills,         // every sale row has a bill number used on one day only, within the counter
    LogTotals,     // the log's running totals = the log's own sums
    Returns,       // no bill's goods returned beyond the pieces it sold
    DayClose,      // the closed days' chain of Zs holds (dayclose.h)
};

struct BooksFinding {
    BooksRule rule;
    QString subject; // the goods number, till, bill or Z number; empty for store-wide sums
    QString text;    // one line, Chinese, naming the goods, till, shift, bill or Z
};

// Every place where the books do not add up, rule by rule; empty when all
// holds. Reads only; throws DbError when a statement fails.
QList<BooksFinding> checkBooks(const Db& db);

QStringList findingTexts(const QList<BooksFinding>& findings);

} // namespace storedb
