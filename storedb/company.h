#pragma once

#include "storedb/connection.h"

#include <QString>

namespace storedb {

// The one row of company: the receipt's head and foot texts, the alarm
// stock level and the last bill number drawn (read only: accountnum owns it).
struct ShopSettings {
    QString company;
    QString welcome;
    int sl = 0;
    qint64 accountnum = 0;
};
// The settings row; empty texts and 0 while the table has no row (or a
// column is null).
ShopSettings loadShopSettings(const Db& db);
// Updates the settings row, or creates it when the table is empty (the bill
// counter of a new row starts at 0). Texts longer than their columns and a
// negative alarm level are refused (InvalidValueError) on every engine, not
// only where the engine checks them.
void saveShopSettings(Db& db, const ShopSettings& settings);

} // namespace storedb
