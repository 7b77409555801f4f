#pragma once

// An ESC/POS receipt printer on a device file (/dev/usb/lp0) or on the
// network (host:port, usually port 9100). Jobs run one after another on a
// thread of the printer's own with bounded waits, so that a printer that is
// off, out of paper or gone never holds up the till; each job's outcome comes
// back on the thread that sent it.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QThread;

struct PrintOutcome {
    enum class Failure {
        None,
        BadAddress,
        Unreachable,
        CannotOpen,
        WriteFailed,
        NoResponse,
        CoverOpen,
        PaperOut
    };
    Failure failure = Failure::None;
    // What went wrong in the system's words, for the log.
    QString detail;

    bool ok() const { return failure == Failure::None; }
    // The cause as the clerk reads it after the printer's address.
    QString causeText() const;
};

class EscPosPrinter : public QObject {
    Q_OBJECT
  public:
    static constexpr int kConnectMs = 3000;
    static constexpr int kWriteMs = 5000;
    // A printer that reports its status answers within this; one that says
    // nothing does not report, and is printed on all the same.
    static constexpr int kStatusMs = 500;

    struct Job {
        QByteArray bytes;
        // On the network, ask first whether the printer can print (cover,
        // paper); a device file is only written.
        bool checkStatus = false;
        // Sent instead when the printer says it cannot print: the drawer of a
        // charged sale still opens for the cash.
        QByteArray whenNotReady;
    };

    explicit EscPosPrinter(const QString& address, QObject* parent = nullptr);
    // Waits for the job under way (its waits are bounded); jobs still queued
    // are dropped.
    ~EscPosPrinter() override;
    EscPosPrinter(const EscPosPrinter&) = delete;
    EscPosPrinter& operator=(const EscPosPrinter&) = delete;

    const QString& address() const { return address_; }
    // Queues the job; `done` runs on this object's thread once it is over.
    void send(Job job, std::function<void(const PrintOutcome&)> done);

  private:
    QString address_;
    QThread* thread_ = nullptr;
    QObject* worker_ = nullptr;
};
