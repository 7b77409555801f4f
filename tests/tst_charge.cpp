// Charging a sale: bill number, movement rows and takings in one
// transaction, also when it fails inside and when several tills charge at once.

#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "support/books.h"
#include "support/teststore.h"

#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <memory>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");

// Three lines, 25 + 17.5 + 45 = 87.5.
void keyThreeLines(Db& db, const QString& terminal) {
    createSaleTable(db, terminal);
    insertSaleLine(db, terminal, SaleLine{"A", "可乐", "01", 12.5, 2, 25, 0});
    insertSaleLine(db, terminal, SaleLine{"B", "薯片", "02", 3.5, 5, 17.5, 0});
    insertSaleLine(db, terminal, SaleLine{"C", "大米", "03", 45, 1, 45, 0});
}

qint64 counter(Db& db) {
    QSqlQuery q = db.exec("counter", "select accountnum from company");
    return q.next() ? q.value(0).toLongLong() : -1;
}

int movementRows(Db& db) {
    QSqlQuery q = db.exec("movements", "select count(*) from hwrzb");
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace

class TestCharge : public QObject {
    Q_OBJECT

  private slots:
    void chargeBooksBillRowsAndTakingsTogether() {
        TestStore store;
        Db& db = store.db();
        addTill(db, kTill, 150);
        accountnum(db); // bill numbers already drawn by earlier sales
        accountnum(db);
        keyThreeLines(db, kTill);

        const QDate today = QDate::currentDate();
        const ChargedSale sale = chargeSale(db, kTill, today);
        const qint64 bill = sale.bill;
        QCOMPARE(bill, 3);
        QCOMPARE(counter(db), 3);
        QVERIFY(!db.inTransaction());

        QSqlQuery q = db.exec(
            "log", "select hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num from hwrzb order by bh");
        const QList<std::tuple<QString, QString, double, int>> expected = {
            {"A", "01", 12.5, 2}, {"B", "02", 3.5, 5}, {"C", "03", 45, 1}};
        for (const auto& [hwh, hwlbh, dj, sl] : expected) {
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), hwh);
            QCOMPARE(q.value(1).toString(), hwlbh);
            QCOMPARE(q.value(2).toDouble(), dj);
            QCOMPARE(q.value(3).toInt(), sl);
            QCOMPARE(q.value(4).toDouble(), 0.0);
            QCOMPARE(readDateTime(q.value(5)), QDateTime(today, QTime(0, 0)));
            QVERIFY(q.value(6).isNull());
            QCOMPARE(q.value(7).toString(), kStockOut);
            QVERIFY(q.value(8).isNull());
            QCOMPARE(q.value(9).toLongLong(), bill);
        }
        QVERIFY(!q.next());
        QCOMPARE(yyetj(db, kTill), 87.5);
        // The charged lines leave the sale table with the booking, so that a
        // till lost before the receipt cannot put them back into stock; the
        // receipt prints them from the charged sale.
        QCOMPARE(saleLines(db, kTill).size(), 0);
        QCOMPARE(sale.lines.size(), 3);
        QCOMPARE(sale.lines.at(1).hwh, QString("B"));
        QCOMPARE(sale.lines.at(1).sl, 5);
        QCOMPARE(sale.total, 87.5);

        // The next sale gets the next number and adds to the takings.
        insertSaleLine(db, kTill, SaleLine{"A", "可乐", "01", 12.5, 1, 12.5, 0});
        QCOMPARE(chargeSale(db, kTill, today).bill, 4);
        QCOMPARE(yyetj(db, kTill), 100.0);
        QCOMPARE(movementRows(db), 4);
        QCOMPARE(loadShopSettings(db).accountnum, 4);
        expectBooksBalance(db);
    }

    void failureInsideLeavesNothingBooked_data() {
        QTest::addColumn<QString>("failing");
        QTest::newRow("second movement row") << "hwrzb";
        QTest::newRow("takings") << "jqb";
        QTest::newRow("till not registered") << "";
    }
    void failureInsideLeavesNothingBooked() {
        QFETCH(QString, failing);
        TestStore store;
        Db& db = store.db();
        if (!failing.isEmpty())
            addTill(db, kTill, 150);
        accountnum(db);
        keyThreeLines(db, kTill);
        if (!failing.isEmpty())
            injectFailure(db, failing);

        try {
            chargeSale(db, kTill, QDate::currentDate());
            QFAIL("the charge did not fail");
        } catch (const DbError& e) {
            QVERIFY2(
                e.text().contains(failing.isEmpty() ? QString("没有注册") : QString("injected")),
                qPrintable(e.text()));
        }
        QVERIFY(!db.inTransaction());
        QCOMPARE(movementRows(db), 0);
        QCOMPARE(counter(db), 1);
        if (!failing.isEmpty())
            QCOMPARE(yyetj(db, kTill), 0.0);
        QCOMPARE(saleLines(db, kTill).size(), 3);

        // Once the cause is gone the same sale charges normally.
        if (failing.isEmpty())
            addTill(db, kTill, 150);
        else
            removeFailure(db, failing);
        QCOMPARE(chargeSale(db, kTill, QDate::currentDate()).bill, 2);
        QCOMPARE(movementRows(db), 3);
        QCOMPARE(yyetj(db, kTill), 87.5);
        expectBooksBalance(db);
    }

    void concurrentTillsGetDistinctBills() {
        TestStore store;
        Db& db = store.db();
        store.writeDataLink(store.folder());
        const QStringList tills = {"till-a", "till-b"};
        for (const QString& till : tills)
            addTill(db, till, 0);
        const int sales = 15;

        QList<std::shared_ptr<QProcess>> workers;
        for (const QString& till : tills) {
            auto worker = std::make_shared<QProcess>();
            worker->setProcessChannelMode(QProcess::SeparateChannels);
            worker->start(QCoreApplication::applicationDirPath() + "/worker_charge",
                          {store.folder() + "/link.udl", till, QString::number(sales)});
            QVERIFY2(worker->waitForStarted(10000), qPrintable(worker->errorString()));
            workers << worker;
        }
        for (auto& worker : workers) {
            QVERIFY(worker->waitForReadyRead(30000));
            QCOMPARE(worker->readLine().trimmed(), QByteArray("ready"));
        }
        for (auto& worker : workers)
            worker->write("go\n");

        QSet<qint64> bills;
        for (auto& worker : workers) {
            QVERIFY(worker->waitForFinished(120000));
            QVERIFY2(worker->exitCode() == 0, worker->readAllStandardError().constData());
            const QList<QByteArray> lines = worker->readAllStandardOutput().trimmed().split('\n');
            QCOMPARE(lines.size(), sales);
            for (const QByteArray& line : lines) {
                QVERIFY(line.startsWith("bill "));
                bills.insert(line.mid(5).toLongLong());
            }
        }
        QCOMPARE(bills.size(), 2 * sales); // no number handed out twice
        QCOMPARE(counter(db), 2 * sales);

        QSqlQuery q = db.exec("per bill", "select num,count(*),sum(sl*dj) from hwrzb group by num");
        QSet<qint64> logged;
        while (q.next()) {
            logged.insert(q.value(0).toLongLong());
            QCOMPARE(q.value(1).toInt(), 2);
            QCOMPARE(q.value(2).toDouble(), 5.5);
        }
        QCOMPARE(logged, bills);
        for (const QString& till : tills)
            QCOMPARE(yyetj(db, till), 5.5 * sales);
        expectBooksBalance(db);
    }

  private:
    // A trigger that fails the statement for real, inside the transaction:
    // on hwrzb only for the second line, so that a row is already written.
    static void injectFailure(Db& db, const QString& table) {
        const QString when = table == "hwrzb" ? "new.hwh='B'" : "1=1";
        const QString timing = table == "hwrzb" ? "before insert" : "after update";
        if (db.isSQLite()) {
            db.exec("inject",
                    QString("create trigger injected_failure %1 on %2 for each row when %3 "
                            "begin select raise(abort,'injected'); end")
                        .arg(timing, table, when));
            return;
        }
        db.exec("inject",
                QString("create function injected_failure() returns trigger language plpgsql as $$ "
                        "begin if %1 then raise exception 'injected'; end if; return new; end $$")
                    .arg(when));
        db.exec("inject", QString("create trigger injected_failure %1 on %2 for each row "
                                  "execute function injected_failure()")
                              .arg(timing, table));
    }
    static void removeFailure(Db& db, const QString& table) {
        if (db.isSQLite()) {
            db.exec("remove", "drop trigger injected_failure");
            return;
        }
        db.exec("remove", QString("drop trigger injected_failure on %1").arg(table));
        db.exec("remove", "drop function injected_failure()");
    }
};

STORE_TEST_MAIN(TestCharge)
#include "tst_charge.moc"
