#pragma once

#include "storedb/connection.h"
#include "storedb/saletable.h"

#include <QDate>
#include <QList>
#include <QString>

namespace storedb {

// A sale once it has been charged: what the receipt prints.
struct ChargedSale {
    qint64 bill = 0;
    QList<SaleLine> lines;
    double total = 0; // rounded to the fen
};

// Books the open sale of a till as one transaction: a new bill number, one
// "出库" movement per sale line carrying that number, the sale's total added
// to the till's takings and to its open shift, the till and its clerk kept
// for the bill (salebill), and the lines taken out of the sale table. All or
// nothing: on failure everything is rolled back, the error is thrown and the
// sale stays pending. Once booked, no line is left in the table for a wind-up
// to put back into stock, whatever happens to the till before the receipt is
// printed. A sale table without lines is refused (EmptySaleError), writing
// nothing.
ChargedSale chargeSale(Db& db, const QString& terminal, const QDate& today);

} // namespace storedb
