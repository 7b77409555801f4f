// The back office issuing goods while tills sell the last pieces of the same
// goods, each a process of its own on one store (worker_stock_race).

#include "storedb/procedures.h"
#include "storedb/stock.h"
#include "support/books.h"
#include "support/teststore.h"

#include <QProcess>
#include <QSqlQuery>
#include <memory>
#include <vector>

using namespace testsupport;

class TestStockRace : public QObject {
    Q_OBJECT

  private slots:
    // Every side takes each goods item until it is refused: each item's last
    // pieces are fought over, and the stock must end at exactly zero.
    void stockOutsAndTillsFightOverTheLastPieces() {
        TestStore store;
        storedb::Db& db = store.db();
        const int start = 15;
        QStringList goods;
        addCategory(db, "01", "饮料");
        for (int i = 0; i < 6; ++i) {
            goods << QStringLiteral("A%1").arg(i);
            storedb::sppztj(db, "01", goods.last(), QStringLiteral("可乐%1").arg(i));
            storedb::recordStockIn(db, {goods.last(), 2, 2.5, start, ""}, "1",
                                   QDate::currentDate());
        }
        addClerk(db, "01", "张三", "01");
        addClerk(db, "02", "李四", "02");
        addTill(db, "T1", 100);
        addTill(db, "T2", 100);
        store.writeDataLink(store.folder());

        const QString list = goods.join(',');
        const QList<QStringList> sides = {
            {"till", "T1", list, "01"},
            {"till", "T2", list, "02"},
            {"office", "1", list, "2"},
            {"office", "1", list, "3"},
        };
        const QString worker = QCoreApplication::applicationDirPath() + "/worker_stock_race";
        std::vector<std::unique_ptr<QProcess>> workers;
        for (const QStringList& args : sides) {
            auto process = std::make_unique<QProcess>();
            process->start(worker, QStringList{store.folder()} + args);
            QVERIFY2(process->waitForStarted(10000), qPrintable(process->errorString()));
            workers.push_back(std::move(process));
        }
        for (auto& p : workers) {
            while (!p->canReadLine()) {
                QVERIFY2(p->state() == QProcess::Running, p->readAllStandardError().constData());
                p->waitForReadyRead(200);
            }
            QCOMPARE(p->readLine(), QByteArray("ready\n"));
        }
        // All at once: each "go" goes out before any worker is waited for.
        for (auto& p : workers)
            p->write("go\n");
        for (auto& p : workers)
            QVERIFY(p->waitForBytesWritten(10000));

        int taken = 0;
        int soldAtTills = 0;
        for (std::size_t i = 0; i < workers.size(); ++i) {
            QProcess& p = *workers[i];
            QVERIFY2(p.waitForFinished(120000), "a worker did not finish in time");
            QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                     p.readAllStandardError().constData());
            const int pieces = p.readAllStandardOutput().trimmed().toInt();
            taken += pieces;
            if (sides[int(i)][0] == "till")
                soldAtTills += pieces;
        }
        for (const QString& hwh : goods)
            QCOMPARE(stockOf(db, hwh), 0);
        QCOMPARE(taken, start * int(goods.size()));
        QSqlQuery sales =
            db.exec("sales", "select coalesce(sum(sl),0) from hwrzb where glyh is null");
        QVERIFY(sales.next());
        QCOMPARE(sales.value(0).toInt(), soldAtTills);
        expectBooksBalance(db);
    }
};

STORE_TEST_MAIN(TestStockRace)
#include "tst_stock_race.moc"
