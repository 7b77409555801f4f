// Several tills at once: separate processes (worker_till), each with its own
// connection to one store, charging and selling the last pieces together.

#include "storedb/procedures.h"
#include "support/teststore.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>
#include <memory>
#include <vector>

using namespace storedb;
using namespace testsupport;

namespace {

const int kTills = 4;

QString workerPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/worker_till");
}

struct Tills {
    std::vector<std::unique_ptr<QProcess>> processes;

    // Starts the workers, waits until each is connected, then lets them all go
    // at once, and waits for them to finish.
    void run(const QList<QStringList>& arguments) {
        QVERIFY2(QFile::exists(workerPath()), "worker_till is built beside the tests");
        for (const QStringList& args : arguments) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::SeparateChannels);
            process->start(workerPath(), args);
            QVERIFY2(process->waitForStarted(10000), qPrintable(process->errorString()));
            processes.push_back(std::move(process));
        }
        for (auto& process : processes) {
            while (!process->canReadLine()) {
                QVERIFY2(process->state() == QProcess::Running,
                         qPrintable(process->readAllStandardError()));
                process->waitForReadyRead(200);
            }
            QCOMPARE(process->readLine(), QByteArray("ready\n"));
        }
        // QProcess writes only while waiting on that process: push each "go"
        // out now, or the tills would start one after the other.
        for (auto& process : processes)
            process->write("go\n");
        for (auto& process : processes)
            QVERIFY(process->waitForBytesWritten(10000));
        for (auto& process : processes) {
            QVERIFY2(process->waitForFinished(60000), "a till did not finish in time");
            QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                     qPrintable(process->readAllStandardError()));
        }
    }

    // The lines every till printed, word by word.
    QList<QStringList> lines() {
        QList<QStringList> all;
        for (auto& process : processes) {
            const QString out = QString::fromUtf8(process->readAllStandardOutput());
            for (const QString& l : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                all.append(l.split(QLatin1Char(' ')));
        }
        return all;
    }
};

qint64 scalar(Db& db, const QString& sql) {
    QSqlQuery q = db.exec(QStringLiteral("scalar"), sql);
    return q.next() ? q.value(0).toLongLong() : -1;
}

} // namespace

class TestConcurrency : public QObject {
    Q_OBJECT

  private slots:
    void billNumbersAreHandedOutOnce() {
        TestStore store;
        store.writeDataLink(store.folder());
        const QString udl = store.folder() + QStringLiteral("/link.udl");
        const int each = 100;
        QList<QStringList> arguments;
        for (int i = 0; i < kTills; ++i) {
            // Half the tills draw some numbers inside a transaction that
            // reads before it writes, as charging does.
            arguments.append({"--udl", udl, "bills", QString::number(each), "--transaction-every",
                              QString::number(i % 2 ? 3 : 0)});
        }
        Tills tills;
        tills.run(arguments);
        if (QTest::currentTestFailed())
            return;

        QList<qint64> numbers;
        for (const QStringList& words : tills.lines()) {
            QCOMPARE(words.value(0), QString("bill"));
            numbers.append(words.value(1).toLongLong());
        }
        QCOMPARE(numbers.size(), kTills * each);
        std::sort(numbers.begin(), numbers.end());
        for (int i = 0; i < numbers.size(); ++i)
            QCOMPARE(numbers.at(i), qint64(i + 1)); // distinct, and none skipped
        QCOMPARE(scalar(store.db(), "select accountnum from company"), qint64(kTills * each));
    }

    void lastPiecesAreNeverOversold() {
        // Several goods items, sold one after the other by every till at
        // once: each item's last pieces are fought over.
        TestStore store;
        const int start = 24;
        QStringList goods;
        addCategory(store.db(), "01", "饮料");
        for (int i = 0; i < 5; ++i) {
            goods << QStringLiteral("690123456789%1").arg(i);
            addGoods(store.db(), "01", goods.last(), QStringLiteral("矿泉水%1").arg(i), 2.5, start);
        }
        store.writeDataLink(store.folder());
        const QString udl = store.folder() + QStringLiteral("/link.udl");

        QList<QStringList> arguments;
        for (int i = 0; i < kTills; ++i) {
            arguments.append({"--udl", udl, "sell", goods.join(QLatin1Char(',')),
                              "--transaction-every", QString::number(i % 2 ? 2 : 0)});
        }
        Tills tills;
        tills.run(arguments);
        if (QTest::currentTestFailed())
            return;

        QHash<QString, int> sold;
        QSet<qint64> bills;
        int sales = 0;
        for (const QStringList& words : tills.lines()) {
            QCOMPARE(words.value(0), QString("sale"));
            const int pieces = words.value(2).toInt();
            QVERIFY(pieces >= 1 && pieces <= 3);
            sold[words.value(1)] += pieces;
            bills.insert(words.value(3).toLongLong());
            ++sales;
        }
        for (const QString& hwh : goods) {
            const int stock = stockOf(store.db(), hwh);
            QVERIFY2(stock >= 0, qPrintable(QString("stock of %1 went to %2").arg(hwh).arg(stock)));
            QCOMPARE(stock + sold.value(hwh), start);
            // Every till sold until it was refused one piece: nothing is left.
            QCOMPARE(stock, 0);
            // The log agrees with the tills.
            QSqlQuery q = store.db().exec(
                "logged", "select coalesce(sum(sl),0) from hwrzb where hwh=:hwh", {{"hwh", hwh}});
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), sold.value(hwh));
        }
        // One bill per sale.
        QCOMPARE(bills.size(), sales);
        QCOMPARE(scalar(store.db(), "select count(distinct num) from hwrzb"), qint64(sales));
        QCOMPARE(scalar(store.db(), "select count(*) from hwrzb"), qint64(sales));
    }

    void newStoreOpenedByManyAtOnce() {
        if (engineUnderTest() != Engine::SQLite)
            QSKIP("a server store is created by the tool, never by opening it");
        TestStore store;
        const QString file = store.folder() + QStringLiteral("/fresh.db");
        DataLink link;
        link.dataSource = file;
        QFile udl(store.folder() + QStringLiteral("/fresh.udl"));
        QVERIFY(udl.open(QIODevice::WriteOnly));
        udl.write(dataLinkText(link).toUtf8());
        udl.close();

        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < 2 * kTills; ++i) {
            auto process = std::make_unique<QProcess>();
            process->start(workerPath(), {"--udl", udl.fileName(), "open"});
            processes.push_back(std::move(process));
        }
        for (auto& process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QVERIFY2(process->exitCode() == 0, qPrintable(process->readAllStandardError()));
        }
        auto db = openDatabase(link, "check");
        QCOMPARE(scalar(*db, "select count(*) from company"), qint64(1));
        QCOMPARE(scalar(*db, "select count(*) from glyb"), qint64(1));
        QSqlQuery mode = db->exec("mode", "pragma journal_mode");
        QVERIFY(mode.next());
        QCOMPARE(mode.value(0).toString(), QString("wal"));
        // Money is at stake: every commit reaches the disk; and a busy store is
        // waited for instead of failing at once.
        QCOMPARE(scalar(*db, "pragma synchronous"), qint64(2));
        QVERIFY(scalar(*db, "pragma busy_timeout") >= 5000);
    }
};

STORE_TEST_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
