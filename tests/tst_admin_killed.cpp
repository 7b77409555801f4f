// The back office killed in the middle of its work loses nothing it said it
// had done, writes nothing it had not, and leaves books that add up: a stock
// movement is all there or not at all, whenever the process dies. The back
// office is the real program's windows in a process of its own
// (worker_admin_ui), worked through its controls and killed outright.

#include "storedb/charge.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/books.h"
#include "support/teststore.h"
#include "support/workerprocess.h"

#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kGoods = QStringLiteral("6901");
const int kStartStock = 200;

struct Shop {
    TestStore store;

    Shop() {
        Db& db = store.db();
        addCategory(db, QStringLiteral("01"), QStringLiteral("饮料"));
        db.exec("goods", "insert into hwpzb(hwh,hwm,hwlbh) values(:hwh,'可乐','01')",
                {{"hwh", kGoods}});
        const MovementOutcome first =
            recordStockIn(db, {kGoods, 1.5, 2.5, kStartStock, "供货商"}, kFirstAdministratorNumber,
                          QDate::currentDate());
        if (first.result != MovementOutcome::Recorded)
            qFatal("the first stock-in was not recorded");
        store.writeDataLink(store.folder());
    }
    qint64 value(const QString& sql) {
        QSqlQuery q = store.db().exec(QStringLiteral("look"), sql);
        return q.next() ? q.value(0).toLongLong() : -1;
    }
    qint64 stock() { return value(QStringLiteral("select kcl from hwb where hwh='6901'")); }
    qint64 logRows() { return value(QStringLiteral("select count(*) from hwrzb")); }
};

class BackOffice : public WorkerProcess {
  public:
    explicit BackOffice(const Shop& shop)
        : WorkerProcess(QStringLiteral("worker_admin_ui"), {shop.store.folder()}) {}
    bool signedOn() {
        return started() && send(QStringLiteral("signon %1 %2")
                                     .arg(kFirstAdministratorNumber, kFirstAdministratorPassword));
    }
};

} // namespace

class TestAdminKilled : public QObject {
    Q_OBJECT
  private slots:
    // Killed with a question on screen: before the confirmation nothing is
    // written; at "continue?" the movement is written, once.
    void killedAtAQuestion_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("question");
        QTest::addColumn<int>("stockChange");
        QTest::newRow("stock-in, at the confirmation") << "stockin 6901 1.2 2.5 7" << 1 << 0;
        QTest::newRow("stock-in, at continue") << "stockin 6901 1.2 2.5 7" << 2 << 7;
        QTest::newRow("stock-out, at the confirmation") << "stockout 6901 2.5 9" << 1 << 0;
        QTest::newRow("stock-out, at continue") << "stockout 6901 2.5 9" << 2 << -9;
    }
    void killedAtAQuestion() {
        QFETCH(QString, command);
        QFETCH(int, question);
        QFETCH(int, stockChange);
        Shop shop;
        const qint64 rowsBefore = shop.logRows();
        {
            BackOffice office(shop);
            QVERIFY2(office.signedOn(), office.why());
            office.post(command + QStringLiteral(" hold@%1").arg(question));
            const QString crk = command.startsWith(QLatin1String("stockin")) ? kStockIn : kStockOut;
            const QString asked = question == 1 ? QStringLiteral("真的要%1吗？").arg(crk)
                                                : QStringLiteral("你还要继续%1吗？").arg(crk);
            QVERIFY2(office.expect(QStringLiteral("held ") + asked), office.why());
            office.kill();
        }
        QCOMPARE(shop.stock(), kStartStock + stockChange);
        QCOMPARE(shop.logRows(), rowsBefore + (stockChange != 0 ? 1 : 0));
        expectBooksBalance(shop.store.db());

        // The next run works on what the killed one left.
        BackOffice again(shop);
        QVERIFY2(again.signedOn(), again.why());
        QVERIFY2(again.send(QStringLiteral("stockin 6901 1.2 2.5 3")), again.why());
        QCOMPARE(shop.stock(), kStartStock + stockChange + 3);
        expectBooksBalance(shop.store.db());
    }

    // Lines keyed as fast as the windows take them, the process killed at a
    // random moment, again and again on one store: every line it confirmed is
    // in the log, none is there twice, and the books add up after each kill.
    void killedAtRandomMoments() {
        Shop shop;
        QRandomGenerator random(QRandomGenerator::global()->generate());
        qint64 confirmed = 0;
        for (int round = 0; round < 6; ++round) {
            const qint64 rowsBefore = shop.logRows();
            BackOffice office(shop);
            QVERIFY2(office.signedOn(), office.why());
            const int sent = 12;
            for (int i = 0; i < sent; ++i)
                office.post(i % 3 == 2 ? QStringLiteral("stockout 6901 2.5 2")
                                       : QStringLiteral("stockin 6901 1.2 2.5 1"));
            QThread::msleep(random.bounded(5, 400));
            office.kill();
            const qint64 acknowledged =
                office.remainingLines().filter(QStringLiteral("ok ")).size();
            const qint64 written = shop.logRows() - rowsBefore;
            QVERIFY2(written >= acknowledged && written <= sent,
                     qPrintable(QStringLiteral("round %1: %2 rows written, %3 confirmed, %4 sent")
                                    .arg(round)
                                    .arg(written)
                                    .arg(acknowledged)
                                    .arg(sent)));
            confirmed += acknowledged;
            expectBooksBalance(shop.store.db());
            if (QTest::currentTestFailed())
                return;
        }
        QVERIFY2(confirmed > 0, "no round got as far as one line: the kills came too early");
    }

    // A correction killed at a random moment: the row and the stock change
    // together or not at all.
    void correctionKilledAtRandomMoments() {
        QRandomGenerator random(QRandomGenerator::global()->generate());
        Shop shop;
        int quantity = kStartStock;
        for (int round = 0; round < 5; ++round) {
            BackOffice office(shop);
            QVERIFY2(office.signedOn(), office.why());
            quantity -= 10;
            office.post(QStringLiteral("correct 1 %1").arg(quantity));
            QThread::msleep(random.bounded(0, 300));
            office.kill();
            const bool acknowledged =
                office.remainingLines().contains(QStringLiteral("ok correct 1 %1").arg(quantity));
            const qint64 logged = shop.value(QStringLiteral("select sl from hwrzb where bh=1"));
            QVERIFY(logged == quantity || logged == quantity + 10);
            if (acknowledged)
                QCOMPARE(logged, qint64(quantity));
            quantity = int(logged);
            QCOMPARE(shop.stock(), logged);
            expectBooksBalance(shop.store.db());
        }
    }

    // A settlement killed at a random moment settles all the clerk's owed
    // shifts or none of them.
    void settlementKilledAtRandomMoments() {
        QRandomGenerator random(QRandomGenerator::global()->generate());
        for (int round = 0; round < 4; ++round) {
            Shop shop;
            Db& db = shop.store.db();
            addClerk(db, QStringLiteral("1001"), QStringLiteral("王芳"), QStringLiteral("pw"));
            addTill(db, QStringLiteral("till-1"), 100);
            // Three shifts of the till's own making, each with one sale.
            for (int shift = 0; shift < 3; ++shift) {
                QDateTime at = QDateTime::currentDateTime().addSecs(shift - 10);
                signOn(db, QStringLiteral("till-1"), QStringLiteral("1001"), at);
                const GoodsAtTill goods = *hwhdw(db, kGoods);
                QVERIFY(addSaleLine(db, QStringLiteral("till-1"), kGoods, goods, 40).added);
                chargeSale(db, QStringLiteral("till-1"), QDate::currentDate());
                signOff(db, QStringLiteral("till-1"), at.addMSecs(500));
            }
            const QString owed = QStringLiteral(
                "select count(*) from shyrzb where shyh='1001' and bj='未交' and qye+yye-xye>0");
            const qint64 owedBefore = shop.value(owed);
            QVERIFY(owedBefore > 0);

            BackOffice office(shop);
            QVERIFY2(office.signedOn(), office.why());
            office.post(QStringLiteral("settle 1001"));
            QThread::msleep(random.bounded(0, 300));
            office.kill();
            const bool acknowledged =
                office.remainingLines().contains(QStringLiteral("ok settle 1001"));
            const qint64 owedAfter = shop.value(owed);
            QVERIFY2(
                owedAfter == 0 || owedAfter == owedBefore,
                qPrintable(
                    QStringLiteral("%1 of %2 owed shifts left").arg(owedAfter).arg(owedBefore)));
            if (acknowledged)
                QCOMPARE(owedAfter, 0);
            expectBooksBalance(db);
        }
    }
};

QTEST_GUILESS_MAIN(TestAdminKilled)
#include "tst_admin_killed.moc"
