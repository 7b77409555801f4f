#include "storedb/backup.h"

#include "storedb/connection.h"
#include "storedb/schema.h"
#include "storedb/streamedcopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QSaveFile>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUuid>
#include <cstdio>
#include <fcntl.h>
#include <future>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <unistd.h>

namespace storedb {

namespace {
Q_LOGGING_CATEGORY(lcBackup, "orvani.backup")

const QByteArray kMagic = QByteArrayLiteral("ORVANI-BACKUP 1");
const QString kPartial = QStringLiteral(".partial");

QString engineName(Engine engine) {
    return engine == Engine::SQLite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}
QString engineText(Engine engine) {
    return engine == Engine::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

[[noreturn]] void fail(const QString& log, const QString& user) {
    throw BackupError(log, user);
}

// Removes a file of ours that is not complete; never throws.
void discard(const QString& path) {
    if (QFile::exists(path) && !QFile::remove(path))
        qCWarning(lcBackup, "could not remove %s", qPrintable(path));
}

// A sqlite3 handle closed whatever happens.
struct Sqlite {
    sqlite3* db = nullptr;
    Sqlite(const QString& path, int flags, const char* vfs = nullptr) {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, vfs);
        if (rc != SQLITE_OK)
            fail(QStringLiteral("sqlite open %1: %2").arg(path, error()),
                 QStringLiteral("打不开数据库文件 %1。").arg(path));
        sqlite3_busy_timeout(db, 10000);
    }
    ~Sqlite() { sqlite3_close_v2(db); }
    Sqlite(const Sqlite&) = delete;
    Sqlite& operator=(const Sqlite&) = delete;
    QString error() const { return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory"); }
};

// SHA-256 through OpenSSL, which uses the processor's SHA instructions.
class Sha256 {
  public:
    Sha256() : context_(EVP_MD_CTX_new()) {
        if (!context_ || EVP_DigestInit_ex(context_, EVP_sha256(), nullptr) != 1)
            fail(QStringLiteral("sha256 init failed"), QStringLiteral("不能计算备份的校验和。"));
    }
    ~Sha256() { EVP_MD_CTX_free(context_); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void add(const char* data, qint64 size) { EVP_DigestUpdate(context_, data, size_t(size)); }
    QByteArray hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(context_, digest, &size);
        return QByteArray(reinterpret_cast<const char*>(digest), int(size)).toHex();
    }

  private:
    EVP_MD_CTX* context_;
};

const QString kCancelled = QStringLiteral("备份已取消。");

bool cancelled(const BackupControl* control) {
    return control && control->cancel.load();
}

int pageSize(sqlite3* db) {
    sqlite3_stmt* size = nullptr;
    int bytes = 0;
    if (sqlite3_prepare_v2(db, "pragma page_size", -1, &size, nullptr) == SQLITE_OK &&
        sqlite3_step(size) == SQLITE_ROW)
        bytes = sqlite3_column_int(size, 0);
    sqlite3_finalize(size);
    return bytes;
}

// The source's pages copied a share at a time, inside one read transaction
// of the source's, so that the copy is one consistent moment of the store
// however busy the tills are, and can be stopped between shares. The copy's
// checksum is taken on another thread as its pages go to the disk; returned
// with the bytes hashed last (its head), or empty when SQLite wrote the copy
// in an order the stream could not follow.
QByteArray copySqlite(const QString& from, const QString& to, BackupControl* control,
                      int* headLast) {
    Sqlite source(from, SQLITE_OPEN_READONLY);
    // Pages read from the mapped file, not a read() each: a third of the
    // copy's time. SQLite caps the mapping at its own limit.
    sqlite3_exec(source.db, "pragma mmap_size=1099511627776", nullptr, nullptr, nullptr);
    if (sqlite3_exec(source.db, "begin; select count(*) from sqlite_master", nullptr, nullptr,
                     nullptr) != SQLITE_OK)
        fail(QStringLiteral("sqlite snapshot of %1: %2").arg(from, source.error()),
             QStringLiteral("不能开始备份数据库 %1。").arg(from));
    const int head = pageSize(source.db);
    Sha256 hash;
    StreamedCopy stream(head, [&hash](const char* data, qint64 size) { hash.add(data, size); });
    int rc = SQLITE_OK;
    {
        Sqlite copy(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, stream.vfsName());
        // The copy is thrown away on any failure and synced once when whole:
        // it needs no journal of its own, nor a sync at every step.
        sqlite3_exec(copy.db, "pragma journal_mode=off; pragma synchronous=off", nullptr, nullptr,
                     nullptr);
        sqlite3_backup* backup = sqlite3_backup_init(copy.db, "main", source.db, "main");
        if (!backup)
            fail(QStringLiteral("sqlite backup init: %1").arg(copy.error()),
                 QStringLiteral("不能开始备份数据库 %1。").arg(from));
        // The disk starts on what is written while the copy goes on, so that
        // the sync at the end waits for little.
        const int written = ::open(QFile::encodeName(to).constData(), O_RDONLY | O_CLOEXEC);
        do {
            if (cancelled(control))
                break;
            rc = sqlite3_backup_step(backup, 8192);
            if (written >= 0)
                ::sync_file_range(written, 0, 0, SYNC_FILE_RANGE_WRITE);
            if (control && sqlite3_backup_pagecount(backup) > 0)
                control->percent = int(100 - qint64(sqlite3_backup_remaining(backup)) * 100 /
                                                 sqlite3_backup_pagecount(backup));
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                sqlite3_sleep(50);
        } while (rc == SQLITE_BUSY || rc == SQLITE_LOCKED || rc == SQLITE_OK);
        if (written >= 0)
            ::close(written);
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE && !cancelled(control))
            fail(QStringLiteral("sqlite backup %1 -> %2: %3").arg(from, to, copy.error()),
                 QStringLiteral("备份数据库失败(%1)。").arg(QString::fromUtf8(sqlite3_errstr(rc))));
    }
    sqlite3_exec(source.db, "commit", nullptr, nullptr, nullptr);
    if (cancelled(control))
        fail(QStringLiteral("backup cancelled"), kCancelled);
    if (head <= 0 || !stream.finish(QFileInfo(to).size())) {
        qCInfo(lcBackup, "copy not written in order: its checksum is read from the file");
        return {};
    }
    hash.add(stream.head().constData(), stream.head().size());
    *headLast = head;
    return hash.hex();
}

// A file SQLite opens as a database with tables. The checksum has already
// shown it to be the backup as written; this refuses a side file that
// describes something else.
bool sqliteReadable(const QString& path) {
    Sqlite db(path, SQLITE_OPEN_READONLY);
    sqlite3_stmt* tables = nullptr;
    if (sqlite3_prepare_v2(db.db, "select count(*) from sqlite_master", -1, &tables, nullptr) !=
        SQLITE_OK)
        return false;
    const bool ok = sqlite3_step(tables) == SQLITE_ROW && sqlite3_column_int64(tables, 0) > 0;
    sqlite3_finalize(tables);
    return ok;
}

constexpr qint64 kChunk = 4 << 20;

[[noreturn]] void failRead(const QFile& file) {
    fail(QStringLiteral("read %1: %2").arg(file.fileName(), file.errorString()),
         QStringLiteral("读不了备份文件 %1。").arg(file.fileName()));
}

[[noreturn]] void failWrite(const QString& path, const QString& why) {
    fail(QStringLiteral("write %1: %2").arg(path, why),
         QStringLiteral("不能写入 %1,请检查文件夹是否可写。").arg(path));
}

// The file's SHA-256 (hex) and size; with `to`, also written there on the
// way, in the same pass. The first headLast bytes are hashed after the rest.
QByteArray sha256Of(const QString& path, qint64* bytes, QFile* to = nullptr, int headLast = 0) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        failRead(file);
    Sha256 hash;
    QByteArray head;
    QByteArray chunk(kChunk, Qt::Uninitialized);
    *bytes = 0;
    for (;;) {
        const qint64 want = *bytes < headLast ? headLast - *bytes : kChunk;
        const qint64 got = file.read(chunk.data(), want);
        if (got < 0)
            failRead(file);
        if (got == 0)
            break;
        if (*bytes < headLast)
            head.append(chunk.constData(), got);
        else
            hash.add(chunk.constData(), got);
        if (to && to->write(chunk.constData(), got) != got)
            failWrite(to->fileName(), to->errorString());
        *bytes += got;
    }
    hash.add(head.constData(), head.size());
    return hash.hex();
}

// On the disk before it is renamed into place: a backup the power cut
// must not be found empty under its complete name.
void syncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!synced)
        failWrite(path, QStringLiteral("fsync failed"));
}

QByteArray infoText(const BackupInfo& info) {
    QByteArray text = kMagic + '\n';
    text += "engine=" + engineName(info.engine).toUtf8() + '\n';
    text += "made=" + info.made.toString(Qt::ISODate).toUtf8() + '\n';
    text += "bytes=" + QByteArray::number(info.bytes) + '\n';
    text += "sha256=" + info.sha256 + '\n';
    if (info.headLast > 0)
        text += "sha256.headlast=" + QByteArray::number(info.headLast) + '\n';
    for (const auto& [table, rows] : info.rows)
        text += "rows." + table.toUtf8() + '=' + QByteArray::number(rows) + '\n';
    return text;
}

void renameOver(const QString& from, const QString& to) {
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        fail(QStringLiteral("rename %1 -> %2 failed").arg(from, to),
             QStringLiteral("不能写入 %1,请检查文件夹是否可写。").arg(to));
}

QString stamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
}

} // namespace

void runServerTool(const QString& program, const DataLink& link, QStringList args,
                   const QString& userFailure, const BackupControl* control) {
    args << QStringLiteral("--host") << link.dataSource << QStringLiteral("--port")
         << QString::number(link.port) << QStringLiteral("--dbname") << link.database
         << QStringLiteral("--no-password");
    if (!link.user.isEmpty())
        args << QStringLiteral("--username") << link.user;
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!link.password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), link.password);
    tool.setProcessEnvironment(env);
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        fail(QStringLiteral("%1 not found on PATH").arg(program),
             QStringLiteral("找不到 PostgreSQL 的工具 %1,请安装 postgresql-client。").arg(program));
    tool.start(path, args);
    while (!tool.waitForFinished(200) && tool.state() != QProcess::NotRunning) {
        if (cancelled(control)) {
            tool.kill();
            tool.waitForFinished();
            fail(QStringLiteral("%1 cancelled").arg(program), kCancelled);
        }
    }
    if (tool.error() == QProcess::FailedToStart || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        fail(QStringLiteral("%1 failed (%2): %3")
                 .arg(program)
                 .arg(tool.exitCode())
                 .arg(QString::fromLocal8Bit(tool.readAllStandardError()).trimmed()),
             userFailure);
}

QString backupInfoPath(const QString& file) {
    return file + QStringLiteral(".info");
}

QStringList backupsIn(const QString& folder, const QString& prefix) {
    // The time in the name sorts them: yyyyMMdd-HHmmss.
    return QDir(folder).entryList({prefix + QStringLiteral("*.backup")}, QDir::Files, QDir::Name);
}

QStringList pruneBackups(const QString& folder, const QString& prefix, int keep) {
    QStringList all = backupsIn(folder, prefix);
    QStringList removed;
    const QDir dir(folder);
    while (all.size() > std::max(keep, 1)) {
        const QString oldest = dir.filePath(all.takeFirst());
        discard(backupInfoPath(oldest));
        discard(oldest);
        removed << oldest;
    }
    return removed;
}

QList<QPair<QString, qint64>> tableRows(const DataLink& link) {
    const QString name = QStringLiteral("rows-") + QUuid::createUuid().toString();
    std::unique_ptr<Db> db = connectDatabase(link, name);
    QList<QPair<QString, qint64>> rows;
    for (const QString& table : permanentTables()) {
        if (!tableExists(*db, table))
            continue;
        QSqlQuery q =
            db->exec(QStringLiteral("rows of %1").arg(table),
                     QStringLiteral("select count(*) from %1").arg(Db::quoteIdentifier(table)));
        rows.append({table, q.next() ? q.value(0).toLongLong() : 0});
    }
    return rows;
}

BackupInfo backupStore(const DataLink& link, const QString& file, BackupControl* control) {
    const QString partial = file + kPartial;
    const QString infoPartial = backupInfoPath(file) + kPartial;
    discard(partial);
    BackupInfo info;
    info.engine = link.engine;
    info.made = QDateTime::currentDateTime();
    try {
        if (link.engine == Engine::SQLite) {
            if (!QFileInfo::exists(link.dataSource))
                fail(QStringLiteral("no store %1").arg(link.dataSource),
                     QStringLiteral("数据库文件 %1 不存在。").arg(link.dataSource));
            info.sha256 = copySqlite(link.dataSource, partial, control, &info.headLast);
            // Counted in the copy itself: the same moment as the copy; side
            // by side with its sync (and its checksum, when not taken yet).
            DataLink copy = link;
            copy.dataSource = partial;
            auto rows = std::async(std::launch::async, [&copy] { return tableRows(copy); });
            auto synced = std::async(std::launch::async, [&partial] { syncToDisk(partial); });
            if (info.sha256.isEmpty())
                info.sha256 = sha256Of(partial, &info.bytes);
            else
                info.bytes = QFileInfo(partial).size();
            info.rows = rows.get();
            synced.get();
        } else {
            // The rows counted and the dump made from one snapshot.
            std::unique_ptr<Db> db =
                connectDatabase(link, QStringLiteral("backup-") + QUuid::createUuid().toString());
            db->exec(
                QStringLiteral("backup snapshot"),
                QStringLiteral("start transaction isolation level repeatable read, read only"));
            QSqlQuery snapshot = db->exec(QStringLiteral("backup snapshot"),
                                          QStringLiteral("select pg_export_snapshot()"));
            snapshot.next();
            const QString id = snapshot.value(0).toString();
            for (const QString& table : permanentTables()) {
                if (!tableExists(*db, table))
                    continue;
                QSqlQuery q = db->exec(
                    QStringLiteral("rows of %1").arg(table),
                    QStringLiteral("select count(*) from %1").arg(Db::quoteIdentifier(table)));
                info.rows.append({table, q.next() ? q.value(0).toLongLong() : 0});
            }
            runServerTool(QStringLiteral("pg_dump"), link,
                          {QStringLiteral("--format=custom"), QStringLiteral("--no-owner"),
                           QStringLiteral("--snapshot=") + id, QStringLiteral("--file"), partial},
                          QStringLiteral("备份数据库失败,详情见日志。"), control);
            db->exec(QStringLiteral("backup snapshot"), QStringLiteral("commit"));
        }
        if (link.engine != Engine::SQLite) {
            info.sha256 = sha256Of(partial, &info.bytes);
            syncToDisk(partial);
        }
        QSaveFile side(infoPartial);
        if (!side.open(QIODevice::WriteOnly) || side.write(infoText(info)) < 0 || !side.commit())
            fail(QStringLiteral("write %1: %2").arg(infoPartial, side.errorString()),
                 QStringLiteral("不能写入 %1,请检查文件夹是否可写。").arg(infoPartial));
        // The copy's name last: whatever stops first, FILE is never there half done.
        renameOver(infoPartial, backupInfoPath(file));
        renameOver(partial, file);
    } catch (...) {
        discard(partial);
        discard(infoPartial);
        throw;
    }
    qCInfo(lcBackup, "backup of %s written to %s (%lld bytes)", qPrintable(engineText(link.engine)),
           qPrintable(file), static_cast<long long>(info.bytes));
    return info;
}

namespace {

QString notWholeText(const QString& file) {
    return QStringLiteral("备份文件 %1 不完整或已损坏,不能恢复。数据库没有改变。").arg(file);
}

// What the side file says, the copy not yet read.
BackupInfo readSideFile(const QString& file) {
    const QString notWhole = notWholeText(file);
    QFile side(backupInfoPath(file));
    if (!QFileInfo::exists(file) || !side.open(QIODevice::ReadOnly))
        fail(QStringLiteral("backup %1 or its side file missing").arg(file),
             QStringLiteral("找不到备份文件 %1 或它的说明文件 %2。")
                 .arg(file, backupInfoPath(file)));
    const QList<QByteArray> lines = side.readAll().split('\n');
    if (lines.value(0) != kMagic)
        fail(QStringLiteral("%1 is not a backup side file").arg(side.fileName()),
             QStringLiteral("%1 不是本系统的备份。").arg(file));
    BackupInfo info;
    bool engineKnown = false;
    for (const QByteArray& line : lines.mid(1)) {
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "engine") {
            engineKnown = value == "sqlite" || value == "postgresql";
            info.engine = value == "sqlite" ? Engine::SQLite : Engine::PostgreSQL;
        } else if (key == "made") {
            info.made = QDateTime::fromString(QString::fromUtf8(value), Qt::ISODate);
        } else if (key == "bytes") {
            info.bytes = value.toLongLong();
        } else if (key == "sha256") {
            info.sha256 = value;
        } else if (key == "sha256.headlast") {
            // A SQLite page: anything else is no side file of ours, and would
            // have a whole file held in memory.
            info.headLast = value.toInt();
            if (info.headLast < 512 || info.headLast > 65536)
                fail(QStringLiteral("side file of %1: head of %2 bytes")
                         .arg(file, QString::fromLatin1(value)),
                     notWhole);
        } else if (key.startsWith("rows.")) {
            info.rows.append({QString::fromUtf8(key.mid(5)), value.toLongLong()});
        }
    }
    if (!engineKnown || info.sha256.isEmpty())
        fail(QStringLiteral("side file of %1 incomplete").arg(file), notWhole);
    return info;
}

// Reads the whole copy (writing it to `to` on the way) and throws unless it
// is what the side file says.
void checkWhole(const QString& file, const BackupInfo& info, QFile* to = nullptr) {
    qint64 bytes = 0;
    const QByteArray sha = sha256Of(file, &bytes, to, info.headLast);
    if (bytes != info.bytes || sha != info.sha256)
        fail(QStringLiteral("backup %1: %2 bytes, sha256 %3; side file says %4 bytes, %5")
                 .arg(file)
                 .arg(bytes)
                 .arg(QString::fromLatin1(sha))
                 .arg(info.bytes)
                 .arg(QString::fromLatin1(info.sha256)),
             notWholeText(file));
}

} // namespace

BackupInfo readBackup(const QString& file) {
    BackupInfo info = readSideFile(file);
    checkWhole(file, info);
    return info;
}

Restored restoreStore(const QString& file, const DataLink& target, bool force) {
    Restored result;
    result.info = readSideFile(file);
    if (result.info.engine != target.engine)
        fail(QStringLiteral("a %1 backup cannot be restored to %2")
                 .arg(engineText(result.info.engine), engineText(target.engine)),
             QStringLiteral("这是 %1 数据库的备份,只能恢复到 %1 数据库。"
                            "要在两种数据库之间转移,请用 storetool migrate。")
                 .arg(engineText(result.info.engine)));
    const bool targetHasStore =
        target.engine == Engine::SQLite
            ? QFileInfo::exists(target.dataSource)
            : schemaExists(*connectDatabase(target, QStringLiteral("restore-target-") +
                                                        QUuid::createUuid().toString()));
    if (targetHasStore && !force)
        fail(QStringLiteral("restore target has a store"),
             QStringLiteral("目标数据库已经有数据,恢复只能恢复到新的数据库！"
                            "确要替换它,请加 --force(会先备份原有的数据)。"));
    // A SQLite copy is checked as it is written; anything else is checked
    // before the store it would replace is touched.
    const bool checkedOnCopy = target.engine == Engine::SQLite && !targetHasStore;
    if (!checkedOnCopy)
        checkWhole(file, result.info);
    if (targetHasStore) {
        result.replacedBackup =
            target.engine == Engine::SQLite
                ? target.dataSource + QStringLiteral(".before-restore-") + stamp()
                : QFileInfo(file).absoluteDir().filePath(
                      QStringLiteral("%1-before-restore-%2.backup").arg(target.database, stamp()));
        backupStore(target, result.replacedBackup);
    }

    if (target.engine == Engine::SQLite) {
        const QString partial = target.dataSource + QStringLiteral(".restore") + kPartial;
        discard(partial);
        try {
            {
                QFile copy(partial);
                if (!copy.open(QIODevice::WriteOnly))
                    failWrite(partial, copy.errorString());
                checkWhole(file, result.info, &copy);
                if (!copy.flush())
                    failWrite(partial, copy.errorString());
            }
            syncToDisk(partial);
            if (!sqliteReadable(partial))
                fail(QStringLiteral("restored copy %1 is no SQLite store").arg(partial),
                     notWholeText(file));
            // Only read: whatever the check left beside the copy is empty.
            discard(partial + QStringLiteral("-wal"));
            discard(partial + QStringLiteral("-shm"));
            // The journal of the store replaced belongs to it alone.
            discard(target.dataSource + QStringLiteral("-wal"));
            discard(target.dataSource + QStringLiteral("-shm"));
            renameOver(partial, target.dataSource);
        } catch (...) {
            discard(partial);
            throw;
        }
    } else {
        QStringList args{QStringLiteral("--single-transaction"), QStringLiteral("--exit-on-error"),
                         QStringLiteral("--no-owner"), QStringLiteral("--no-privileges")};
        if (targetHasStore)
            args << QStringLiteral("--clean") << QStringLiteral("--if-exists");
        runServerTool(QStringLiteral("pg_restore"), target, args << file,
                      QStringLiteral("恢复数据库失败,数据库没有改变。详情见日志。"));
    }
    const QList<QPair<QString, qint64>> rows = tableRows(target);
    if (rows != result.info.rows)
        fail(QStringLiteral("restored rows differ from the backup's"),
             QStringLiteral("恢复后的数据行数与备份记录的不一致,请检查！"));
    qCInfo(lcBackup, "%s restored from %s", qPrintable(engineText(target.engine)),
           qPrintable(file));
    return result;
}

} // namespace storedb
