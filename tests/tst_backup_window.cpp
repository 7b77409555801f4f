// 数据备份 in the back office: a backup made through the window is whole and
// shows in the status line; the daily backup runs once a day and keeps the
// newest copies only.

#include "admin/backupwindow.h"
#include "storedb/backup.h"
#include "support/adminfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace testsupport;

class TestBackupWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::BackupWindow* window = nullptr;

    QLabel* statusPanel() const { return ctl<QLabel>(&office->main(), "BackupPanel"); }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        window = &office->windows().backupWindow();
    }
    void cleanup() { office.reset(); }

    void backupThroughTheWindow() {
        QCOMPARE(statusPanel()->text(), QString("还没有备份"));
        office->action("BackupAction")->trigger();
        QVERIFY(window->isVisible());
        auto* file = ctl<QLineEdit>(window, "BackupFile");
        QVERIFY2(file->text().endsWith(".backup"), qPrintable(file->text()));
        const QString target = QDir(office->store.folder()).filePath("by-hand.backup");
        file->setText(target);
        ctl<QPushButton>(window, "StartButton")->click();
        QTRY_VERIFY(!window->running());
        QCOMPARE(office->responder.shown().size(), 1);
        QVERIFY2(office->responder.shown().first().startsWith("备份完成: " + target),
                 qPrintable(office->responder.shown().first()));
        QCOMPARE(storedb::readBackup(target).rows, storedb::tableRows(office->store.link()));
        QVERIFY2(statusPanel()->text().startsWith("上次备份: " +
                                                  QDate::currentDate().toString("yyyy-MM-dd")),
                 qPrintable(statusPanel()->text()));
    }

    void dailyBackupKeepsTheNewest() {
        office->action("BackupAction")->trigger();
        const QDir folder(QDir(office->store.folder()).filePath("daily"));
        ctl<QCheckBox>(window, "DailyBackup")->setChecked(true);
        ctl<QLineEdit>(window, "DailyFolder")->setText(folder.path());
        ctl<QSpinBox>(window, "KeepCopies")->setValue(2);
        ctl<QPushButton>(window, "SaveButton")->click();
        QCOMPARE(office->responder.shown(), QStringList({"设置已保存。"}));
        // Two copies of earlier days are there already.
        for (const char* day : {"20261201", "20261202"})
            for (const char* suffix : {".backup", ".backup.info"}) {
                QFile old(folder.filePath(QString("orvani-auto-%1-220000%2").arg(day, suffix)));
                QVERIFY(old.open(QIODevice::WriteOnly));
            }

        QVERIFY(window->startDueBackup());
        QTRY_VERIFY(!window->running());
        QVERIFY(!window->startDueBackup()); // once a day
        const QStringList kept = storedb::backupsIn(folder.path(), "orvani-auto-");
        QCOMPARE(kept.size(), 2);
        QCOMPARE(kept.first(), QString("orvani-auto-20261202-220000.backup"));
        QVERIFY(!folder.exists("orvani-auto-20261201-220000.backup.info"));
        QCOMPARE(storedb::readBackup(folder.filePath(kept.last())).rows,
                 storedb::tableRows(office->store.link()));
        QCOMPARE(office->responder.shown().size(), 1); // no box for the automatic one
    }
};

STORE_TEST_MAIN(TestBackupWindow)
#include "tst_backup_window.moc"
