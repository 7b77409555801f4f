#pragma once

// A short look into a store: what the tool prints for "show", and whether a
// store is still empty enough to take the demo data.

#include "storedb/connection.h"

#include <QString>
#include <QTextStream>

namespace storeinfo {

// Categories, goods, stock rows, clerks and tills already entered; empty
// when the store has none of them.
QString contentsInTheWay(const storedb::Db& db);

// Counts, settings, administrators, clerks and tills.
void printSummary(const storedb::Db& db, QTextStream& out);

} // namespace storeinfo
