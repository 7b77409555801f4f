#pragma once

// A program of the system run as a process of its own (a worker_* program
// that works the real windows offscreen, driven by commands on its standard
// input), so that a test can kill it outright at any point and look at the
// store afterwards. The worker prints "ready" once started, then for each
// command the message boxes shown ("msg <text>") and "ok <command>" or
// "fail <command>: <why>".

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>

namespace testsupport {

class WorkerProcess {
  public:
    static constexpr int kWait = 20000;

    // program: a worker built beside the test; extraEnv: NAME=value pairs.
    WorkerProcess(const QString& program, const QStringList& arguments,
                  const QList<QPair<QString, QString>>& extraEnv = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        for (const auto& [name, value] : extraEnv)
            env.insert(name, value);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + program,
                       arguments);
    }
    ~WorkerProcess() { kill(); }
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    // The program's first window is up.
    bool started() {
        if (!process_.waitForStarted(kWait))
            return failed(process_.errorString());
        return expect(QStringLiteral("ready"));
    }
    // Sends a command and waits until the program has carried it out.
    bool send(const QString& command) {
        post(command);
        return expect(QStringLiteral("ok ") + command);
    }
    void post(const QString& command) {
        process_.write((command + QLatin1Char('\n')).toUtf8());
        process_.waitForBytesWritten(kWait);
    }
    // Whether the program has said anything since (it says something only
    // once a command is done).
    bool hasAnswered() {
        return process_.canReadLine() || process_.waitForReadyRead(0) ||
               process_.state() != QProcess::Running;
    }
    void kill() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.kill();
        process_.waitForFinished(kWait);
    }
    // For signals other than a kill (a process stopped and continued).
    qint64 processId() const { return process_.processId(); }
    bool endedNormally() {
        return process_.waitForFinished(kWait) && process_.exitStatus() == QProcess::NormalExit &&
               process_.exitCode() == 0;
    }
    // Every line the program printed and the test has not read yet (after a
    // kill: all it managed to say).
    QStringList remainingLines() {
        process_.waitForReadyRead(0);
        QStringList lines;
        while (process_.canReadLine())
            lines << QString::fromUtf8(process_.readLine()).trimmed();
        const QString rest = QString::fromUtf8(process_.readAll()).trimmed();
        if (!rest.isEmpty())
            lines << rest;
        return lines;
    }
    // The message boxes shown so far, in order.
    const QStringList& messages() const { return messages_; }
    const char* why() const { return why_.constData(); }

    // Reads the program's lines up to the expected one; message lines are kept.
    bool expect(const QString& expected) {
        QDeadlineTimer deadline(kWait);
        for (;;) {
            while (!process_.canReadLine()) {
                if (deadline.hasExpired() ||
                    (process_.state() != QProcess::Running && !process_.waitForReadyRead(0)))
                    return failed(QStringLiteral("no \"%1\" from the program").arg(expected));
                process_.waitForReadyRead(100);
            }
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("msg ")))
                messages_.append(line.mid(4));
            else if (line == expected)
                return true;
            else
                return failed(QStringLiteral("\"%1\" instead of \"%2\"").arg(line, expected));
        }
    }

  private:
    bool failed(const QString& what) {
        why_ = (what + QStringLiteral("; messages: ") + messages_.join(QLatin1String(" | ")) +
                QStringLiteral("; stderr: ") + QString::fromUtf8(process_.readAllStandardError()))
                   .toUtf8();
        return false;
    }

    QProcess process_;
    QStringList messages_;
    QByteArray why_;
};

} // namespace testsupport
