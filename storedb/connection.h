#pragma once

#include "storedb/datalink.h"

#include <QHash>
#include <QPair>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>

namespace storedb {

class TillLease;

// Named parameters of one statement, in any order.
using Params = QList<QPair<QString, QVariant>>;

// How a commit reaches the disk. A lazy commit is as atomic as any, but the
// last ones before a power failure may be lost together with everything they
// changed: for changes that are undone anyway when a till starts again (the
// lines of a sale not charged yet), so that keying goods waits for no disk.
enum class Durability { Durable, Lazy };

// The one connection of a program, and the only way statements reach it.
class Db {
  public:
    Db(const QString& connectionName, Engine engine);
    ~Db();
    Db(const Db&) = delete;
    Db& operator=(const Db&) = delete;

    Engine engine() const { return engine_; }
    bool isSQLite() const { return engine_ == Engine::SQLite; }
    QSqlDatabase database() const;
    const QString& connectionName() const { return connectionName_; }

    // Prepares the statement, binds every named parameter and runs it. A
    // placeholder without a value, or a value without a placeholder, is an
    // error; so is any failure of the driver. Errors are thrown as DbError
    // naming the statement. The returned query is positioned before its first
    // row.
    //
    // A server connection that was lost (the server restarted, the network
    // broke) is opened again once and the statement run again, but only
    // outside a transaction: a transaction cut off is never replayed in part.
    // It throws ConnectionLostError, and the next begin() starts afresh.
    QSqlQuery exec(const QString& name, const QString& sql, const Params& params = {}) const;
    // A statement given as lines, joined with line breaks.
    QSqlQuery exec(const QString& name, const QStringList& lines, const Params& params = {}) const;
    // exec() for rows read once, first to last (a whole list exported): the
    // driver keeps no row behind the reader, so a million rows are never all
    // held at once.
    QSqlQuery execForward(const QString& name, const QString& sql, const Params& params = {}) const;
    // exec() for the statements a till runs at every key: the statement
    // stays prepared on the connection, so that running it again is one round
    // trip to a server instead of three. Its rows must be read and the query
    // finished (QSqlQuery::finish) before the same statement runs again; an
    // unfinished SQLite statement would keep an old view of the store.
    // The query stays the connection's: read it through the reference.
    QSqlQuery& execKept(const QString& name, const QString& sql, const Params& params = {}) const;
    QSqlQuery& execKept(const QString& name, const QStringList& lines,
                        const Params& params = {}) const;
    // Drops the kept statements, e.g. before a table they read is dropped.
    void forgetKept() const;

    // Write transactions. On SQLite a transaction begins with BEGIN IMMEDIATE,
    // so that two programs that read and then write wait for each other
    // instead of failing.
    void begin(Durability durability = Durability::Durable);
    void commit();
    void rollback() noexcept;
    bool inTransaction() const { return inTransaction_; }

    // Quotes a name as an SQL identifier, doubling embedded quotes.
    static QString quoteIdentifier(const QString& name);

    // The till name a till program's connection works under (see
    // confirmTillLease); none in the back office and the tools.
    const TillLease* tillLease() const { return tillLease_; }
    void workUnder(const TillLease* lease) { tillLease_ = lease; }

  private:
    // Runs the statement in `local`, or in the kept query when keep is set.
    QSqlQuery& execute(const QString& name, const QString& sql, const Params& params, bool keep,
                       QSqlQuery& local) const;
    QSqlQuery& statement(const QString& sql, bool keep, QSqlQuery& local) const;
    bool run(QSqlQuery& query, const QString& sql, const Params& params, bool keep) const;
    void setDurability(Durability durability);
    [[noreturn]] void fail(const QString& name, const QSqlError& error) const;
    bool connectionLost(const QSqlError& error) const;
    void reconnect(const QString& name, const QString& cause) const;

    QString connectionName_;
    Engine engine_;
    bool inTransaction_ = false;
    const TillLease* tillLease_ = nullptr;
    // After a reconnect that waited for a timeout, further attempts fail at
    // once for a moment, so that one action never waits twice.
    mutable qint64 reconnectPausedUntil_ = 0;
    mutable QHash<QString, std::shared_ptr<QSqlQuery>> kept_;
    // SQLite's setting is the connection's, not the transaction's.
    Durability sqliteDurability_ = Durability::Durable;
};

// Rolls back unless committed: the guard of every multi-statement change.
class Transaction {
  public:
    explicit Transaction(Db& db, Durability durability = Durability::Durable) : db_(db) {
        db_.begin(durability);
    }
    ~Transaction() {
        if (!done_)
            db_.rollback();
    }
    void commit() {
        db_.commit();
        done_ = true;
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    Db& db_;
    bool done_ = false;
};

// The placeholder names (":name") of a statement, outside quoted text.
QStringList placeholderNames(const QString& sql);

// Whether opening may bring a store into being. A till never creates one: a
// link to a SQLite file that is not there is a wrong link, not a new shop.
enum class StoreCreation { MustExist, MayCreate };

// Runs the bringing up to date of a store made by an earlier version, which
// on a large log takes minutes. The work opens a connection of its own, so a
// program may run it on another thread and keep its windows answering and
// saying so meanwhile. Called only when there is something to do.
using UpgradeRunner = std::function<void(const std::function<void()>& work)>;

// Opens the connection a data link describes. With MayCreate a new or empty
// SQLite file is given the schema, the settings row and a first
// administrator; with MustExist a missing SQLite file is a DataLinkError.
// An older store is brought up to date (see addMissingIndexes), through
// `upgrade` when given, else on this connection.
// Throws DataLinkError or DbError.
std::unique_ptr<Db> openDatabase(const DataLink& link,
                                 const QString& connectionName = QStringLiteral("store"),
                                 StoreCreation creation = StoreCreation::MayCreate,
                                 const UpgradeRunner& upgrade = {});

// True when the link names a SQLite file that does not exist yet.
bool storeFileMissing(const DataLink& link);

// The same connection without creating anything (tools that decide
// themselves whether a store is to be created). A missing SQLite file is still
// created empty by the engine.
std::unique_ptr<Db> connectDatabase(const DataLink& link,
                                    const QString& connectionName = QStringLiteral("store"));

// The table as the FROM of a statement that reads all of it. SQLite keeps no
// statistics: comparing an indexed column with a constant, it would walk the
// index and fetch millions of log rows one by one instead of reading the table.
QString wholeTable(const Db& db, const QString& table);

// Registers a server connection to the link's address with these libpq
// options, not yet open. Throws DbError when the driver is missing.
void addServerConnection(const DataLink& link, const QString& connectionName,
                         const QString& options);

// What an opened server connection needs before its first statement (and
// again after every reconnect). False when the server refused it.
bool startServerSession(QSqlDatabase& db);

} // namespace storedb
