#pragma once

// The demo store: a small neighbourhood supermarket with goods in six
// categories, stock received over the last days, three clerks and this
// computer registered as a till. Loaded through the store's named operations
// only, as the back office would enter it.

#include "storedb/connection.h"

#include <QDate>
#include <QString>

namespace demo {

// The EAN-13 check digit appended to twelve digits.
QString ean13(const QString& twelveDigits);

struct Loaded {
    int categories = 0;
    int goods = 0;
    int lowStock = 0; // goods at or below the default low-stock threshold
    int movements = 0;
    int clerks = 0;
    QString till;
};

// The till's opening float.
inline constexpr double kTillFloat = 200;

// Loads the demo store into a store that has its tables but no goods, clerks
// or tills yet, in one transaction. The movements are dated in the days
// before today and logged under the first administrator. Throws
// storedb::Error (TerminalNameError when the till name cannot serve).
Loaded loadDemoStore(storedb::Db& db, const QString& till, const QDate& today);

} // namespace demo
