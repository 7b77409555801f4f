// Backups and restores through storetool, as a shop runs them: a round trip
// into a new store gives the same rows and books; a store with data is not
// overwritten unless asked; a damaged or truncated backup is refused with the
// target left as it was; a backup killed at any moment never looks complete.

#include "storedb/backup.h"
#include "storedb/integrity.h"
#include "storedb/schema.h"
#include "storegen.h"
#include "support/storetool.h"
#include "support/teststore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>

using namespace testsupport;
using storedb::Db;

namespace {

storegen::Scale smallShop(qint64 movements) {
    storegen::Scale s;
    s.goods = 400;
    s.categories = 6;
    s.movements = movements;
    s.tills = 3;
    s.clerks = 5;
    s.shifts = 120;
    s.days = 60;
    return s;
}

QString writeUdl(const QString& folder, const QString& name, const storedb::DataLink& link) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(storedb::dataLinkText(link).toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

bool targetEmpty(const storedb::DataLink& link) {
    if (link.engine == storedb::Engine::SQLite)
        return !QFile::exists(link.dataSource);
    return !storedb::schemaExists(*storedb::connectDatabase(link, QStringLiteral("look")));
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT

    std::unique_ptr<TestStore> store;
    QString storeUdl;
    QString backupFile;

  private slots:
    void init() {
        store = std::make_unique<TestStore>();
        storegen::generate(store->db(), smallShop(8000), 3, QDate(2026, 12, 8));
        storeUdl = writeUdl(store->folder(), "store.udl", store->link());
        backupFile = QDir(store->folder()).filePath("store.backup");
    }
    void cleanup() { store.reset(); }

    // Backup, restore into a new store: the same rows, counters and books.
    // A second restore into it is refused, then done with --force after a
    // backup of what it replaces.
    void roundTripIntoANewStore() {
        const ToolRun backup = runStoretool({"backup", "--udl", storeUdl, backupFile});
        QVERIFY2(backup.code == 0, qPrintable(backup.output));
        QVERIFY(QFile::exists(storedb::backupInfoPath(backupFile)));

        EmptyTarget target;
        const QString targetUdl = writeUdl(store->folder(), "target.udl", target.link());
        const ToolRun restore = runStoretool({"restore", backupFile, "--udl", targetUdl});
        QVERIFY2(restore.code == 0, qPrintable(restore.output));
        QVERIFY2(restore.output.contains("账目全部相符"), qPrintable(restore.output));

        const auto rows = storedb::tableRows(store->link());
        QCOMPARE(storedb::tableRows(target.link()), rows);
        QCOMPARE(storedb::readBackup(backupFile).rows, rows);
        // A SQLite copy is checksummed on its way to the disk, not read again.
        QCOMPARE(storedb::readBackup(backupFile).headLast > 0,
                 store->link().engine == storedb::Engine::SQLite);
        {
            auto restored = storedb::connectDatabase(target.link(), "restored");
            QVERIFY(storedb::checkBooks(*restored).isEmpty());
            const auto counter = [](Db& db) {
                QSqlQuery q = db.exec("counter", "select accountnum from company");
                return q.next() ? q.value(0).toLongLong() : -1;
            };
            QCOMPARE(counter(*restored), counter(store->db()));
        }

        const ToolRun refused = runStoretool({"restore", backupFile, "--udl", targetUdl});
        QCOMPARE(refused.code, 1);
        QVERIFY2(refused.output.contains("目标数据库已经有数据,恢复只能恢复到新的数据库！"),
                 qPrintable(refused.output));
        const ToolRun forced = runStoretool({"restore", backupFile, "--udl", targetUdl, "--force"});
        QVERIFY2(forced.code == 0, qPrintable(forced.output));
        QVERIFY2(forced.output.contains("原有的数据已备份到"), qPrintable(forced.output));
        QCOMPARE(storedb::tableRows(target.link()), rows);
    }

    // A side file with the checksum of the whole file in its order, as
    // backups were made before the copy was checksummed on its way, restores.
    void earlierBackupRestores() {
        QCOMPARE(runStoretool({"backup", "--udl", storeUdl, backupFile}).code, 0);
        QFile copy(backupFile);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray whole =
            QCryptographicHash::hash(copy.readAll(), QCryptographicHash::Sha256).toHex();
        QFile info(storedb::backupInfoPath(backupFile));
        QVERIFY(info.open(QIODevice::ReadWrite));
        QByteArrayList lines = info.readAll().split('\n');
        lines.removeIf([](const QByteArray& line) { return line.startsWith("sha256"); });
        lines.insert(1, "sha256=" + whole);
        info.resize(0);
        info.write(lines.join('\n'));
        info.close();
        EmptyTarget target;
        const ToolRun restore = runStoretool(
            {"restore", backupFile, "--udl", writeUdl(store->folder(), "t.udl", target.link())});
        QVERIFY2(restore.code == 0, qPrintable(restore.output));
        QCOMPARE(storedb::tableRows(target.link()), storedb::tableRows(store->link()));
    }

    // Each damage is refused before anything is written.
    void damagedBackupsRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message");
        const QString notWhole = "不完整或已损坏,不能恢复。数据库没有改变。";
        QTest::newRow("truncated") << "truncate" << notWhole;
        QTest::newRow("one byte changed") << "flip" << notWhole;
        QTest::newRow("a byte of the head changed") << "fliphead" << notWhole;
        QTest::newRow("a head of a made-up size") << "headsize" << notWhole;
        QTest::newRow("no side file") << "noinfo"
                                      << "找不到备份文件";
        QTest::newRow("not a backup") << "foreign"
                                      << "不是本系统的备份";
        QTest::newRow("the other engine") << "engine"
                                          << "的备份,只能恢复到";
    }
    void damagedBackupsRefused() {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        QCOMPARE(runStoretool({"backup", "--udl", storeUdl, backupFile}).code, 0);
        QFile copy(backupFile);
        QFile info(storedb::backupInfoPath(backupFile));
        if (damage == "truncate") {
            QVERIFY(copy.resize(copy.size() / 2));
        } else if (damage.startsWith("flip")) {
            QVERIFY(copy.open(QIODevice::ReadWrite));
            const qint64 at = damage == "fliphead" ? 100 : copy.size() / 3;
            copy.seek(at);
            char byte = 0;
            copy.getChar(&byte);
            copy.seek(at);
            copy.putChar(char(byte ^ 0x20));
            copy.close();
        } else if (damage == "noinfo") {
            QVERIFY(info.remove());
        } else {
            QVERIFY(info.open(QIODevice::ReadWrite));
            QByteArray text = info.readAll();
            if (damage == "foreign")
                text.replace("ORVANI-BACKUP 1", "SOMETHING ELSE");
            else if (damage == "headsize")
                text += "sha256.headlast=999999999\n";
            else if (text.contains("engine=sqlite"))
                text.replace("engine=sqlite", "engine=postgresql");
            else
                text.replace("engine=postgresql", "engine=sqlite");
            info.resize(0);
            info.write(text);
            info.close();
        }
        EmptyTarget target;
        const ToolRun restore = runStoretool(
            {"restore", backupFile, "--udl", writeUdl(store->folder(), "t.udl", target.link())});
        QCOMPARE(restore.code, 1);
        QVERIFY2(restore.output.contains(message), qPrintable(restore.output));
        QVERIFY(targetEmpty(target.link()));
        if (damage == "headsize") { // refused before the file is read into memory
            try {
                storedb::readBackup(backupFile);
                QFAIL("read");
            } catch (const storedb::BackupError& e) {
                QVERIFY2(e.text().contains("head of 999999999 bytes"), qPrintable(e.text()));
            }
        }
    }

    // Killed at moments spread over its whole run, a backup leaves either a
    // whole backup under its name or nothing there.
    void killedBackupNeverLooksComplete() {
        const QString tool = storetoolPath();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runStoretool({"backup", "--udl", storeUdl, backupFile}).code, 0);
        const qint64 run = clock.elapsed();
        const auto rows = storedb::tableRows(store->link());
        int cutHalfway = 0;
        for (qint64 delayMs = 0; delayMs <= run + 20; delayMs += std::max<qint64>(2, run / 50)) {
            QFile::remove(backupFile);
            QFile::remove(storedb::backupInfoPath(backupFile));
            QProcess backup;
            backup.start(tool, {"backup", "--udl", storeUdl, backupFile});
            QVERIFY(backup.waitForStarted());
            QThread::msleep(delayMs);
            backup.kill();
            backup.waitForFinished();
            if (QFile::exists(backupFile)) {
                try {
                    QCOMPARE(storedb::readBackup(backupFile).rows, rows);
                } catch (const storedb::BackupError& e) {
                    QFAIL(qPrintable(QString("killed after %1 ms: %2").arg(delayMs).arg(e.text())));
                }
            } else if (QFile::exists(backupFile + ".partial")) {
                ++cutHalfway;
            }
        }
        QVERIFY2(cutHalfway > 0, "no kill landed while the copy was written");
        // The next backup is not disturbed by the piece left over.
        QCOMPARE(runStoretool({"backup", "--udl", storeUdl, backupFile}).code, 0);
        QVERIFY(!QFile::exists(backupFile + ".partial"));
        QVERIFY(storedb::readBackup(backupFile).bytes > 0);
    }
};

STORE_TEST_MAIN(TestBackup)
#include "tst_backup.moc"
