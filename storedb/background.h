#pragma once

// Reads that run on a thread and a connection of their own, so that a long
// query or a server that has gone away never holds up the window that asked.

#include "storedb/connection.h"
#include "storedb/datalink.h"

#include <QList>
#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariantList>
#include <atomic>
#include <functional>
#include <memory>

namespace storedb {

// Rows read to the end, free of the connection that read them, so that they
// may cross to another thread.
struct RowSet {
    QStringList columns; // the names the query gives its columns
    QList<QVariantList> rows;
};
RowSet readRows(QSqlQuery& rows);

// A connection for reads in the background: on a server it gives up
// connecting, and waiting for a silent server, after a couple of seconds
// rather than the program connection's many, and ends any statement that
// runs longer than statementTimeoutMs. A SQLite store must exist.
// Throws DataLinkError or DbError.
std::unique_ptr<Db> openBackgroundConnection(const DataLink& link, const QString& connectionName,
                                             int statementTimeoutMs = 3000);

// Runs reads one after another on its own thread and on a connection it
// opens there at the first read (and reopens after a loss). Every start()
// returns a ticket; its outcome arrives on the owner's thread with it.
class BackgroundReader : public QObject {
    Q_OBJECT
  public:
    using Read = std::function<RowSet(const Db&)>;

    BackgroundReader(DataLink link, const QString& purpose, int statementTimeoutMs,
                     QObject* parent = nullptr);
    // Waits for the read under way (bounded by the connection's time-outs);
    // reads queued behind it are dropped.
    ~BackgroundReader() override;
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    quint64 start(Read read);

  signals:
    void done(quint64 ticket, const storedb::RowSet& rows);
    // text for the log, userText for the screen (see storedb::Error).
    void failed(quint64 ticket, const QString& text, const QString& userText);

  private:
    void readOnOwnThread(quint64 ticket, const Read& read);

    const DataLink link_;
    const QString connectionName_;
    const int statementTimeoutMs_;
    QThread thread_;
    QObject* worker_ = nullptr; // lives on thread_; its queue runs the reads
    std::unique_ptr<Db> db_;    // touched on thread_ only
    quint64 lastTicket_ = 0;
    std::atomic_bool closing_ = false;
};

} // namespace storedb
