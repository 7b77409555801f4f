// A whole list exported, as the back office's 导出 writes it: a million rows
// of the movement log read by their statement on a connection of their own
// and written as CSV and as an Excel workbook, on a thread beside the
// window's, whose event loop is watched meanwhile. One engine per run,
// printed as rows of the performance table:
//
//   bench_export --udl FILE [--rows N] [--rounds N] [--format csv|xlsx]

#include "timing.h"

#include "formkit/application.h"
#include "formkit/exportwriter.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

using namespace bench;

namespace {

constexpr qint64 kSecond = 1000000000;
constexpr qint64 kMs = 1000000;

// The log's columns under the titles a list of it shows.
const QString kLogRows = QStringLiteral(
    "select bh as 行号, hwh as 商品号, hwlbh as 商品类别号, dj as 单价, sl as 数量, "
    "rhj as 入货价, crhsj as 日期, glyh as 管理员号, crk as 出入库, hwly as 商品来源, "
    "num as 帐单号 from hwrzb order by bh limit :n");

struct Round {
    qint64 ns = 0;
    qint64 longestPause = 0; // of the window's thread, in ns
    qint64 rows = 0;
    qint64 bytes = 0;
};

// One export on a thread of its own while this thread's event loop runs a
// 10 ms timer, as a window's would.
Round exportOnce(const storedb::DataLink& link, formkit::ExportFormat format, const QString& path,
                 qint64 rows) {
    Round round;
    formkit::ExportOutcome outcome;
    QElapsedTimer clock;
    clock.start();
    QThread* writer = QThread::create([&] {
        try {
            auto db = storedb::openBackgroundConnection(link, QStringLiteral("bench export"), 0);
            formkit::QueryRows read(
                db->execForward(QStringLiteral("log rows"), kLogRows, {{"n", rows}}));
            formkit::ExportProgress progress;
            outcome = formkit::writeExportWhileReading(
                read, format, path, progress, {QStringLiteral("流水"), {}, formkit::kRowsPerSheet});
        } catch (const storedb::Error& e) {
            outcome.error = e.text();
        }
    });
    QEventLoop loop;
    QObject::connect(writer, &QThread::finished, &loop, &QEventLoop::quit);
    QElapsedTimer since;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        round.longestPause = std::max(round.longestPause, since.nsecsElapsed());
        since.restart();
    });
    since.start();
    tick.start(10);
    writer->start();
    loop.exec();
    writer->wait();
    delete writer;
    round.ns = clock.nsecsElapsed();
    if (outcome.result != formkit::ExportOutcome::Written)
        throw storedb::Error(QStringLiteral("export failed: %1").arg(outcome.error));
    round.rows = outcome.rows;
    round.bytes = QFileInfo(path).size();
    QFile::remove(path);
    return round;
}

void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        err() << text << "\n";
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    // The programs' own application object: what it sets up, exports meet.
    formkit::Application app(argc, argv);
    QCommandLineParser args;
    args.addOptions(
        {udlOption(),
         {QStringLiteral("rows"), QStringLiteral("Log rows exported (1000000)."),
          QStringLiteral("n")},
         {QStringLiteral("rounds"), QStringLiteral("Runs of each format (5)."),
          QStringLiteral("n")},
         {QStringLiteral("format"), QStringLiteral("Only this format: csv or xlsx (both)."),
          QStringLiteral("name")}});
    args.process(app);
    if (!hasUdl(args, "bench_export"))
        return 2;
    const int rows = countOption(args, QStringLiteral("rows"), 1000000);
    const int rounds = countOption(args, QStringLiteral("rounds"), 5);
    try {
        const storedb::DataLink link = storedb::readDataLink(args.value(QStringLiteral("udl")));
        const QString engine = link.engine == storedb::Engine::SQLite
                                   ? QStringLiteral("SQLite")
                                   : QStringLiteral("PostgreSQL");
        QTemporaryDir dir;
        struct Format {
            formkit::ExportFormat format;
            QString name;
            qint64 goal;
        };
        for (const Format& f :
             {Format{formkit::ExportFormat::Csv, QStringLiteral("CSV"), 5 * kSecond},
              Format{formkit::ExportFormat::Xlsx, QStringLiteral(".xlsx"), 20 * kSecond}}) {
            const QString only = args.value(QStringLiteral("format"));
            if (!only.isEmpty() && !f.name.endsWith(only, Qt::CaseInsensitive))
                continue;
            Samples times;
            Samples pauses;
            Round last;
            for (int r = 0; r < rounds; ++r) {
                last =
                    exportOnce(link, f.format, dir.filePath(QStringLiteral("log.") + f.name), rows);
                times.add(last.ns);
                pauses.add(last.longestPause);
            }
            const QString what = QStringLiteral("export %1 log rows as %2 (%3 MB)")
                                     .arg(last.rows)
                                     .arg(f.name)
                                     .arg(double(last.bytes) / 1e6, 0, 'f', 0);
            Row row;
            row.benchmark = what;
            row.engine = engine;
            row.p50 = durationText(times.p50());
            row.p99 = durationText(times.p99());
            row.floor = QStringLiteral("-");
            row.ratio = QStringLiteral("-");
            row.goal = QStringLiteral("p50 < %1 s").arg(f.goal / kSecond);
            row.met = last.rows == rows && times.p50() < f.goal;
            printRow(out(), row);
            Row pause = row;
            pause.benchmark = QStringLiteral("— the window's longest pause meanwhile");
            pause.p50 = durationText(pauses.p50());
            pause.p99 = durationText(pauses.p99());
            pause.goal = QStringLiteral("p99 < 100 ms");
            pause.met = pauses.p99() < 100 * kMs;
            printRow(out(), pause);
        }
    } catch (const storedb::Error& e) {
        err() << "bench_export: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
