#pragma once

// Returns (退货): goods of a charged sale taken back and their money paid
// out of the till's drawer.
//
// A return is a bill of its own: it draws a new number from the shared
// counter and refers to the sale it takes back, whose rows stay as they are.
// In the movement log it is written as "出库" rows of negative pieces at the
// sold unit price, under the return's own number, so that every sum over the
// log (stock, takings, the log's totals, the queries and statistics) nets the
// return out without knowing of it. salereturn tells which sale a return
// belongs to, who paid the money back and who authorised it.

#include "storedb/connection.h"
#include "storedb/saletable.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace storedb {

// The lines of a sale of one goods item at one unit price, taken together.
struct BillLine {
    QString hwh;
    QString hwm; // the goods' name in the catalogue; empty for deleted goods
    QString hwlbh;
    double dj = 0;
    int sold = 0;
    int returned = 0; // by the earlier returns of the bill
    int left() const { return sold - returned; }
};

// A sale as its return sees it.
struct BillForReturn {
    qint64 num = 0;
    QDate date;
    // Who charged it; empty for bills charged before the store kept this.
    QString jsj;
    QString shyh;
    QString shym;
    QList<BillLine> lines; // in the bill's line order
    bool fullyReturned() const;
};

// The sale with this bill number; none when the number is no sale (unknown,
// or the number of a return).
std::optional<BillForReturn> billForReturn(const Db& db, qint64 num);

// Pieces of one line of the bill to take back.
struct ReturnPiece {
    QString hwh;
    double dj = 0;
    int pieces = 0;
};

struct BookedReturn {
    qint64 num = 0; // the return's own bill number
    qint64 original = 0;
    double amount = 0; // the refund, rounded as a charge is
    // What the slip prints, in the bill's line order: sl the pieces taken
    // back, jg their money, bh the line's place on the return.
    QList<SaleLine> lines;
};

// Books a return at till jsj as one transaction: a new bill number, a log row
// of negative pieces per goods and price returned, the pieces back in stock,
// the refund taken off the till's takings and its open shift's, and the
// salereturn row (clerk shyh, authorising administrator glyh). Requests of
// the same goods and price are added together. Throws ReturnRefusedError,
// having written nothing, when the bill is no sale or is returned in full,
// the request is empty, a goods item or price is not on the bill, a number of
// pieces is not positive or more than is left to return, the goods have no
// stock row any more, the till has no open shift, or the refund is more than
// the drawer's cash (the float and the takings of the shift); and
// TillNotRegisteredError when the till has no row.
BookedReturn bookReturn(Db& db, const QString& jsj, const QString& shyh, const QString& glyh,
                        qint64 original, const QList<ReturnPiece>& pieces, const QDateTime& now);

} // namespace storedb
