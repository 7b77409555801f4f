// Backup, restore and migration of a generated store timed against what the
// engine's own tools take for the same rows, printed as rows of the
// performance table:
//
//   bench_backup --udl FILE [--server-udl FILE] [--rounds N]
//
// SQLite: the backup and the restore against a plain copy of the file synced
// to disk, then
// (with --server-udl) the move to a new database on that server against
// pg_restore of a dump of the very rows it wrote. PostgreSQL: the backup and
// the restore against pg_dump and pg_restore run bare, and the move to a new
// SQLite file. Each move also reports the program's peak memory.

#include "timing.h"

#include "storedb/backup.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/migrate.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace bench;

namespace {

QString engineName(const storedb::DataLink& link) {
    return link.engine == storedb::Engine::SQLite ? QStringLiteral("SQLite")
                                                  : QStringLiteral("PostgreSQL");
}

void removeStoreFile(const QString& path) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral(".info")})
        QFile::remove(path + suffix);
}

// A database of its own on the link's server, dropped when done with.
class ServerDatabase {
  public:
    ServerDatabase(const storedb::DataLink& server, const QString& name)
        : admin_(storedb::connectDatabase(server, QStringLiteral("bench backup admin ") + name)),
          link_(server) {
        link_.database = server.database + QStringLiteral("_bench_") + name;
        drop();
        admin_->exec(QStringLiteral("bench database"),
                     QStringLiteral("create database ") +
                         storedb::Db::quoteIdentifier(link_.database));
    }
    ~ServerDatabase() {
        try {
            drop();
        } catch (const storedb::Error& e) {
            err() << "bench_backup: " << e.text() << "\n";
        }
    }
    ServerDatabase(const ServerDatabase&) = delete;
    ServerDatabase& operator=(const ServerDatabase&) = delete;
    const storedb::DataLink& link() const { return link_; }

  private:
    void drop() {
        // Asked first: the server's notice of a missing one would reach stderr.
        QSqlQuery there =
            admin_->exec(QStringLiteral("bench database"),
                         QStringLiteral("select 1 from pg_database where datname=:name"),
                         {{QStringLiteral("name"), link_.database}});
        if (!there.next())
            return;
        there.finish();
        admin_->exec(QStringLiteral("bench database"),
                     QStringLiteral("drop database if exists ") +
                         storedb::Db::quoteIdentifier(link_.database));
    }
    std::unique_ptr<storedb::Db> admin_;
    storedb::DataLink link_;
};

// pg_dump or pg_restore run bare (the program's own runner, nothing else)
// against the link's database.
void serverTool(const QString& program, const storedb::DataLink& link, const QStringList& args) {
    storedb::runServerTool(program, link, args, QStringLiteral("bench_backup: %1").arg(program));
}

// The program's own memory (/proc's RssAnon), sampled while work runs: the
// store files SQLite maps into memory are the system's page cache, not counted.
class AnonymousMemoryPeak {
  public:
    AnonymousMemoryPeak() {
        watcher_ = std::thread([this] {
            while (!done_) {
                peak_ = std::max(peak_.load(), now());
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }
    ~AnonymousMemoryPeak() { stop(); }
    AnonymousMemoryPeak(const AnonymousMemoryPeak&) = delete;
    AnonymousMemoryPeak& operator=(const AnonymousMemoryPeak&) = delete;
    qint64 stop() {
        done_ = true;
        if (watcher_.joinable())
            watcher_.join();
        return peak_;
    }
    static qint64 now() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("RssAnon:"))
                return line.mid(8).trimmed().split(' ').value(0).toLongLong() * 1024;
        }
        return 0;
    }

  private:
    std::atomic<bool> done_{false};
    std::atomic<qint64> peak_{0};
    std::thread watcher_;
};

Row timedRow(const QString& what, const storedb::DataLink& link, const Samples& samples,
             const Samples& floor, const QString& goal, bool bounded) {
    Row row{what,
            engineName(link),
            durationText(samples.p50()),
            durationText(samples.p99()),
            floor.empty() ? QStringLiteral("-") : durationText(floor.p50()),
            floor.empty() ? QStringLiteral("-") : ratioText(samples.p50(), floor.p50()),
            goal,
            true};
    if (bounded)
        row.met = samples.p50() <= 2 * floor.p50();
    return row;
}

void migrateRows(const QString& what, const storedb::DataLink& source,
                 const storedb::DataLink& target, Samples& samples) {
    const qint64 before = AnonymousMemoryPeak::now();
    AnonymousMemoryPeak peak;
    storedb::Migrated migrated;
    samples.time([&] { migrated = storedb::migrateStore(source, target); });
    const qint64 memory = peak.stop();
    if (!migrated.kept)
        err() << "bench_backup: the migrated copy does not agree\n";
    printRow(out(),
             {what + QStringLiteral(": the program's peak memory (%1 MB before; the "
                                    "store files SQLite maps not counted)")
                         .arg(before >> 20),
              engineName(source), QStringLiteral("%1 MB").arg(memory >> 20), QStringLiteral("-"),
              QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("reported"), migrated.kept});
}

void benchSqlite(const storedb::DataLink& link, const QString& serverUdl, int rounds) {
    QTemporaryDir folder(QFileInfo(link.dataSource).absolutePath() +
                         QStringLiteral("/bench-backup-XXXXXX"));
    const QString copy = folder.filePath(QStringLiteral("copy.db"));
    const QString backup = folder.filePath(QStringLiteral("store.backup"));
    const QString restored = folder.filePath(QStringLiteral("restored.db"));
    // The tills' journal folded in first, so the plain copy is a whole store too.
    storedb::connectDatabase(link, QStringLiteral("bench checkpoint"))
        ->exec(QStringLiteral("checkpoint"), QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));

    Samples copied, backedUp, restoredTimes;
    for (int round = 0; round < rounds; ++round) {
        removeStoreFile(copy);
        // A backup is on the disk when it is done; so is the copy it is held against.
        copied.time([&] {
            QFile::copy(link.dataSource, copy);
            const int fd = ::open(QFile::encodeName(copy).constData(), O_RDONLY);
            ::fsync(fd);
            ::close(fd);
        });
        removeStoreFile(backup);
        backedUp.time([&] { storedb::backupStore(link, backup); });
        removeStoreFile(restored);
        storedb::DataLink target = link;
        target.dataSource = restored;
        restoredTimes.time([&] { storedb::restoreStore(backup, target, false); });
    }
    const QString bytes = QStringLiteral("%1 MB").arg(QFileInfo(link.dataSource).size() >> 20);
    printRow(
        out(),
        timedRow(
            QStringLiteral("backup of the store (%1), against copying the file to disk").arg(bytes),
            link, backedUp, copied, QStringLiteral("≤ 2× the copy"), true));
    printRow(out(), timedRow(QStringLiteral("restore of that backup into a new file, against "
                                            "copying the file to disk"),
                             link, restoredTimes, copied, QStringLiteral("≤ 2× the copy"), true));
    if (serverUdl.isEmpty())
        return;

    const storedb::DataLink server = storedb::readDataLink(serverUdl);
    Samples migrated, pgRestored;
    {
        ServerDatabase moved(server, QStringLiteral("migrated"));
        migrateRows(QStringLiteral("migrate to a new server database"), link, moved.link(),
                    migrated);
        const QString dump = folder.filePath(QStringLiteral("migrated.dump"));
        serverTool(QStringLiteral("pg_dump"), moved.link(),
                   {QStringLiteral("--format=custom"), QStringLiteral("--file"), dump});
        ServerDatabase again(server, QStringLiteral("pg_restored"));
        pgRestored.time([&] {
            serverTool(
                QStringLiteral("pg_restore"), again.link(),
                {QStringLiteral("--no-owner"), QStringLiteral("--single-transaction"), dump});
        });
    }
    printRow(out(),
             timedRow(QStringLiteral("migrate to a new server database, against pg_restore of "
                                     "the same rows"),
                      link, migrated, pgRestored, QStringLiteral("≤ 2× pg_restore"), true));
}

void benchServer(const storedb::DataLink& link, int rounds) {
    QTemporaryDir folder;
    const QString bare = folder.filePath(QStringLiteral("bare.dump"));
    const QString backup = folder.filePath(QStringLiteral("store.backup"));
    Samples dumped, backedUp, pgRestored, restoredTimes;
    for (int round = 0; round < rounds; ++round) {
        QFile::remove(bare);
        dumped.time([&] {
            serverTool(QStringLiteral("pg_dump"), link,
                       {QStringLiteral("--format=custom"), QStringLiteral("--file"), bare});
        });
        removeStoreFile(backup);
        backedUp.time([&] { storedb::backupStore(link, backup); });
        {
            ServerDatabase target(link, QStringLiteral("pg_restored"));
            pgRestored.time([&] {
                serverTool(
                    QStringLiteral("pg_restore"), target.link(),
                    {QStringLiteral("--no-owner"), QStringLiteral("--single-transaction"), bare});
            });
        }
        ServerDatabase target(link, QStringLiteral("restored"));
        restoredTimes.time([&] { storedb::restoreStore(backup, target.link(), false); });
    }
    printRow(out(), timedRow(QStringLiteral("backup of the store, against pg_dump run bare"), link,
                             backedUp, dumped, QStringLiteral("reported"), false));
    printRow(out(), timedRow(QStringLiteral("restore of that backup into a new database, against "
                                            "pg_restore run bare"),
                             link, restoredTimes, pgRestored, QStringLiteral("reported"), false));

    storedb::DataLink file;
    file.engine = storedb::Engine::SQLite;
    file.dataSource = folder.filePath(QStringLiteral("migrated.db"));
    Samples migrated;
    migrateRows(QStringLiteral("migrate to a new SQLite file"), link, file, migrated);
    printRow(out(), timedRow(QStringLiteral("migrate to a new SQLite file"), link, migrated,
                             Samples{}, QStringLiteral("reported"), false));
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({udlOption(),
                     {QStringLiteral("server-udl"),
                      QStringLiteral("SQLite: the server store whose server takes the migration."),
                      QStringLiteral("file")},
                     {QStringLiteral("rounds"), QStringLiteral("Backups and restores timed."),
                      QStringLiteral("n")}});
    args.process(app);
    if (!hasUdl(args, "bench_backup"))
        return 2;
    try {
        const storedb::DataLink link = storedb::readDataLink(args.value(QStringLiteral("udl")));
        const int rounds = countOption(args, QStringLiteral("rounds"), 3);
        if (link.engine == storedb::Engine::SQLite)
            benchSqlite(link, args.value(QStringLiteral("server-udl")), rounds);
        else
            benchServer(link, rounds);
    } catch (const storedb::Error& e) {
        err() << "bench_backup: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
