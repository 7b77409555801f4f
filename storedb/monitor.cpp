#include "storedb/monitor.h"

#include "storedb/tilllease.h"

namespace storedb {

QSqlQuery tillStates(const Db& db) {
    return db.exec(
        QStringLiteral("ADOQuery1"),
        QStringList{QStringLiteral("select jsj as 计算机名,shyh as 售货员号,ye as 余额,yye as "
                                   "营业额,zt as 状态"),
                    QStringLiteral("from jqb")});
}

namespace {
// A read of the tills table that takes longer is stuck behind a lock.
const int kStatementTimeoutMs = 3000;
} // namespace

TillMonitor::TillMonitor(DataLink link, QObject* parent)
    : QObject(parent),
      reader_(std::move(link), QStringLiteral("till monitor"), kStatementTimeoutMs) {
    connect(&reader_, &BackgroundReader::done, this, [this](quint64, const RowSet& rows) {
        finishRead();
        emit refreshed(rows);
    });
    connect(&reader_, &BackgroundReader::failed, this,
            [this](quint64, const QString& text, const QString& userText) {
                finishRead();
                emit failed(text, userText);
            });
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
    reader_.start([](const Db& db) {
        QSqlQuery query = tillStates(db);
        RowSet rows = readRows(query);
        markTillsOutOfContact(db, rows, 0, 4);
        return rows;
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
