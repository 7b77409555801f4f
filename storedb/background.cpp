#include "storedb/background.h"

#include "storedb/errors.h"

#include <QSqlError>
#include <QSqlRecord>

namespace storedb {

RowSet readRows(QSqlQuery& rows) {
    RowSet set;
    const QSqlRecord record = rows.record();
    for (int i = 0; i < record.count(); ++i)
        set.columns << record.fieldName(i);
    while (rows.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << rows.value(i);
        set.rows << row;
    }
    return set;
}

namespace {

// libpq takes 2 s as the shortest connect time-out. A server that keeps a
// connection but no longer answers is given up by the keepalives within a
// few seconds, and a statement the server itself holds up (a locked table)
// by the statement time-out.
QString backgroundOptions(int statementTimeoutMs) {
    return QStringLiteral(
               "connect_timeout=2;keepalives=1;keepalives_idle=2;keepalives_interval=1;"
               "keepalives_count=2;tcp_user_timeout=3000;options='-c statement_timeout=%1'")
        .arg(statementTimeoutMs);
}

} // namespace

std::unique_ptr<Db> openBackgroundConnection(const DataLink& link, const QString& connectionName,
                                             int statementTimeoutMs) {
    if (link.engine == Engine::SQLite) {
        // Never a new empty file: a reader has nothing to create.
        if (storeFileMissing(link))
            throw DataLinkError(QStringLiteral("找不到数据库文件 %1").arg(link.dataSource));
        return connectDatabase(link, connectionName);
    }
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    addServerConnection(link, connectionName, backgroundOptions(statementTimeoutMs));
    // Owns the connection from here on, so that a failed open leaves nothing
    // behind; a later loss is reconnected by Db itself with these options.
    auto db = std::make_unique<Db>(connectionName, Engine::PostgreSQL);
    bool opened = false;
    QString why;
    {
        QSqlDatabase handle = db->database();
        opened = handle.open() && startServerSession(handle);
        why = handle.lastError().text();
    }
    if (!opened)
        throw ConnectionLostError(QStringLiteral("open: %1").arg(why), kConnectionLost);
    return db;
}

BackgroundReader::BackgroundReader(DataLink link, const QString& purpose, int statementTimeoutMs,
                                   QObject* parent)
    : QObject(parent), link_(std::move(link)),
      connectionName_(QStringLiteral("%1 %2").arg(purpose).arg(quintptr(this), 0, 16)),
      statementTimeoutMs_(statementTimeoutMs), worker_(new QObject) {
    thread_.setObjectName(purpose);
    worker_->moveToThread(&thread_);
}

BackgroundReader::~BackgroundReader() {
    if (thread_.isRunning()) {
        closing_ = true;
        // The connection goes on the thread that made it, after the read
        // under way.
        QMetaObject::invokeMethod(
            worker_, [this] { db_.reset(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    delete worker_;
}

quint64 BackgroundReader::start(Read read) {
    const quint64 ticket = ++lastTicket_;
    if (!thread_.isRunning())
        thread_.start();
    QMetaObject::invokeMethod(
        worker_, [this, ticket, read = std::move(read)] { readOnOwnThread(ticket, read); });
    return ticket;
}

void BackgroundReader::readOnOwnThread(quint64 ticket, const Read& read) {
    if (closing_)
        return;
    RowSet rows;
    bool ok = false;
    QString text;
    QString userText;
    try {
        if (!db_)
            db_ = openBackgroundConnection(link_, connectionName_, statementTimeoutMs_);
        rows = read(*db_);
        ok = true;
    } catch (const Error& e) {
        text = e.text();
        userText = e.userText();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
        userText = kStatementFailed;
    }
    // Queued to the owner's thread; dropped if the owner is gone by then.
    QMetaObject::invokeMethod(this, [this, ticket, ok, rows = std::move(rows), text, userText] {
        if (ok)
            emit done(ticket, rows);
        else
            emit failed(ticket, text, userText);
    });
}

} // namespace storedb
