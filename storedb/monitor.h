#pragma once

// The live view of the tills. The back office reads it every few seconds
// while its monitor is up; those reads run on a thread and a connection of
// their own, so that a server that has gone away costs the window nothing
// and the next read simply tries again.

#include "storedb/connection.h"
#include "storedb/datalink.h"

#include <QList>
#include <QObject>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QVariantList>
#include <memory>

namespace storedb {

// Every till: 计算机名, 售货员号, 余额, 营业额, 状态.
QSqlQuery tillStates(const Db& db);

// Rows read to the end, free of the connection that read them, so that they
// may cross to another thread.
struct RowSet {
    QStringList columns; // the names the query gives its columns
    QList<QVariantList> rows;
};
RowSet readRows(QSqlQuery& rows);

// A connection for reads in the background: on a server it gives up
// connecting, and waiting for a silent server, after a couple of seconds
// rather than the program connection's many. A SQLite store must exist.
// Throws DataLinkError or DbError.
std::unique_ptr<Db> openBackgroundConnection(const DataLink& link, const QString& connectionName);

// Reads tillStates() on a thread and connection of its own, opened at the
// first read from the given link. Outcomes arrive on the owner's thread.
class TillMonitor : public QObject {
    Q_OBJECT
  public:
    explicit TillMonitor(DataLink link, QObject* parent = nullptr);
    // Waits for a read under way (bounded by the connection's time-outs).
    ~TillMonitor() override;
    TillMonitor(const TillMonitor&) = delete;
    TillMonitor& operator=(const TillMonitor&) = delete;

    // Starts a read. Asked while one is under way, one more read follows it:
    // requests never pile up, and the last outcome is never older than the
    // last request.
    void refresh();
    bool busy() const { return busy_; }

  signals:
    void refreshed(const storedb::RowSet& rows);
    // text for the log, userText for the screen (see storedb::Error).
    void failed(const QString& text, const QString& userText);

  private:
    void startRead();
    void readOnOwnThread();
    void finishRead();

    const DataLink link_;
    const QString connectionName_;
    QThread thread_;
    QObject* reader_ = nullptr; // lives on thread_; its queue runs the reads
    std::unique_ptr<Db> db_;    // touched on thread_ only
    bool busy_ = false;
    bool again_ = false;
};

} // namespace storedb
