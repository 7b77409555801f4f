#include "storedb/monitor.h"

#include "storedb/errors.h"

#include <QSqlError>
#include <QSqlRecord>

namespace storedb {

QSqlQuery tillStates(const Db& db) {
    return db.exec(
        QStringLiteral("ADOQuery1"),
        QStringList{QStringLiteral("select jsj as 计算机名,shyh as 售货员号,ye as 余额,yye as "
                                   "营业额,zt as 状态"),
                    QStringLiteral("from jqb")});
}

RowSet readRows(QSqlQuery& rows) {
    RowSet set;
    const QSqlRecord record = rows.record();
    for (int i = 0; i < record.count(); ++i)
        set.columns << record.fieldName(i);
    while (rows.next()) {
        QVariantList row;
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
const QString kBackgroundOptions = QStringLiteral(
    "connect_timeout=2;keepalives=1;keepalives_idle=2;keepalives_interval=1;keepalives_count=2;"
    "tcp_user_timeout=3000;options='-c statement_timeout=3000'");

} // namespace

std::unique_ptr<Db> openBackgroundConnection(const DataLink& link, const QString& connectionName) {
    if (link.engine == Engine::SQLite) {
        // Never a new empty file: a reader has nothing to create.
        if (storeFileMissing(link))
            throw DataLinkError(QStringLiteral("找不到数据库文件 %1").arg(link.dataSource));
        return connectDatabase(link, connectionName);
    }
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    {
        QSqlDatabase handle = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        if (!handle.isValid())
            throw DbError(QStringLiteral("open: 没有 PostgreSQL 数据库驱动"));
        handle.setHostName(link.dataSource);
        handle.setPort(link.port);
        handle.setDatabaseName(link.database);
        handle.setUserName(link.user);
        handle.setPassword(link.password);
        handle.setConnectOptions(kBackgroundOptions);
        handle.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    }
    // Owns the connection from here on, so that a failed open leaves nothing
    // behind; a later loss is reconnected by Db itself with these options.
    auto db = std::make_unique<Db>(connectionName, Engine::PostgreSQL);
    QString why;
    {
        QSqlDatabase handle = db->database();
        if (!handle.open())
            why = handle.lastError().text();
    }
    if (!why.isNull())
        throw ConnectionLostError(QStringLiteral("open: %1").arg(why), kConnectionLost);
    db->exec(QStringLiteral("client encoding"), QStringLiteral("SET client_encoding TO 'UTF8'"));
    return db;
}

TillMonitor::TillMonitor(DataLink link, QObject* parent)
    : QObject(parent), link_(std::move(link)),
      connectionName_(QStringLiteral("till monitor %1").arg(quintptr(this), 0, 16)),
      reader_(new QObject) {
    thread_.setObjectName(QStringLiteral("till monitor"));
    reader_->moveToThread(&thread_);
}

TillMonitor::~TillMonitor() {
    if (thread_.isRunning()) {
        // The connection goes on the thread that made it, after any read
        // already queued there.
        QMetaObject::invokeMethod(
            reader_, [this] { db_.reset(); }, Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }
    delete reader_;
}

void TillMonitor::refresh() {
    if (busy_) {
        again_ = true;
        return;
    }
    startRead();
}

void TillMonitor::startRead() {
    busy_ = true;
    if (!thread_.isRunning())
        thread_.start();
    QMetaObject::invokeMethod(reader_, [this] { readOnOwnThread(); });
}

void TillMonitor::readOnOwnThread() {
    RowSet rows;
    bool read = false;
    QString text;
    QString userText;
    try {
        if (!db_)
            db_ = openBackgroundConnection(link_, connectionName_);
        QSqlQuery query = tillStates(*db_);
        rows = readRows(query);
        read = true;
    } catch (const Error& e) {
        text = e.text();
        userText = e.userText();
    } catch (const std::exception& e) {
        text = QString::fromLocal8Bit(e.what());
        userText = kStatementFailed;
    }
    // Queued to the owner's thread; dropped if the owner is gone by then.
    QMetaObject::invokeMethod(this, [this, read, rows = std::move(rows), text, userText] {
        finishRead();
        if (read)
            emit refreshed(rows);
        else
            emit failed(text, userText);
    });
}

void TillMonitor::finishRead() {
    busy_ = false;
    if (again_) {
        again_ = false;
        startRead();
    }
}

} // namespace storedb
