#pragma once

// A PostgreSQL server of the test's own, reached through a socket in its own
// folder only, so that stopping it takes no other test's server away. Each
// test that uses one picks its own port number.

#include "storedb/datalink.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <unistd.h>

namespace testsupport {

inline bool asRoot() {
    return ::geteuid() == 0;
}

inline QString serverPrograms() {
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    return versions.isEmpty() ? QString()
                              : QStringLiteral("/usr/lib/postgresql/%1/bin").arg(versions.last());
}

// A PostgreSQL server of the test's own, reached through a socket in its
// folder only.
class PrivateServer {
  public:
    explicit PrivateServer(int port) : port_(port) {
        if (asRoot())
            QProcess::execute(QStringLiteral("chown"), {QStringLiteral("postgres"), dir_.path()});
        ready_ = !bin_.isEmpty() &&
                 pg(QStringLiteral("initdb"),
                    {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"),
                     QStringLiteral("postgres"), QStringLiteral("-A"), QStringLiteral("trust"),
                     QStringLiteral("-E"), QStringLiteral("UTF8"),
                     QStringLiteral("--locale=C.UTF-8"), QStringLiteral("--no-sync")}) &&
                 start();
    }
    ~PrivateServer() { stop(QStringLiteral("immediate")); }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool ready() const { return ready_; }
    QString failure() const {
        return bin_.isEmpty()
                   ? QStringLiteral("no PostgreSQL server programs in /usr/lib/postgresql")
                   : output_;
    }

    bool start() {
        return pg(QStringLiteral("pg_ctl"),
                  {QStringLiteral("-D"), dataDir(), QStringLiteral("-l"),
                   dir_.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                   QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"),
                   QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off")
                       .arg(dir_.path())
                       .arg(port_),
                   QStringLiteral("start")});
    }
    // "immediate": the server dies on the spot; "fast": it tells its clients.
    bool stop(const QString& mode = QStringLiteral("immediate")) {
        return pg(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), dataDir(), QStringLiteral("-m"),
                                             mode, QStringLiteral("-w"), QStringLiteral("stop")});
    }

    // The server's socket file, e.g. to put a silent one in its place.
    QString socketPath() const { return dir_.filePath(QStringLiteral(".s.PGSQL.%1").arg(port_)); }

    storedb::DataLink link(const QString& database) const {
        storedb::DataLink link;
        link.engine = storedb::Engine::PostgreSQL;
        link.dataSource = dir_.path();
        link.port = port_;
        link.user = QStringLiteral("postgres");
        link.database = database;
        return link;
    }

  private:
    QString dataDir() const { return dir_.filePath(QStringLiteral("data")); }

    bool pg(const QString& program, const QStringList& arguments) {
        QProcess process;
        // The server started by pg_ctl must not hold pipes of ours open.
        process.setStandardInputFile(QProcess::nullDevice());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(dir_.filePath(QStringLiteral("tools.log")),
                                      QIODevice::Append);
        const QString path = bin_ + QLatin1Char('/') + program;
        if (asRoot())
            process.start(QStringLiteral("runuser"),
                          QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                      QStringLiteral("--"), path} +
                              arguments);
        else
            process.start(path, arguments);
        const bool ok = process.waitForFinished(90000) &&
                        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (!ok) {
            QFile log(dir_.filePath(QStringLiteral("tools.log")));
            log.open(QIODevice::ReadOnly);
            output_ = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(log.readAll());
        }
        return ok;
    }

    int port_;
    QTemporaryDir dir_;
    QString bin_ = serverPrograms();
    bool ready_ = false;
    QString output_;
};

} // namespace testsupport
