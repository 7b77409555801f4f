#pragma once

#include "storedb/connection.h"

#include <QString>
#include <QStringList>

namespace storedb {

// The permanent tables; no till may take one of these names for its sale table.
const QStringList& permanentTables();

// The administrator a new store starts with, so that somebody can sign on
// the first time (documented in README).
inline const QString kFirstAdministratorNumber = QStringLiteral("1");
inline const QString kFirstAdministratorName = QStringLiteral("管理员");
inline const QString kFirstAdministratorPassword = QStringLiteral("1234");

bool schemaExists(const Db& db);
// Whether the store has the table (names in lower case).
bool tableExists(const Db& db, const QString& name);

// What the whole movement log comes to, kept by the log's triggers: one row
// (rkje: stock-ins at cost, ckje: stock-outs at price). Stores made before it
// get it when a program opens them.
inline const QString kLogTotalsTable = QStringLiteral("hwrzhjb");
// What the log itself comes to, as one row (rk, ck) from one pass over it;
// binds :rk (入库) and :ck (出库).
QString logTotalsSql(const Db& db);
// The creation script of the permanent tables for the connection's engine.
QString schemaScript(const Db& db);
// Creates the permanent tables, the one settings row and the first
// administrator, in one transaction.
void createStore(Db& db);
// The same, unless the store already has its tables; true when it created
// them. Safe when several programs open a new store at once.
bool createStoreIfMissing(Db& db);
// Whether a store was made by an earlier version: it lacks tables or indexes
// its creation script has added since ("create table if not exists" and
// "create index if not exists" statements) or the log's exact running totals.
bool upgradeNeeded(const Db& db);
// Gives such a store what it lacks. Throws DbError.
void addMissingIndexes(Db& db);

} // namespace storedb
