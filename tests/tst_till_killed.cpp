// A till killed at any point of a sale and signed on again loses no stock and
// no money and counts nothing twice. The till is the real program's windows
// in a process of its own (worker_till_ui), worked through its controls and
// killed outright.

#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "support/books.h"
#include "support/teststore.h"
#include "support/workerprocess.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kTerminal = QStringLiteral("till-k1");
const QString kClerk = QStringLiteral("1001");
const QString kPassword = QStringLiteral("pw");
const QString kGoodsA = QStringLiteral("6901");
const QString kGoodsB = QStringLiteral("6902");
const int kStockA = 10;
const int kStockB = 20;
const double kFloat = 150;
// 2 × 12.5 + 3 × 3.3
const double kSaleTotal = 34.9;
// The float after the wind-up: 150 + 34.9 is below 200, nothing is handed in.
const QString kFloatAfterSale = QStringLiteral("184.9");
const int kWait = 20000;

qint64 fen(double yuan) {
    return qRound64(yuan * 100);
}

// A store with one till, one clerk and two goods items, and a folder for the
// receipts' PDF copies.
struct Shop {
    TestStore store;

    Shop() {
        Db& db = store.db();
        addTill(db, kTerminal, kFloat);
        addClerk(db, kClerk, QStringLiteral("王芳"), kPassword);
        addCategory(db, QStringLiteral("01"), QStringLiteral("食品"));
        addGoods(db, QStringLiteral("01"), kGoodsA, QStringLiteral("可乐"), 12.5, kStockA);
        addGoods(db, QStringLiteral("01"), kGoodsB, QStringLiteral("面包"), 3.3, kStockB);
        store.writeDataLink(store.folder());
        QDir(store.folder()).mkdir(QStringLiteral("receipts"));
    }
    QString receipts() const { return store.folder() + QStringLiteral("/receipts"); }
    QVariant value(const QString& sql, const Params& params = {}) {
        QSqlQuery q = store.db().exec(QStringLiteral("books"), sql, params);
        return q.next() ? q.value(0) : QVariant();
    }
};

// One run of the till program.
class Till : public WorkerProcess {
  public:
    explicit Till(const Shop& shop)
        : WorkerProcess(QStringLiteral("worker_till_ui"), {shop.store.folder()},
                        {{QStringLiteral("TAVO_TERMINAL_NAME"), kTerminal},
                         {QStringLiteral("TAVO_RECEIPT_PDF"), shop.receipts()}}) {}
};

// A receipt printer that takes the first few kilobytes and then stalls: the
// till's PDF copy of the receipt goes into a pipe that is never drained. The
// copy is named after the bill and the second it is printed, so a pipe waits
// under every name the next half minute can give it.
class StalledPrinter {
  public:
    StalledPrinter(const QString& folder, qint64 bill) {
        const QDateTime from = QDateTime::currentDateTime().addSecs(-1);
        for (int second = 0; second < 32; ++second) {
            const QString path = QDir(folder).filePath(
                QStringLiteral("receipt-%1-%2.pdf")
                    .arg(bill)
                    .arg(from.addSecs(second).toString(QStringLiteral("yyyyMMdd-HHmmss"))));
            const QByteArray name = QFile::encodeName(path);
            if (::mkfifo(name.constData(), 0600) != 0)
                continue;
            // Opened for reading first, so that the till's open succeeds and its
            // writing stalls once one page of the pipe is full.
            const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
            if (fd < 0)
                continue;
            ::fcntl(fd, F_SETPIPE_SZ, 4096);
            pipes_.push_back(pollfd{fd, POLLIN, 0});
        }
    }
    ~StalledPrinter() {
        for (const pollfd& pipe : pipes_)
            ::close(pipe.fd);
    }
    StalledPrinter(const StalledPrinter&) = delete;
    StalledPrinter& operator=(const StalledPrinter&) = delete;

    bool ready() const { return pipes_.size() == 32; }

    // Waits until the receipt starts to come in; false when the till has
    // answered first (the receipt went somewhere else) or nothing came.
    bool printingStarted(Till& till) {
        QDeadlineTimer deadline(kWait);
        while (!deadline.hasExpired()) {
            if (::poll(pipes_.data(), pipes_.size(), 50) > 0) {
                for (const pollfd& pipe : pipes_) {
                    if (pipe.revents & POLLIN) {
                        printing_ = pipe.fd;
                        return true;
                    }
                }
            }
            if (till.hasAnswered())
                return false;
        }
        return false;
    }
    // What reached the printer (call once the till is gone).
    QByteArray printed() const {
        QByteArray all;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(printing_, buffer, sizeof buffer)) > 0)
            all.append(buffer, got);
        return all;
    }

  private:
    std::vector<pollfd> pipes_;
    int printing_ = -1;
};

// The books as the back office reads them.
struct Books {
    int stockA = 0;
    int stockB = 0;
    // Pieces in the log's "出库" rows.
    int soldA = 0;
    int soldB = 0;
    // The value of those rows, sum of dj*sl.
    double soldValue = 0;
    // Booked to closed shifts plus what the till itself holds (jqb.yye).
    double takings = 0;
    int saleRows = 0;
    int bills = 0;
    qint64 lastBill = 0;
    qint64 counter = 0;

    explicit Books(Shop& shop) {
        const Params out{{QStringLiteral("crk"), kStockOut}};
        const auto sold = [&](const QString& hwh) {
            return shop
                .value(QStringLiteral("select coalesce(sum(sl),0) from hwrzb "
                                      "where crk=:crk and hwh=:hwh"),
                       out + Params{{QStringLiteral("hwh"), hwh}})
                .toInt();
        };
        stockA = stockOf(shop.store.db(), kGoodsA);
        stockB = stockOf(shop.store.db(), kGoodsB);
        soldA = sold(kGoodsA);
        soldB = sold(kGoodsB);
        soldValue =
            shop.value(QStringLiteral("select coalesce(sum(dj*sl),0) from hwrzb where crk=:crk"),
                       out)
                .toDouble();
        takings = shop.value(QStringLiteral("select coalesce(sum(yye),0) from shyrzb "
                                            "where zxsj is not null"))
                      .toDouble() +
                  shop.value(QStringLiteral("select yye from jqb where jsj=:jsj"),
                             {{QStringLiteral("jsj"), kTerminal}})
                      .toDouble();
        saleRows =
            shop.value(QStringLiteral("select count(*) from hwrzb where crk=:crk"), out).toInt();
        bills =
            shop.value(QStringLiteral("select count(distinct num) from hwrzb where crk=:crk"), out)
                .toInt();
        lastBill = shop.value(QStringLiteral("select max(num) from hwrzb where crk=:crk"), out)
                       .toLongLong();
        counter = shop.value(QStringLiteral("select accountnum from company")).toLongLong();
    }
};

} // namespace

class TestTillKilled : public QObject {
    Q_OBJECT

  private:
    // Whatever happened to the till: every piece is in stock or sold in the
    // log, and the takings are the value of what the log sold, to the fen.
    void checkBooksBalance(Shop& shop) {
        const Books books(shop);
        QCOMPARE(books.stockA + books.soldA, kStockA);
        QCOMPARE(books.stockB + books.soldB, kStockB);
        QCOMPARE(fen(books.takings), fen(books.soldValue));
    }

    // The sale was booked once, or not at all.
    void checkSale(Shop& shop, bool charged) {
        const Books books(shop);
        QCOMPARE(books.saleRows, charged ? 2 : 0);
        QCOMPARE(books.bills, charged ? 1 : 0);
        QCOMPARE(books.counter, qint64(charged ? 1 : 0));
        if (charged)
            QCOMPARE(books.lastBill, books.counter);
        QCOMPARE(books.soldA, charged ? 2 : 0);
        QCOMPARE(books.soldB, charged ? 3 : 0);
        QCOMPARE(fen(books.takings), fen(charged ? kSaleTotal : 0));
    }

  private slots:
    void killedAndSignedOnAgain_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("printing");
        QTest::addColumn<bool>("charged");
        const QStringList start{QStringLiteral("signon %1 %2").arg(kClerk, kPassword),
                                QStringLiteral("panel")};
        const QStringList oneLine = start + QStringList{QStringLiteral("add %1 2").arg(kGoodsA)};
        const QStringList twoLines = oneLine + QStringList{QStringLiteral("add %1 3").arg(kGoodsB)};
        const QStringList charging = twoLines + QStringList{"charge"};
        const QStringList cashTaken = charging + QStringList{"cash 100"};
        const QStringList printed = cashTaken + QStringList{"confirm"};
        QTest::newRow("one line keyed") << oneLine << false << false;
        QTest::newRow("two lines keyed") << twoLines << false << false;
        QTest::newRow("charge window up") << charging << false << true;
        QTest::newRow("change shown") << cashTaken << false << true;
        QTest::newRow("receipt printing") << cashTaken << true << true;
        QTest::newRow("receipt printed") << printed << false << true;
        QTest::newRow("sign-off summary up") << printed + QStringList{"signoff"} << false << true;
    }
    void killedAndSignedOnAgain() {
        QFETCH(QStringList, steps);
        QFETCH(bool, printing);
        QFETCH(bool, charged);
        Shop shop;
        {
            Till till(shop);
            QVERIFY2(till.started(), till.why());
            for (const QString& step : steps)
                QVERIFY2(till.send(step), till.why());
            if (printing) {
                const qint64 bill =
                    shop.value(QStringLiteral("select accountnum from company")).toLongLong();
                StalledPrinter printer(shop.receipts(), bill);
                QVERIFY(printer.ready());
                till.post(QStringLiteral("confirm"));
                QVERIFY2(printer.printingStarted(till),
                         "the receipt never reached the stalled printer");
                till.kill();
                const QByteArray receipt = printer.printed();
                QVERIFY(receipt.startsWith("%PDF-"));
                QVERIFY2(!receipt.contains("%%EOF"), "the receipt was printed to the end");
            } else {
                till.kill();
            }
        }
        // Only a receipt printed to the end leaves its copy behind.
        QCOMPARE(QDir(shop.receipts())
                     .entryList({QStringLiteral("receipt-1-*.pdf")}, QDir::Files)
                     .size(),
                 steps.contains(QStringLiteral("confirm")) ? 1 : 0);

        Till next(shop);
        QVERIFY2(next.started(), next.why());
        QVERIFY2(next.send(QStringLiteral("signon %1 %2").arg(kClerk, kPassword)), next.why());
        checkBooksBalance(shop);
        if (QTest::currentTestFailed())
            return;
        checkSale(shop, charged);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(saleLines(shop.store.db(), kTerminal).isEmpty());
        // The wind-up of the killed shift is silent: the clerk sees the usual
        // two messages, the balance being the float the killed shift left.
        QCOMPARE(next.messages(),
                 QStringList({QStringLiteral("售货员 王芳 登录成功!"),
                              QStringLiteral("此台计算机还有余额 ") +
                                  (charged ? kFloatAfterSale : QStringLiteral("150"))}));
        // Only the new shift is open.
        QCOMPARE(
            shop.value(QStringLiteral("select count(*) from shyrzb where zxsj is null")).toInt(),
            1);

        // The new shift closes without taking the killed shift's money again.
        QVERIFY2(next.send(QStringLiteral("signoff")), next.why());
        QVERIFY2(next.send(QStringLiteral("summary-ok")), next.why());
        QVERIFY2(next.send(QStringLiteral("quit")), next.why());
        QVERIFY(next.endedNormally());
        checkBooksBalance(shop);
        if (QTest::currentTestFailed())
            return;
        checkSale(shop, charged);
        expectBooksBalance(shop.store.db());
    }

    // A till worked through several sales and sign-offs and killed at a step
    // drawn at random (the same draws every run, so a failing round can be run again),
    // again and again on the same store: after every restart and sign-on the
    // books add up.
    void killedAtRandomStepsOfManySales() {
        Shop shop;
        const QString signOn = QStringLiteral("signon %1 %2").arg(kClerk, kPassword);
        const QStringList sale{QStringLiteral("add %1 1").arg(kGoodsA),
                               QStringLiteral("add %1 1").arg(kGoodsB), "charge", "cash 100",
                               "confirm"};
        // Two sales and the sign-off: at most two pieces of A a round, so the
        // rounds never run short of stock.
        const QStringList script =
            QStringList{"panel"} + sale + sale + QStringList{"signoff", "summary-ok"};
        QRandomGenerator random(20261208);
        for (int round = 0; round < 4; ++round) {
            const int killAfter = random.bounded(1, int(script.size()) + 1);
            qInfo("round %d: killed after %s", round, qPrintable(script.at(killAfter - 1)));
            {
                Till till(shop);
                QVERIFY2(till.started(), till.why());
                QVERIFY2(till.send(signOn), till.why());
                for (int step = 0; step < killAfter; ++step)
                    QVERIFY2(till.send(script.at(step)),
                             qPrintable(QStringLiteral("round %1, step %2: %3")
                                            .arg(round)
                                            .arg(step)
                                            .arg(till.why())));
                till.kill();
            }
            Till next(shop);
            QVERIFY2(next.started(), next.why());
            QVERIFY2(next.send(signOn), next.why());
            checkBooksBalance(shop);
            expectBooksBalance(shop.store.db());
            if (QTest::currentTestFailed())
                return;
            QVERIFY(saleLines(shop.store.db(), kTerminal).isEmpty());
            next.kill();
        }
    }
};

STORE_TEST_MAIN(TestTillKilled)
#include "tst_till_killed.moc"
