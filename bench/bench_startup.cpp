// The programs' start on a generated store (storetool generate), one engine
// per run, printed as rows of the performance table:
//
//   bench_startup --udl FILE [--runs 10] [--till POS01] [--build DIR]
//
// Starts the real till (DIR/client/client) and back office
// (DIR/admin/tavo_admin; DIR defaults to the build folder this program is in)
// from a folder holding a copy of the program and the store's link.udl, as
// they are installed. The time runs from the start of the process to the
// program's report that its first-wanted window has been painted
// (TAVO_REPORT_WINDOWS, formkit/application.cpp): the till's sign-on window,
// the back office's login window. The resident memory is read from /proc at
// that moment. Without a display the programs run offscreen; under a real X
// server (Xvfb) they include the connection to it and the fonts it serves.
// The first start of each program is not counted: it loads the files from disk.

#include "timing.h"

#include "storedb/datalink.h"
#include "storedb/errors.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace bench;

namespace {

const qint64 kStartLimitNs = 300000000;
const qint64 kMemoryLimitKb = 80 * 1024;

struct Program {
    QString caption; // "till", "back office"
    QString path;    // relative to the build folder
    QString window;  // the object name of the window waited for
};

// A line of /proc/<pid>/status in kB ("VmRSS"), or -1.
qint64 statusKb(qint64 pid, const QByteArray& field) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QString megabytes(qint64 kb) {
    return QStringLiteral("%1 MB").arg(double(kb) / 1024.0, 0, 'f', 1);
}

class StartupBench {
  public:
    StartupBench(QString build, QString udl, QString till, int runs)
        : build_(std::move(build)), udl_(std::move(udl)), till_(std::move(till)), runs_(runs) {}

    int run() {
        const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
        platform_ = !platform.isEmpty()                      ? platform
                    : qEnvironmentVariableIsEmpty("DISPLAY") ? QStringLiteral("offscreen")
                                                             : QStringLiteral("xcb");
        engine_ = engineOfLink();
        int failures = 0;
        for (const Program& program :
             {Program{QStringLiteral("till"), QStringLiteral("client/client"),
                      QStringLiteral("SignOnWindow")},
              Program{QStringLiteral("back office"), QStringLiteral("admin/tavo_admin"),
                      QStringLiteral("LoginWindow")}})
            failures += measure(program) ? 0 : 1;
        return failures == 0 ? 0 : 1;
    }

  private:
    QString engineOfLink() const {
        return storedb::readDataLink(udl_).engine == storedb::Engine::SQLite
                   ? QStringLiteral("SQLite")
                   : QStringLiteral("PostgreSQL");
    }

    bool measure(const Program& program) {
        QTemporaryDir folder;
        const QString binary = folder.filePath(QFileInfo(program.path).fileName());
        if (!folder.isValid() || !QFile::copy(build_ + QLatin1Char('/') + program.path, binary) ||
            !QFile::copy(udl_, folder.filePath(QStringLiteral("link.udl")))) {
            err() << "bench_startup: cannot set up " << program.path << " with its link\n";
            return false;
        }
        Samples start;
        Samples memory; // kB, kept as samples for their percentiles
        for (int r = 0; r <= runs_; ++r) {
            qint64 ns = 0;
            qint64 kb = 0;
            if (!startOnce(binary, program.window, ns, kb))
                return false;
            if (r == 0)
                continue;
            start.add(ns);
            memory.add(kb);
        }
        const QString who =
            QStringLiteral("%1 start to the %2 (%3)")
                .arg(program.caption,
                     program.caption == QLatin1String("till") ? QStringLiteral("sign-on window")
                                                              : QStringLiteral("login window"),
                     platform_);
        Row time;
        time.benchmark = who;
        time.engine = engine_;
        time.p50 = durationText(start.p50());
        time.p99 = durationText(start.p99());
        time.floor = QStringLiteral("-");
        time.ratio = QStringLiteral("-");
        time.goal = QStringLiteral("< %1").arg(durationText(kStartLimitNs));
        time.met = start.p99() < kStartLimitNs;
        printRow(out(), time);

        Row rss;
        rss.benchmark = QStringLiteral("%1 resident memory with that window up (%2)")
                            .arg(program.caption, platform_);
        rss.engine = engine_;
        rss.p50 = megabytes(memory.p50());
        rss.p99 = megabytes(memory.p99());
        rss.floor = QStringLiteral("-");
        rss.ratio = QStringLiteral("-");
        rss.goal = QStringLiteral("< %1").arg(megabytes(kMemoryLimitKb));
        rss.met = memory.p99() < kMemoryLimitKb;
        printRow(out(), rss);
        return true;
    }

    bool startOnce(const QString& binary, const QString& window, qint64& ns, qint64& kb) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TAVO_REPORT_WINDOWS"), QStringLiteral("1"));
        env.insert(QStringLiteral("TAVO_TERMINAL_NAME"), till_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform_);
        program.setProcessEnvironment(env);
        program.setReadChannel(QProcess::StandardError);
        const QByteArray awaited = "window shown: " + window.toUtf8();
        QElapsedTimer clock;
        clock.start();
        program.start(binary, {});
        QByteArray said;
        for (;;) {
            while (program.canReadLine()) {
                const QByteArray line = program.readLine().trimmed();
                said += line + '\n';
                if (line == awaited) {
                    ns = clock.nsecsElapsed();
                    kb = statusKb(program.processId(), "VmRSS");
                    program.kill();
                    program.waitForFinished(10000);
                    return kb > 0;
                }
            }
            if (program.state() == QProcess::NotRunning || clock.elapsed() > 30000 ||
                !program.waitForReadyRead(30000)) {
                err() << "bench_startup: " << binary << " never showed " << window << ":\n"
                      << QString::fromUtf8(said + program.readAll());
                program.kill();
                program.waitForFinished(10000);
                return false;
            }
        }
    }

    QString build_;
    QString udl_;
    QString till_;
    int runs_;
    QString platform_;
    QString engine_;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions(
        {udlOption(),
         {QStringLiteral("runs"), QStringLiteral("Starts timed per program (10)."),
          QStringLiteral("n")},
         {QStringLiteral("till"), QStringLiteral("The till's name (POS01)."),
          QStringLiteral("name")},
         {QStringLiteral("build"), QStringLiteral("The build folder holding the programs."),
          QStringLiteral("dir")}});
    args.process(app);
    if (!hasUdl(args, "bench_startup"))
        return 2;
    const int runs = countOption(args, QStringLiteral("runs"), 10);
    const QString build =
        args.isSet(QStringLiteral("build"))
            ? args.value(QStringLiteral("build"))
            : QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/..")).absolutePath();
    const QString till = args.isSet(QStringLiteral("till")) ? args.value(QStringLiteral("till"))
                                                            : QStringLiteral("POS01");
    try {
        return StartupBench(build, QFileInfo(args.value(QStringLiteral("udl"))).absoluteFilePath(),
                            till, runs)
            .run();
    } catch (const storedb::Error& e) {
        err() << "bench_startup: " << e.text() << "\n";
        return 1;
    }
}
