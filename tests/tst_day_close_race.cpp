// Two back offices closing days at the same moment, each a process of its own
// (worker_day_close): the Zs stay numbered 1, 2, 3 ... without a gap or a
// twin, one per day, days in order, the chain whole; the one that loses is
// told so in words, never with the driver's.

#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/till.h"
#include "support/books.h"
#include "support/teststore.h"

#include <QProcess>
#include <QSqlQuery>

using namespace storedb;
using namespace testsupport;

namespace {

const int kRounds = 5;
const int kDaysPerRound = 3;
const QString kLostRace =
    QStringLiteral("另一台电脑同时进行了日结,本次日结没有保存,请重新查看后再试！");

QDate firstDay() {
    return QDate::currentDate().addDays(-kRounds * kDaysPerRound - 1);
}

// Every day a shift of till A that sells and signs off, each day's takings
// its own, so that a Z carrying another's grand total shows in the chain.
void sellEveryDay(Db& db) {
    addCategory(db, "01", "食品");
    addGoods(db, "01", "G1", "面包", 2.5, 1000);
    addClerk(db, "1001", "张三", "1001");
    addTill(db, "A", 100);
    for (int i = 0; i < kRounds * kDaysPerRound; ++i) {
        const QDate day = firstDay().addDays(i);
        signOn(db, "A", "1001", QDateTime(day, QTime(8, 0)));
        QVERIFY(addSaleLine(db, "A", "G1", *hwhdw(db, "G1"), i % 4 + 1).added);
        chargeSale(db, "A", day);
        signOff(db, "A", QDateTime(day, QTime(20, 0)));
    }
}

// The day of every Z, by number; a Z at position k must be number k + 1.
QList<std::pair<qint64, QDate>> storedZs(Db& db) {
    QSqlQuery q = db.exec("zs", "select z,day from dayclose order by z,day");
    QList<std::pair<qint64, QDate>> zs;
    while (q.next())
        zs.append({q.value(0).toLongLong(), readDateTime(q.value(1)).date()});
    return zs;
}

} // namespace

class TestDayCloseRace : public QObject {
    Q_OBJECT

  private slots:
    // Each round races two days of its own (offsets into the round's days),
    // the round's first day closed beforehand when asked.
    void twoBackOfficesCloseAtOnce_data() {
        QTest::addColumn<bool>("firstClosed");
        QTest::addColumn<int>("one");
        QTest::addColumn<int>("other");
        QTest::newRow("the same day") << false << 0 << 0;
        QTest::newRow("a day and the next") << false << 0 << 1;
        QTest::newRow("the two days after a closed one") << true << 1 << 2;
    }
    void twoBackOfficesCloseAtOnce() {
        QFETCH(bool, firstClosed);
        QFETCH(int, one);
        QFETCH(int, other);
        TestStore store;
        Db& db = store.db();
        sellEveryDay(db);
        store.writeDataLink(store.folder());
        QList<std::shared_ptr<QProcess>> workers;
        for (int i = 0; i < 2; ++i) {
            auto worker = std::make_shared<QProcess>();
            worker->start(QCoreApplication::applicationDirPath() + "/worker_day_close",
                          {store.folder() + "/link.udl"});
            QVERIFY(worker->waitForReadyRead(20000));
            QCOMPARE(worker->readLine(), QByteArray("ready\n"));
            workers << worker;
        }
        int lostRaces = 0;
        for (int round = 0; round < kRounds; ++round) {
            const QDate base = firstDay().addDays(round * kDaysPerRound);
            const QList<QDate> days = {base.addDays(one), base.addDays(other)};
            // Every day with money since the last Z is closed before the raced
            // ones: none may be left behind a later Z.
            const QList<std::pair<qint64, QDate>> earlier = storedZs(db);
            const QDate unclosed = !earlier.isEmpty() ? earlier.last().second.addDays(1)
                                   : firstClosed      ? base
                                                      : QDate();
            for (QDate d = unclosed; d.isValid() && d < std::min(days[0], days[1]);
                 d = d.addDays(1))
                closeDay(db, d, "1", QDateTime::currentDateTime());
            const qint64 before = storedZs(db).size();
            for (int i = 0; i < 2; ++i) // the start line: both go at once
                workers[i]->write(days[i].toString(Qt::ISODate).toUtf8() + '\n');
            for (auto& worker : workers) // out of QProcess's buffer, into both pipes
                QVERIFY(worker->waitForBytesWritten(10000));
            QStringList answers;
            for (auto& worker : workers) {
                while (!worker->canReadLine())
                    QVERIFY2(worker->waitForReadyRead(30000), worker->readAllStandardError());
                answers << QString::fromUtf8(worker->readLine()).trimmed();
            }

            // Numbered on without a gap or a twin, each day once, in order.
            const QList<std::pair<qint64, QDate>> zs = storedZs(db);
            QHash<QDate, qint64> written;
            for (qsizetype k = 0; k < zs.size(); ++k) {
                const auto& [z, day] = zs[k];
                QCOMPARE(z, qint64(k + 1));
                if (k > 0)
                    QVERIFY2(zs[k - 1].second < day, qPrintable(day.toString(Qt::ISODate)));
                if (z > before)
                    written.insert(day, z);
            }
            // Each back office was told what became of its day: its Z, or why
            // not, in one of the words a refusal has.
            int closed = 0;
            for (int i = 0; i < 2; ++i) {
                const QString mine = days[i].toString(Qt::ISODate);
                const QString theirs = days[1 - i].toString(Qt::ISODate);
                const QString lost = "refused " + kLostRace;
                QStringList told = {lost};
                if (written.contains(days[i]))
                    told << QString("closed %1").arg(written[days[i]])
                         << QString("refused %1 已经日结(第 %2 号日结),不能再次日结！")
                                .arg(mine)
                                .arg(written[days[i]]);
                if (days[i] < days[1 - i])
                    told
                        << QString("refused 已经日结到 %1,不能再日结更早的 %2！").arg(theirs, mine);
                if (days[i] > days[1 - i])
                    told << QString("refused %1 有营业还没有日结,请先日结 %1！").arg(theirs);
                QVERIFY2(told.contains(answers[i]),
                         qPrintable(QString("round %1, %2: %3").arg(round).arg(mine, answers[i])));
                closed += answers[i].startsWith("closed ");
                lostRaces += answers[i] == lost;
            }
            QVERIFY(closed >= 1);
            QCOMPARE(closed, written.size());
            QStringList findings;
            for (const ChainFinding& f : verifyDayCloseChain(db))
                findings << f.text;
            QVERIFY2(findings.isEmpty(), qPrintable(findings.join('\n')));
        }
        for (auto& worker : workers) {
            worker->closeWriteChannel();
            QVERIFY(worker->waitForFinished(20000));
            QCOMPARE(worker->exitCode(), 0);
        }
        qInfo("%d of %d closes lost the race at the insert", lostRaces, 2 * kRounds);
        expectBooksBalance(db);
    }
};

STORE_TEST_MAIN(TestDayCloseRace)
#include "tst_day_close_race.moc"
