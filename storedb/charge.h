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

} // namespace storedb
