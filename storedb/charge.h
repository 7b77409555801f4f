#pragma once

#include "storedb/connection.h"

#include <QDate>
#include <QString>

namespace storedb {

// Books the open sale of a till as one transaction: a new bill number, one
// "出库" movement per sale line carrying that number, and the sale's total
// added to the till's takings. All or nothing: on failure everything is
// rolled back and the error is thrown; the sale table is left as it was.
// Returns the bill number.
qint64 chargeSale(Db& db, const QString& terminal, const QDate& today);

// What the receipt prints from the settings row.
struct ReceiptCompany {
    QString company;       // the store's name
    QString welcome;       // the closing line
    qint64 accountnum = 0; // the bill number drawn last, by any till
};
// The settings row; empty texts when the row is missing.
ReceiptCompany receiptCompany(const Db& db);

} // namespace storedb
