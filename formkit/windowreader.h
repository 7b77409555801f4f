#pragma once

// Reads for a window on a thread and connection of their own, so that a long
// query never freezes the window: the window shows a busy cursor at once and
// a progress window, whose "取消" abandons the read, when it takes a moment.
// A read that fails shows its message and is logged, as a handler's error.

#include "storedb/background.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QProgressDialog;
class QTimer;
class QWidget;

namespace formkit {

class WindowReader : public QObject {
    Q_OBJECT
  public:
    // `where` names the reads in the log.
    WindowReader(QWidget* window, const QString& where);
    ~WindowReader() override;

    // Runs the reads one after another; `show` gets their rows, in order,
    // on the window's thread, unless the window abandoned them or started
    // other reads meanwhile.
    void read(QList<storedb::BackgroundReader::Read> reads,
              std::function<void(const QList<storedb::RowSet>&)> show);
    // Nothing of the reads under way will be shown.
    void abandon();
    bool isReading() const { return !pending_.isEmpty(); }

  private:
    void arrived(quint64 ticket, const storedb::RowSet& rows);
    void failed(quint64 ticket, const QString& text, const QString& userText);
    void showProgress();
    void finish();

    QWidget* window_;
    const QString where_;
    std::unique_ptr<storedb::BackgroundReader> reader_; // made at the first read
    QList<quint64> pending_;                            // the reads waited for, in order
    QList<storedb::RowSet> arrived_;
    std::function<void(const QList<storedb::RowSet>&)> show_;
    QTimer* progressDelay_ = nullptr;
    QPointer<QProgressDialog> progress_; // up while a slow read runs
};

} // namespace formkit
