// The report of the first painted windows that the start-up benchmark waits
// for (TAVO_REPORT_WINDOWS), watched on the real till program.

#include "support/teststore.h"

#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace testsupport;

namespace {

// The till program copied into a folder with the store's link.udl, as it is
// installed: it reads the link beside itself.
struct InstalledTill {
    TestStore store;
    QTemporaryDir folder;
    QString program;
    InstalledTill() {
        addTill(store.db(), "till-1", 150);
        store.writeDataLink(folder.path());
        program = folder.filePath(QStringLiteral("client"));
        if (!QFile::copy(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/../client/client"),
                         program))
            qFatal("cannot copy the till program");
    }
};

class RunningTill {
  public:
    RunningTill(const QString& program, bool report) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TAVO_TERMINAL_NAME"), QStringLiteral("till-1"));
        if (report)
            env.insert(QStringLiteral("TAVO_REPORT_WINDOWS"), QStringLiteral("1"));
        else
            env.remove(QStringLiteral("TAVO_REPORT_WINDOWS"));
        process_.setProcessEnvironment(env);
        process_.setReadChannel(QProcess::StandardError);
        process_.start(program, {});
    }
    ~RunningTill() {
        process_.kill();
        process_.waitForFinished(10000);
    }
    RunningTill(const RunningTill&) = delete;
    RunningTill& operator=(const RunningTill&) = delete;

    // The reports written until `line` (or the time runs out).
    QStringList reportsUntil(const QString& line, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!reports_.contains(line) && clock.elapsed() < ms &&
               process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            readReports();
        }
        readReports();
        return reports_;
    }
    // The reports written within ms from now on as well.
    QStringList reportsAfter(int ms) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms && process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
            readReports();
        }
        return reports_;
    }
    bool running() const { return process_.state() == QProcess::Running; }

  private:
    void readReports() {
        while (process_.canReadLine()) {
            const QString line = QString::fromUtf8(process_.readLine()).trimmed();
            if (line.startsWith(QLatin1String("window shown:")))
                reports_ << line;
        }
    }

    QProcess process_;
    QStringList reports_;
};

const QString kMain = QStringLiteral("window shown: TillWindow");
const QString kSignOn = QStringLiteral("window shown: SignOnWindow");
const QString kUpgrade = QStringLiteral("window shown: upgradeWindow");

} // namespace

class TestWindowReport : public QObject {
    Q_OBJECT

  private slots:
    // The main window and the sign-on window it opens; each once, though
    // the clock repaints the main window every second, and no window that
    // was never shown.
    void eachWindowIsReportedOnceWhenFirstPainted() {
        InstalledTill till;
        RunningTill run(till.program, true);
        // The two are painted in the same pass, in no set order.
        QVERIFY(run.reportsUntil(kSignOn, 30000).contains(kSignOn));
        QStringList reports = run.reportsAfter(2500);
        reports.sort();
        QCOMPARE(reports, (QStringList{kSignOn, kMain}));
        QVERIFY(run.running());
    }

    // A store made by an earlier version is brought up to date at start-up,
    // under a window that says so, before the sign-on window.
    void anOlderStoreIsUpgradedUnderAWindowSayingSo() {
        InstalledTill till;
        till.store.db().exec("older store", "drop index hwrzb_crk_hwh_crhsj");
        {
            RunningTill run(till.program, true);
            const QStringList reports = run.reportsUntil(kSignOn, 30000);
            QVERIFY2(reports.contains(kUpgrade), qPrintable(reports.join(QLatin1Char('\n'))));
            QVERIFY(reports.contains(kSignOn));
            QVERIFY(reports.indexOf(kUpgrade) < reports.indexOf(kSignOn));
        }
        QSqlQuery index = till.store.db().exec(
            "index", engineUnderTest() == storedb::Engine::SQLite
                         ? "select count(*) from sqlite_master where name='hwrzb_crk_hwh_crhsj'"
                         : "select count(*) from pg_indexes where indexname='hwrzb_crk_hwh_crhsj'");
        QVERIFY(index.next());
        QCOMPARE(index.value(0).toInt(), 1);
        // Opened again, there is nothing to do and nothing to say.
        RunningTill again(till.program, true);
        QVERIFY(!again.reportsUntil(kSignOn, 30000).contains(kUpgrade));
    }

    void nothingIsReportedUnlessAsked() {
        InstalledTill till;
        // How long the sign-on window takes to come up here, asked...
        QElapsedTimer clock;
        clock.start();
        {
            RunningTill asked(till.program, true);
            QVERIFY(asked.reportsUntil(kSignOn, 30000).contains(kSignOn));
        }
        const int upAfter = int(clock.elapsed());
        // ...and twice that long without being asked.
        RunningTill run(till.program, false);
        QCOMPARE(run.reportsAfter(2 * upAfter + 1000), QStringList());
        QVERIFY(run.running());
    }
};

STORE_TEST_MAIN(TestWindowReport)
#include "tst_window_report.moc"
