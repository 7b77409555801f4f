// The log's running totals that the profit estimate reads: whichever way a
// movement reaches the log (back-office stock-in and stock-out, a sale
// charged at the till, a correction, a row taken out by hand) they stay equal
// to the log's own sums; a store made before them gets them when opened.

#include "storedb/charge.h"
#include "storedb/correction.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"
#include "storedb/statistics.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/books.h"
#include "support/teststore.h"

#include <QSqlQuery>
#include <QTest>
#include <QThread>

using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");
const QDate kDay(2024, 6, 12);

struct Sums {
    double cost = 0;
    double turnover = 0;
};

// The log summed row by row, as the estimate did before it kept totals.
Sums logSums(storedb::Db& db) {
    QSqlQuery q = db.exec("log sums",
                          "select coalesce(sum(case when crk=:rk then sl*rhj end),0),"
                          "coalesce(sum(case when crk=:ck then sl*dj end),0) from hwrzb",
                          {{"rk", storedb::kStockIn}, {"ck", storedb::kStockOut}});
    return q.next() ? Sums{q.value(0).toDouble(), q.value(1).toDouble()} : Sums{-1, -1};
}

void expectTotals(storedb::Db& db, double cost, double turnover) {
    const storedb::ProfitSums kept = storedb::profitSums(db);
    QCOMPARE(kept.cost, cost);
    QCOMPARE(kept.turnover, turnover);
    const Sums summed = logSums(db);
    QCOMPARE(summed.cost, cost);
    QCOMPARE(summed.turnover, turnover);
}

int lastMovement(storedb::Db& db) {
    QSqlQuery q = db.exec("last movement", "select max(bh) from hwrzb");
    return q.next() ? q.value(0).toInt() : -1;
}

void fillCatalogue(storedb::Db& db) {
    addTill(db, kTill, 100);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    storedb::sppztj(db, "01", "A", "可乐");
    storedb::sppztj(db, "01", "B", "雪碧");
}

void stockIn(storedb::Db& db, const QString& hwh, int sl, double rhj, double dj) {
    QCOMPARE(storedb::recordStockIn(db, {hwh, rhj, dj, sl, "供货商"},
                                    storedb::kFirstAdministratorNumber, kDay)
                 .result,
             storedb::MovementOutcome::Recorded);
}

// Drops what an older version's store did not have.
void dropTotals(storedb::Db& db) {
    for (const char* trigger : {"hwrzb_hj_insert", "hwrzb_hj_delete", "hwrzb_hj_update"}) {
        db.exec("older store", db.isSQLite()
                                   ? QStringLiteral("drop trigger %1").arg(trigger)
                                   : QStringLiteral("drop trigger %1 on hwrzb").arg(trigger));
    }
    db.exec("older store", "drop table hwrzhjb");
}

} // namespace

class TestLogTotals : public QObject {
    Q_OBJECT

  private slots:
    void totalsFollowEveryWayIntoTheLog() {
        TestStore store;
        storedb::Db& db = store.db();
        fillCatalogue(db);
        expectTotals(db, 0, 0);

        stockIn(db, "A", 10, 2.5, 4);
        stockIn(db, "B", 6, 1.2, 3.5);
        expectTotals(db, 32.2, 0);

        QCOMPARE(storedb::recordStockOut(db, {"B", 3.5, 2, "报损"},
                                         storedb::kFirstAdministratorNumber, kDay)
                     .result,
                 storedb::MovementOutcome::Recorded);
        expectTotals(db, 32.2, 7);

        // Two lines charged in one statement: both counted.
        storedb::signOn(db, kTill, "1001", QDateTime(kDay, QTime(9, 0)));
        QVERIFY(storedb::addSaleLine(db, kTill, "A", *storedb::hwhdw(db, "A"), 3).added);
        QVERIFY(storedb::addSaleLine(db, kTill, "B", *storedb::hwhdw(db, "B"), 1).added);
        storedb::chargeSale(db, kTill, kDay);
        storedb::signOff(db, kTill, QDateTime(kDay, QTime(10, 0)));
        expectTotals(db, 32.2, 7 + 12 + 3.5);

        // A stock-in corrected: the old row's part goes, the new one's comes.
        stockIn(db, "A", 4, 2, 4);
        expectTotals(db, 40.2, 22.5);
        QCOMPARE(storedb::correctMovement(db, lastMovement(db), {4, 5, 2.2, "供货商"}, "1",
                                          QDateTime(kDay, QTime(11, 0)))
                     .result,
                 storedb::CorrectionOutcome::Corrected);
        expectTotals(db, 43.2, 22.5);

        // A row rolled back with its transaction leaves no trace.
        {
            storedb::Transaction undone(db);
            db.exec("undone",
                    "insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crk) values('B','01',9,100,9,:rk)",
                    {{"rk", storedb::kStockIn}});
        }
        expectTotals(db, 43.2, 22.5);

        db.exec("by hand", "delete from hwrzb where bh=:bh", {{"bh", lastMovement(db)}});
        expectTotals(db, 32.2, 22.5);
    }

    // Thousands of small amounts on a large total, in and out: each step's
    // floating-point error would add up to fen that the log does not hold.
    void totalsStayExactOverManyMovements() {
        TestStore store;
        storedb::Db& db = store.db();
        fillCatalogue(db);
        // Back-office movements (an administrator's), as many pieces out as in.
        const auto movements = [&](int count, const char* price, const QString& direction) {
            db.exec("movements",
                    QStringLiteral("with recursive n(i) as (select 1 union all select i+1 from n "
                                   "where i<%1) insert into hwrzb(hwh,hwlbh,dj,sl,rhj,glyh,crk) "
                                   "select 'A','01',%2,1,%2,'1',:crk from n")
                        .arg(count)
                        .arg(QString::fromLatin1(price)),
                    {{"crk", direction}});
        };
        const Sums before = logSums(db);
        movements(1, "1000000000000", storedb::kStockIn);
        movements(1, "1000000000000", storedb::kStockOut);
        movements(3000, "0.07", storedb::kStockIn);
        movements(3000, "0.07", storedb::kStockOut);
        const storedb::ProfitSums kept = storedb::profitSums(db);
        QCOMPARE(qRound64((kept.cost - before.cost) * 100), 100000000021000LL);
        QCOMPARE(qRound64((kept.turnover - before.turnover) * 100), 100000000021000LL);
        expectBooksBalance(db);
    }

    // A SQLite store whose triggers added each amount as it came has strayed
    // by fen; opened, it gets the exact triggers and totals equal to its log.
    void driftingTriggersAreReplaced() {
        if (engineUnderTest() != storedb::Engine::SQLite)
            QSKIP("the server's totals are exact numerics");
        TestStore store;
        storedb::Db& db = store.db();
        fillCatalogue(db);
        db.exec("older store", "drop trigger hwrzb_hj_insert");
        db.exec(
            "older store",
            "create trigger hwrzb_hj_insert after insert on hwrzb begin update hwrzhjb set "
            "rkje=rkje+case when new.crk='入库' then coalesce(new.sl*new.rhj,0) else 0 end,"
            "ckje=ckje+case when new.crk='出库' then coalesce(new.sl*new.dj,0) else 0 end; end");
        const auto turnoverFen = [](storedb::Db& on) {
            return qRound64(storedb::profitSums(on).turnover * 100);
        };
        const qint64 exact = turnoverFen(db) + 100000000021000LL;
        db.exec("movements",
                "insert into hwrzb(hwh,hwlbh,dj,sl,rhj,glyh,crk) "
                "values('A','01',1000000000000,1,0,'1',:ck)",
                {{"ck", storedb::kStockOut}});
        db.exec("movements",
                "with recursive n(i) as (select 1 union all select i+1 from n where i<3000) "
                "insert into hwrzb(hwh,hwlbh,dj,sl,rhj,glyh,crk) select 'A','01',0.07,1,0,'1',:ck "
                "from n",
                {{"ck", storedb::kStockOut}});
        QVERIFY(turnoverFen(db) != exact); // the old triggers' drift
        int runs = 0;
        auto office =
            storedb::openDatabase(store.link(), "office", storedb::StoreCreation::MustExist,
                                  [&](const std::function<void()>& work) {
                                      ++runs;
                                      work();
                                  });
        QCOMPARE(runs, 1);
        QCOMPARE(turnoverFen(*office), exact);
        expectBooksBalance(*office);
    }

    // Opening a store made before the totals adds them, equal to the log,
    // and from then on they follow it.
    void olderStoreGetsTotals() {
        TestStore store;
        fillCatalogue(store.db());
        stockIn(store.db(), "A", 10, 2.5, 4);
        QCOMPARE(storedb::recordStockOut(store.db(), {"A", 4, 3, "退货"},
                                         storedb::kFirstAdministratorNumber, kDay)
                     .result,
                 storedb::MovementOutcome::Recorded);
        dropTotals(store.db());
        // Still estimated, from the log itself.
        QCOMPARE(storedb::profitSums(store.db()).cost, 25.0);
        QCOMPARE(storedb::profitSums(store.db()).turnover, 12.0);
        // A movement the totals would have missed.
        stockIn(store.db(), "B", 5, 2, 3);

        // The program is handed the work once, and may run it on a thread of
        // its own while its windows go on.
        int runs = 0;
        const storedb::UpgradeRunner onAThread = [&](const std::function<void()>& work) {
            ++runs;
            const std::unique_ptr<QThread> thread(QThread::create(work));
            thread->start();
            QVERIFY(thread->wait(60000));
        };
        auto office = storedb::openDatabase(store.link(), "office",
                                            storedb::StoreCreation::MustExist, onAThread);
        QCOMPARE(runs, 1);
        expectTotals(*office, 35, 12);
        stockIn(*office, "B", 1, 1.5, 3);
        expectTotals(*office, 36.5, 12);
        // Opened again: nothing added twice, and nothing to tell.
        office.reset();
        office = storedb::openDatabase(store.link(), "again", storedb::StoreCreation::MustExist,
                                       onAThread);
        QCOMPARE(runs, 1);
        expectTotals(*office, 36.5, 12);
        expectBooksBalance(*office);
    }
};

STORE_TEST_MAIN(TestLogTotals)
#include "tst_logtotals.moc"
