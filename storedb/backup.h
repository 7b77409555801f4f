#pragma once

// Backups of a store and their restore into a new store.
//
// A backup is the engine's own copy, so that the engine's own tools can read
// it too: SQLite's database file made with its online backup (a consistent
// copy while tills sell), or PostgreSQL's pg_dump in its custom format. Beside
// it, FILE.info says what it holds (engine, time, the rows of every table)
// and carries the copy's size and SHA-256, so that a truncated or damaged
// backup is refused before anything is written. Each file is written under a
// name of its own and renamed when complete: a backup killed halfway never
// looks complete.

#include "storedb/datalink.h"
#include "storedb/errors.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace storedb {

// Anything that stops a backup or a restore; userText() says what in Chinese.
class BackupError : public Error {
    using Error::Error;
};

struct BackupInfo {
    Engine engine = Engine::SQLite;
    QDateTime made;
    QList<QPair<QString, qint64>> rows; // every permanent table
    qint64 bytes = 0;
    QByteArray sha256; // hex
    // The sha256 is of the file after its first headLast bytes, then of
    // those: taken as a SQLite copy is written, which writes its head last.
    int headLast = 0;
};

// The side file of a backup.
QString backupInfoPath(const QString& file);

// What a program running a backup on another thread sees of it and may do.
struct BackupControl {
    std::atomic<bool> cancel{false}; // set to stop: BackupError, nothing left
    std::atomic<int> percent{-1};    // of the copy, where the engine tells it
};

// pg_dump or pg_restore with the link's server, user and password. Throws
// BackupError with userFailure (the tool's own words go to the log) when it
// fails, or is cancelled through control.
void runServerTool(const QString& program, const DataLink& link, QStringList args,
                   const QString& userFailure, const BackupControl* control = nullptr);

// Makes the backup. Throws BackupError (nothing is left under FILE then).
BackupInfo backupStore(const DataLink& link, const QString& file, BackupControl* control = nullptr);

// What a backup holds, once its copy is found whole. Throws BackupError.
BackupInfo readBackup(const QString& file);

struct Restored {
    BackupInfo info;
    QString replacedBackup; // --force: where the store replaced was backed up
};
// Restores into a new store: a SQLite file that does not exist yet, or a
// server database without the store's tables. With force a store that has
// them is backed up beside (SQLite) or to the working folder (server) and
// replaced. The backup is read whole before the target is touched; on any
// failure the target is as it was. Throws BackupError.
Restored restoreStore(const QString& file, const DataLink& target, bool force);

// The automatic backups of a folder: named prefix + time, newest last.
QStringList backupsIn(const QString& folder, const QString& prefix);
// Removes the oldest of them (and their side files) beyond the newest keep;
// the names removed.
QStringList pruneBackups(const QString& folder, const QString& prefix, int keep);

// The rows of every permanent table, in the order permanentTables() names them.
QList<QPair<QString, qint64>> tableRows(const DataLink& link);

} // namespace storedb
