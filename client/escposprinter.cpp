#include "escposprinter.h"

#include "escposreceipt.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace {

using Failure = PrintOutcome::Failure;

PrintOutcome failed(Failure failure, const QString& detail) {
    return PrintOutcome{failure, detail};
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool interrupted() {
    return QThread::currentThread()->isInterruptionRequested();
}

// A device is opened without creating it (a printer unplugged must not leave
// a plain file in its place) and written without blocking, so that a printer
// that takes nothing more runs into the deadline instead of holding the
// thread for good.
PrintOutcome writeToDevice(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(Failure::CannotOpen, systemError());
    const QDeadlineTimer deadline(EscPosPrinter::kWriteMs);
    qsizetype written = 0;
    PrintOutcome outcome;
    while (written < bytes.size() && outcome.ok()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n > 0) {
            written += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            outcome = failed(Failure::WriteFailed, systemError());
            break;
        }
        if (deadline.hasExpired() || interrupted()) {
            outcome = failed(Failure::NoResponse,
                             QStringLiteral("%1 of %2 bytes taken").arg(written).arg(bytes.size()));
            break;
        }
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, int(qMin<qint64>(deadline.remainingTime(), 200))) < 0 &&
            errno != EINTR)
            outcome = failed(Failure::WriteFailed, systemError());
        else if (ready.revents & (POLLERR | POLLHUP | POLLNVAL))
            outcome = failed(Failure::WriteFailed, QStringLiteral("the device hung up"));
    }
    ::close(fd);
    return outcome;
}

PrintOutcome writeToSocket(QTcpSocket& socket, const QByteArray& bytes) {
    const QDeadlineTimer deadline(EscPosPrinter::kWriteMs);
    if (socket.write(bytes) != bytes.size())
        return failed(Failure::WriteFailed, socket.errorString());
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired())
            return failed(Failure::NoResponse,
                          QStringLiteral("%1 bytes not taken").arg(socket.bytesToWrite()));
        if (!socket.waitForBytesWritten(int(deadline.remainingTime())) &&
            socket.state() != QAbstractSocket::ConnectedState)
            return failed(Failure::WriteFailed, socket.errorString());
    }
    return {};
}

// One status byte, or nothing from a printer that does not report.
std::optional<unsigned char> askStatus(QTcpSocket& socket, char which) {
    socket.readAll();
    if (!writeToSocket(socket, escpos::statusQuery(which)).ok())
        return std::nullopt;
    const QDeadlineTimer deadline(EscPosPrinter::kStatusMs);
    while (socket.bytesAvailable() == 0) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            return std::nullopt;
    }
    char byte = 0;
    socket.getChar(&byte);
    if (!escpos::isStatusReply(static_cast<unsigned char>(byte)))
        return std::nullopt;
    return static_cast<unsigned char>(byte);
}

PrintOutcome readiness(QTcpSocket& socket) {
    const auto hex = [](unsigned char byte) {
        return QStringLiteral("0x%1").arg(byte, 2, 16, QLatin1Char('0'));
    };
    const std::optional<unsigned char> offline = askStatus(socket, escpos::kOfflineCause);
    if (!offline)
        return {};
    if (*offline & escpos::kCoverOpen)
        return failed(Failure::CoverOpen, QStringLiteral("offline cause ") + hex(*offline));
    if (*offline & escpos::kStoppedNoPaper)
        return failed(Failure::PaperOut, QStringLiteral("offline cause ") + hex(*offline));
    const std::optional<unsigned char> paper = askStatus(socket, escpos::kPaperSensor);
    if (paper && (*paper & escpos::kPaperEnd))
        return failed(Failure::PaperOut, QStringLiteral("paper sensor ") + hex(*paper));
    return {};
}

PrintOutcome sendOverNetwork(const QString& host, quint16 port, const EscPosPrinter::Job& job) {
    QTcpSocket socket;
    socket.connectToHost(host, port);
    if (!socket.waitForConnected(EscPosPrinter::kConnectMs))
        return failed(Failure::Unreachable, socket.errorString());
    if (job.checkStatus) {
        const PrintOutcome ready = readiness(socket);
        if (!ready.ok()) {
            if (!job.whenNotReady.isEmpty())
                writeToSocket(socket, job.whenNotReady);
            return ready;
        }
    }
    const PrintOutcome written = writeToSocket(socket, job.bytes);
    if (!written.ok())
        return written;
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState &&
        !socket.waitForDisconnected(EscPosPrinter::kWriteMs))
        return failed(Failure::NoResponse, QStringLiteral("the printer did not take the job"));
    return {};
}

PrintOutcome runJob(const QString& address, const EscPosPrinter::Job& job) {
    if (address.startsWith(QLatin1Char('/')))
        return writeToDevice(address, job.bytes);
    // host:port, an IPv6 host in brackets.
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    bool isPort = false;
    const quint16 port = colon > 0 ? address.mid(colon + 1).toUShort(&isPort) : 0;
    QString host = address.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (!isPort || port == 0 || host.isEmpty())
        return failed(Failure::BadAddress, QStringLiteral("neither a device path nor host:port"));
    return sendOverNetwork(host, port, job);
}

} // namespace

QString PrintOutcome::causeText() const {
    switch (failure) {
    case Failure::None:
        return QString();
    case Failure::BadAddress:
        return QStringLiteral("地址设置有误");
    case Failure::Unreachable:
        return QStringLiteral("无法连接");
    case Failure::CannotOpen:
        return QStringLiteral("无法打开");
    case Failure::WriteFailed:
        return QStringLiteral("写入出错");
    case Failure::NoResponse:
        return QStringLiteral("没有响应");
    case Failure::CoverOpen:
        return QStringLiteral("机盖打开");
    case Failure::PaperOut:
        return QStringLiteral("缺纸");
    }
    return QString();
}

EscPosPrinter::EscPosPrinter(const QString& address, QObject* parent)
    : QObject(parent), address_(address), thread_(new QThread(this)), worker_(new QObject) {
    thread_->setObjectName(QStringLiteral("receipt printer"));
    worker_->moveToThread(thread_);
    // A device that hangs up mid-job must fail the write, not end the till.
    connect(
        thread_, &QThread::started, thread_,
        [] {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        },
        Qt::DirectConnection);
    thread_->start();
}

EscPosPrinter::~EscPosPrinter() {
    thread_->requestInterruption();
    thread_->quit();
    thread_->wait();
    delete worker_;
}

void EscPosPrinter::send(Job job, std::function<void(const PrintOutcome&)> done) {
    QMetaObject::invokeMethod(
        worker_,
        [this, address = address_, job = std::move(job), done = std::move(done)] {
            if (interrupted())
                return;
            const PrintOutcome outcome = runJob(address, job);
            // Delivered unless this object is gone by then (its posted
            // events go with it).
            QMetaObject::invokeMethod(
                this, [done, outcome] { done(outcome); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
