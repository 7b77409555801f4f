#pragma once

// The live view of the tills. The back office reads it every few seconds
// while its monitor is up; those reads run on a thread and a connection of
// their own, so that a server that has gone away costs the window nothing
// and the next read simply tries again.

#include "storedb/background.h"

namespace storedb {

// Every till: 计算机名, 售货员号, 余额, 营业额, 状态.
QSqlQuery tillStates(const Db& db);

// Reads tillStates() in the background from the given link. Outcomes arrive
// on the owner's thread.
class TillMonitor : public QObject {
    Q_OBJECT
  public:
    explicit TillMonitor(DataLink link, QObject* parent = nullptr);

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
    void finishRead();

    BackgroundReader reader_;
    bool busy_ = false;
    bool again_ = false;
};

} // namespace storedb
