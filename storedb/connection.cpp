#include "storedb/connection.h"

#include "storedb/errors.h"
#include "storedb/schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QThread>

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
            throw DbError(QStringLiteral("journal mode: %1").arg(driverText(query.lastError())));
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
    const QStringList wanted = placeholderNames(sql);
    const QSet<QString> wantedSet(wanted.cbegin(), wanted.cend());
    QSet<QString> given;
    for (const auto& [key, value] : params) {
        const QString bare = key.startsWith(QLatin1Char(':')) ? key.mid(1) : key;
        if (!wantedSet.contains(bare))
            throw DbError(QStringLiteral("%1: 参数 %2 不在语句中").arg(name, bare));
        given.insert(bare);
    }
    for (const QString& placeholder : wanted) {
        if (!given.contains(placeholder))
            throw DbError(QStringLiteral("%1: 参数 %2 没有赋值").arg(name, placeholder));
    }

    QSqlQuery query(database());
    if (wanted.isEmpty()) {
        // Without parameters the text runs as it stands: PostgreSQL cannot
        // prepare DDL, transaction control or SET.
        if (!query.exec(sql))
            throw DbError(QStringLiteral("%1: %2").arg(name, driverText(query.lastError())),
                          kStatementFailed);
        return query;
    }
    if (!query.prepare(sql))
        throw DbError(QStringLiteral("%1: %2").arg(name, driverText(query.lastError())),
                      kStatementFailed);
    for (const auto& [key, value] : params) {
        const QString bare = key.startsWith(QLatin1Char(':')) ? key.mid(1) : key;
        query.bindValue(QLatin1Char(':') + bare, value);
    }
    if (!query.exec())
        throw DbError(QStringLiteral("%1: %2").arg(name, driverText(query.lastError())),
                      kStatementFailed);
    return query;
}

QSqlQuery Db::exec(const QString& name, const QStringList& lines, const Params& params) const {
    return exec(name, lines.join(QLatin1Char('\n')), params);
}

void Db::begin() {
    if (inTransaction_)
        throw DbError(QStringLiteral("begin: 事务已经开始"));
    exec(QStringLiteral("begin"),
         isSQLite() ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    inTransaction_ = true;
}

void Db::commit() {
    if (!inTransaction_)
        throw DbError(QStringLiteral("commit: 没有事务"));
    exec(QStringLiteral("commit"), QStringLiteral("COMMIT"));
    inTransaction_ = false;
}

void Db::rollback() noexcept {
    if (!inTransaction_)
        return;
    inTransaction_ = false;
    QSqlQuery query(database());
    query.exec(QStringLiteral("ROLLBACK"));
}

bool storeFileMissing(const DataLink& link) {
    return link.engine == Engine::SQLite && !QFileInfo::exists(link.dataSource);
}

std::unique_ptr<Db> openDatabase(const DataLink& link, const QString& connectionName,
                                 StoreCreation creation) {
    if (creation == StoreCreation::MustExist && storeFileMissing(link))
        throw DataLinkError(QStringLiteral("找不到数据库文件 %1").arg(link.dataSource));
    auto db = connectDatabase(link, connectionName);
    if (db->isSQLite() && !schemaExists(*db))
        createStoreIfMissing(*db);
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
    } else {
        QSqlDatabase handle = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        if (!handle.isValid())
            throw DbError(QStringLiteral("open: 没有 PostgreSQL 数据库驱动"));
        handle.setHostName(link.dataSource);
        handle.setPort(link.port);
        handle.setDatabaseName(link.database);
        handle.setUserName(link.user);
        handle.setPassword(link.password);
        // A vanished server is noticed within a minute instead of hanging the till.
        handle.setConnectOptions(QStringLiteral("connect_timeout=10;keepalives=1;keepalives_idle="
                                                "20;keepalives_interval=5;keepalives_count=3"));
        if (!handle.open())
            throw DbError(QStringLiteral("open: %1").arg(handle.lastError().text()),
                          kStatementFailed);
        db->exec(QStringLiteral("client encoding"),
                 QStringLiteral("SET client_encoding TO 'UTF8'"));
    }
    db->database().setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    return db;
}

} // namespace storedb
