#pragma once

// Moving a store to another database, typically from the SQLite file a shop
// started with to the server it needs once it has tills on several
// computers, and back. The copy goes into a new store only, row by row with
// every value as it was, and is kept only when it is whole and its row
// counts and books check agree with the store it came from.

#include "storedb/datalink.h"
#include "storedb/errors.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace storedb {

// Anything that stops a migration; userText() says what in Chinese. The
// target is then as it was before.
class MigrateError : public Error {
    using Error::Error;
};

// What is being done: a table's name while its rows are copied (done of
// total rows), then the closing steps (indexes, counters, the check).
using MigrateProgress = std::function<void(const QString& step, qint64 done, qint64 total)>;

struct MigratedTable {
    QString table;
    qint64 sourceRows = 0;
    qint64 targetRows = 0;
};

struct Migrated {
    QList<MigratedTable> tables; // every permanent table the source has
    QStringList sourceFindings;  // checkBooks of the source, as text
    QStringList targetFindings;  // and of the copy
    bool kept = false;           // the copy was kept: it agrees
    bool agrees() const;         // same rows and the same books findings
};

// Copies the store `source` names into the new store `target` names: a
// SQLite file that does not exist yet, or a server database without the
// store's tables. Refused while a till is on duty. The source is read in one
// snapshot; the target is written in one transaction (server) or under
// FILE.partial renamed at the end (SQLite), so that a failure, or a copy that
// does not agree, leaves no store behind. Throws MigrateError.
Migrated migrateStore(const DataLink& source, const DataLink& target,
                      const MigrateProgress& progress = {});

} // namespace storedb
