#include "storedb/connection.h"

#include "storedb/errors.h"
#include "storedb/schema.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QSqlError>
#include <QThread>
#include <exception>

namespace storedb {

namespace {

QString driverText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    const QString driver = error.driverText().trimmed();
    if (text.isEmpty())
        return driver;
    if (!driver.isEmpty() && !text.contains(driver))
        text = driver + QStringLiteral(": ") + text;
    return text;
}

const int kBusyTimeoutMs = 15000;

// Primary SQLite result codes.
const int kSqliteReadOnly = 8;
const int kSqliteCantOpen = 14;
const int kSqliteFull = 13;

// What the user reads when SQLite refuses a statement: a full disk and a
// read-only file are the user's to put right, so they are named.
QString sqliteUserText(const QSqlError& error) {
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case kSqliteFull:
        return kDiskFull;
    case kSqliteReadOnly:
    case kSqliteCantOpen: // the write-ahead log cannot be made in a read-only folder
        return kStoreReadOnly;
    default:
        return kStatementFailed;
    }
}

// A reconnect that takes this long waited for a timeout...
const qint64 kSlowReconnectMs = 1000;
// ...and is not tried again for this long.
const qint64 kReconnectPauseMs = 5000;

Q_LOGGING_CATEGORY(lcConnection, "orvani.connection")

// SQLite's own ceiling on Linux is just under 2 GB.
const qint64 kMapBytes = qint64(2) << 30;

// SQLSTATEs of a connection that is gone: class 08 (connection exception) and
// the server shutting down or restarting (57P01-57P03).
bool isConnectionState(const QString& state) {
    return state.startsWith(QLatin1String("08")) || state == QLatin1String("57P01") ||
           state == QLatin1String("57P02") || state == QLatin1String("57P03");
}

// Switching a file to WAL takes an exclusive lock, and SQLite reports a busy
// file at once instead of waiting: several programs opening a new store at
// the same moment must wait for each other here.
void setWriteAheadLog(const Db& db) {
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        QSqlQuery query(db.database());
        if (query.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            return;
        const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
        const bool busy = code == 5 || code == 6; // SQLITE_BUSY, SQLITE_LOCKED
        if (!busy || waited.elapsed() > kBusyTimeoutMs)
            throw DbError(QStringLiteral("journal mode: %1").arg(driverText(query.lastError())),
                          sqliteUserText(query.lastError()));
        QThread::msleep(20);
    }
}

} // namespace

QStringList placeholderNames(const QString& sql) {
    QStringList names;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Skip quoted text; a doubled quote stays inside it.
            for (++i; i < n; ++i) {
                if (sql.at(i) == c) {
                    if (i + 1 < n && sql.at(i + 1) == c)
                        ++i;
                    else
                        break;
                }
            }
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
                ++i; // a PostgreSQL cast, not a placeholder
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_')))
                ++j;
            if (j > i + 1)
                names << sql.mid(i + 1, j - i - 1);
            i = j - 1;
        }
    }
    return names;
}

Db::Db(const QString& connectionName, Engine engine)
    : connectionName_(connectionName), engine_(engine) {}

Db::~Db() {
    if (inTransaction_)
        rollback();
    kept_.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
        if (db.isValid())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName_);
}

QSqlDatabase Db::database() const {
    return QSqlDatabase::database(connectionName_, false);
}

QString Db::quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QSqlQuery Db::exec(const QString& name, const QString& sql, const Params& params) const {
    QSqlQuery local;
    execute(name, sql, params, false, local);
    return local;
}

QSqlQuery Db::execForward(const QString& name, const QString& sql, const Params& params) const {
    // Made on the connection: a query without one ignores the mode, and every
    // row read would then be kept in memory to the end.
    QSqlQuery local(database());
    local.setForwardOnly(true);
    execute(name, sql, params, false, local);
    return local;
}

QSqlQuery& Db::execKept(const QString& name, const QString& sql, const Params& params) const {
    QSqlQuery unused;
    return execute(name, sql, params, true, unused);
}

QSqlQuery& Db::execKept(const QString& name, const QStringList& lines, const Params& params) const {
    return execKept(name, lines.join(QLatin1Char('\n')), params);
}

void Db::forgetKept() const {
    kept_.clear();
}

// A fresh query for each attempt: one made before a reconnect belongs to the
// connection that was lost.
QSqlQuery& Db::statement(const QString& sql, bool keep, QSqlQuery& local) const {
    if (!keep) {
        const bool forward = local.isForwardOnly();
        local = QSqlQuery(database());
        local.setForwardOnly(forward);
        return local;
    }
    std::shared_ptr<QSqlQuery>& kept = kept_[sql];
    if (!kept)
        kept = std::make_shared<QSqlQuery>(database());
    return *kept;
}

QSqlQuery& Db::execute(const QString& name, const QString& sql, const Params& params, bool keep,
                       QSqlQuery& local) const {
    const QStringList wanted = placeholderNames(sql);
    const QSet<QString> wantedSet(wanted.cbegin(), wanted.cend());
    QSet<QString> given;
    for (const auto& [key, value] : params) {
        const QString bare = key.startsWith(QLatin1Char(':')) ? key.mid(1) : key;
        if (!wantedSet.contains(bare))
            throw DbError(QStringLiteral("%1: 参数 %2 不在语句中").arg(name, bare));
        // libpq ends a value at its first NUL, and no column of the store
        // holds one: a pasted NUL is the user's text, not a database fault.
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            throw InvalidValueError(QStringLiteral("%1: 参数 %2 含有 NUL").arg(name, bare),
                                    QStringLiteral("输入的内容含有无效字符,请重新输入！"));
        given.insert(bare);
    }
    for (const QString& placeholder : wanted) {
        if (!given.contains(placeholder))
            throw DbError(QStringLiteral("%1: 参数 %2 没有赋值").arg(name, placeholder));
    }

    if (engine_ == Engine::PostgreSQL && !database().isOpen()) {
        // Closed by an earlier loss: a transaction that was open then is gone.
        if (inTransaction_)
            throw ConnectionLostError(
                QStringLiteral("%1: 与服务器的连接在事务中断开,事务已由服务器撤销").arg(name),
                kConnectionLostNothingSaved);
        reconnect(name, QStringLiteral("连接已关闭"));
    }
    {
        QSqlQuery& query = statement(sql, keep, local);
        if (run(query, sql, params, keep))
            return query;
        const QSqlError error = query.lastError();
        kept_.remove(sql); // `query` goes with it when it was kept
        if (!connectionLost(error))
            fail(name, error);
        // Whatever the server had done of the transaction is undone by the
        // server itself when the connection dies; running the rest here
        // would commit half of it.
        database().close();
        if (inTransaction_)
            throw ConnectionLostError(
                QStringLiteral("%1: %2 (事务已由服务器撤销)").arg(name, driverText(error)),
                kConnectionLostNothingSaved);
        reconnect(name, driverText(error));
    }
    QSqlQuery& again = statement(sql, keep, local);
    if (run(again, sql, params, keep))
        return again;
    const QSqlError error = again.lastError();
    kept_.remove(sql); // `again` goes with it when it was kept
    if (connectionLost(error)) {
        database().close();
        throw ConnectionLostError(QStringLiteral("%1: %2").arg(name, driverText(error)),
                                  kConnectionLost);
    }
    fail(name, error);
}

QSqlQuery Db::exec(const QString& name, const QStringList& lines, const Params& params) const {
    return exec(name, lines.join(QLatin1Char('\n')), params);
}

bool Db::run(QSqlQuery& query, const QString& sql, const Params& params, bool keep) const {
    if (params.isEmpty() && !keep) {
        // Without parameters the text runs as it stands: PostgreSQL cannot
        // prepare DDL, transaction control or SET.
        return query.exec(sql);
    }
    if (!keep || query.lastQuery() != sql) {
        if (!query.prepare(sql))
            return false;
    }
    for (const auto& [key, value] : params) {
        const QString bare = key.startsWith(QLatin1Char(':')) ? key.mid(1) : key;
        query.bindValue(QLatin1Char(':') + bare, value);
    }
    return query.exec();
}

void Db::fail(const QString& name, const QSqlError& error) const {
    throw DbError(QStringLiteral("%1: %2").arg(name, driverText(error)),
                  isSQLite() ? sqliteUserText(error) : kStatementFailed);
}

// libpq's own failures (a closed socket, a server gone) carry no SQLSTATE, and
// the driver does not always mark the connection closed at the first one; a
// probe tells a dead connection from a statement the server refused.
bool Db::connectionLost(const QSqlError& error) const {
    if (engine_ != Engine::PostgreSQL)
        return false;
    QSqlDatabase db = database();
    if (!db.isOpen() || isConnectionState(error.nativeErrorCode()))
        return true;
    if (!error.nativeErrorCode().isEmpty())
        return false; // the server answered
    QSqlQuery probe(db);
    if (probe.exec(QStringLiteral("SELECT 1")))
        return false;
    const QString state = probe.lastError().nativeErrorCode();
    return !db.isOpen() || state.isEmpty() || isConnectionState(state);
}

void Db::reconnect(const QString& name, const QString& cause) const {
    // Statements prepared on the old connection are gone with it.
    kept_.clear();
    QSqlDatabase db = database();
    db.close();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now < reconnectPausedUntil_)
        throw ConnectionLostError(
            QStringLiteral("%1: %2; 刚才重新连接超时,暂不再试").arg(name, cause), kConnectionLost);
    QElapsedTimer waited;
    waited.start();
    if (!db.open() || !startServerSession(db)) {
        if (waited.elapsed() >= kSlowReconnectMs)
            reconnectPausedUntil_ = QDateTime::currentMSecsSinceEpoch() + kReconnectPauseMs;
        const QString why = driverText(db.lastError());
        db.close();
        throw ConnectionLostError(QStringLiteral("%1: %2; 重新连接失败: %3").arg(name, cause, why),
                                  kConnectionLost);
    }
    reconnectPausedUntil_ = 0;
    qCInfo(lcConnection, "%s: reconnected to the server after: %s", qUtf8Printable(name),
           qUtf8Printable(cause));
}

void Db::begin(Durability durability) {
    if (inTransaction_ && engine_ == Engine::PostgreSQL && !database().isOpen())
        inTransaction_ = false; // cut off with its connection; the server dropped it
    if (inTransaction_)
        throw DbError(QStringLiteral("begin: 事务已经开始"));
    if (isSQLite())
        setDurability(durability);
    // On the server a lazy transaction is begun and made lazy in one round
    // trip: a sale line's whole transaction is a handful of them.
    const QString sql = isSQLite() ? QStringLiteral("BEGIN IMMEDIATE")
                        : durability == Durability::Lazy
                            ? QStringLiteral("BEGIN; SET LOCAL synchronous_commit TO OFF")
                            : QStringLiteral("BEGIN");
    exec(QStringLiteral("begin"), sql);
    inTransaction_ = true;
}

// In write-ahead-log mode NORMAL writes the log without waiting for the disk;
// the next FULL commit flushes what NORMAL ones left, in order.
void Db::setDurability(Durability durability) {
    if (durability == sqliteDurability_)
        return;
    exec(QStringLiteral("synchronous"), durability == Durability::Lazy
                                            ? QStringLiteral("PRAGMA synchronous=NORMAL")
                                            : QStringLiteral("PRAGMA synchronous=FULL"));
    sqliteDurability_ = durability;
}

void Db::commit() {
    if (!inTransaction_)
        throw DbError(QStringLiteral("commit: 没有事务"));
    const bool wasOpen = isSQLite() || database().isOpen();
    try {
        exec(QStringLiteral("commit"), QStringLiteral("COMMIT"));
    } catch (const ConnectionLostError& e) {
        inTransaction_ = false;
        if (!wasOpen)
            throw;
        throw ConnectionLostError(e.text(), kConnectionLostAtCommit);
    }
    inTransaction_ = false;
    // Statements outside transactions (a password changed) wait for the
    // disk again.
    if (isSQLite() && sqliteDurability_ == Durability::Lazy)
        setDurability(Durability::Durable);
}

void Db::rollback() noexcept {
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    QSqlDatabase db = database();
    if (!db.isOpen())
        return; // the server dropped the transaction with the connection
    QSqlQuery query(db);
    query.exec(QStringLiteral("ROLLBACK"));
    if (isSQLite() && sqliteDurability_ == Durability::Lazy &&
        query.exec(QStringLiteral("PRAGMA synchronous=FULL")))
        sqliteDurability_ = Durability::Durable;
}

bool storeFileMissing(const DataLink& link) {
    return link.engine == Engine::SQLite && !QFileInfo::exists(link.dataSource);
}

namespace {

// Through the program's runner the work may run on another thread, where this
// connection cannot go: it opens its own, and its failure comes back here.
void upgradeStore(Db& db, const DataLink& link, const QString& connectionName,
                  const UpgradeRunner& upgrade) {
    if (!upgrade) {
        addMissingIndexes(db);
        return;
    }
    std::exception_ptr failure;
    upgrade([&] {
        try {
            auto own = connectDatabase(link, connectionName + QStringLiteral(" upgrade"));
            addMissingIndexes(*own);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

std::unique_ptr<Db> openDatabase(const DataLink& link, const QString& connectionName,
                                 StoreCreation creation, const UpgradeRunner& upgrade) {
    if (creation == StoreCreation::MustExist && storeFileMissing(link))
        throw DataLinkError(QStringLiteral("找不到数据库文件 %1").arg(link.dataSource));
    auto db = connectDatabase(link, connectionName);
    if (db->isSQLite() && !schemaExists(*db))
        createStoreIfMissing(*db);
    else if (schemaExists(*db)) {
        // A store that cannot take them now (read-only, a second program
        // adding them at this moment) still works, only slower to query.
        try {
            if (upgradeNeeded(*db))
                upgradeStore(*db, link, connectionName, upgrade);
        } catch (const Error& e) {
            qCWarning(lcConnection, "indexes not added: %s", qUtf8Printable(e.text()));
        }
    }
    return db;
}

std::unique_ptr<Db> connectDatabase(const DataLink& link, const QString& connectionName) {
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    auto db = std::make_unique<Db>(connectionName, link.engine);
    if (link.engine == Engine::SQLite) {
        QSqlDatabase handle = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        if (!handle.isValid())
            throw DbError(QStringLiteral("open: 没有 SQLite 数据库驱动"));
        const QFileInfo file(link.dataSource);
        if (file.exists() && !file.isFile())
            throw DataLinkError(QStringLiteral("%1 不是数据库文件").arg(link.dataSource));
        if (!file.absoluteDir().exists())
            throw DataLinkError(QStringLiteral("找不到文件夹 %1").arg(file.absolutePath()));
        handle.setDatabaseName(link.dataSource);
        handle.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!handle.open())
            throw DbError(QStringLiteral("open: %1").arg(handle.lastError().text()),
                          kStatementFailed);
        setWriteAheadLog(*db);
        db->exec(QStringLiteral("synchronous"), QStringLiteral("PRAGMA synchronous=FULL"));
        // Pages read straight from the system's file cache instead of a read
        // call for each page SQLite's own small cache misses: on a log of
        // millions of rows a query or a charge touches thousands of pages.
        db->exec(QStringLiteral("memory map"),
                 QStringLiteral("PRAGMA mmap_size=%1").arg(kMapBytes));
    } else {
        // A vanished server is noticed within a minute instead of hanging the
        // till; a statement sent to a server that has gone from the network
        // gives up after tcp_user_timeout instead of the system's many minutes.
        addServerConnection(
            link, connectionName,
            QStringLiteral("connect_timeout=10;keepalives=1;keepalives_idle=20;"
                           "keepalives_interval=5;keepalives_count=3;tcp_user_timeout=10000"));
        QSqlDatabase handle = db->database();
        if (!handle.open())
            throw DbError(QStringLiteral("open: %1").arg(handle.lastError().text()),
                          kStatementFailed);
        if (!startServerSession(handle))
            throw DbError(QStringLiteral("open: %1").arg(driverText(handle.lastError())),
                          kStatementFailed);
    }
    db->database().setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    return db;
}

QString wholeTable(const Db& db, const QString& table) {
    return db.isSQLite() ? table + QStringLiteral(" NOT INDEXED") : table;
}

void addServerConnection(const DataLink& link, const QString& connectionName,
                         const QString& options) {
    QSqlDatabase handle = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    if (!handle.isValid())
        throw DbError(QStringLiteral("open: 没有 PostgreSQL 数据库驱动"));
    handle.setHostName(link.dataSource);
    handle.setPort(link.port);
    handle.setDatabaseName(link.database);
    handle.setUserName(link.user);
    handle.setPassword(link.password);
    handle.setConnectOptions(options);
    handle.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
}

bool startServerSession(QSqlDatabase& db) {
    db.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    QSqlQuery query(db);
    return query.exec(QStringLiteral("SET client_encoding TO 'UTF8'"));
}

} // namespace storedb
