// A database server that goes away and comes back while a program holds its
// one connection; a SQLite store whose disk fills up or turns read-only.
//
// The server tests stop and start a PostgreSQL server of their own (its own
// folder and socket), so that no other test loses its server meanwhile.

#include "till_harness.h"

#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/schema.h"
#include "storedb/till.h"
#include "support/privateserver.h"

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QTemporaryDir>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {

bool isPostgreSQLRun() {
    return engineUnderTest() == Engine::PostgreSQL;
}

// Every action while the server is gone answers within the connect timeout
// (10 s) and a little more: never after two of them.
const qint64 kAnswerWithinMs = 12000;

// A store on the private server, with the connection a program would hold.
struct ServerStore {
    std::unique_ptr<PrivateServer> server;
    DataLink link;
    std::unique_ptr<Db> db;

    ServerStore() {
        if (!isPostgreSQLRun())
            return;
        server = std::make_unique<PrivateServer>(55433);
        if (!server->ready())
            return;
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"),
                                                           QStringLiteral("private maintenance"));
            const DataLink maintenance = server->link(QStringLiteral("postgres"));
            admin.setHostName(maintenance.dataSource);
            admin.setPort(maintenance.port);
            admin.setUserName(maintenance.user);
            admin.setDatabaseName(maintenance.database);
            if (admin.open())
                QSqlQuery(admin).exec(
                    QStringLiteral("create database store encoding 'UTF8' template template0"));
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("private maintenance"));
        link = server->link(QStringLiteral("store"));
        db = openDatabase(link, QStringLiteral("held"));
        createStore(*db);
    }
    bool ready() const { return bool(db); }
};

// Mounting a small disk needs root, which CI has: there a failed mount is a
// failure, never a silent skip.
#define skipUnlessCI(why)                                                                          \
    do {                                                                                           \
        if (!qEnvironmentVariableIsEmpty("CI"))                                                    \
            QFAIL(why);                                                                            \
        QSKIP(why);                                                                                \
    } while (false)

#define REQUIRE_SERVER(store)                                                                      \
    do {                                                                                           \
        if (!isPostgreSQLRun())                                                                    \
            QSKIP("a server going away concerns PostgreSQL; SQLite's cases run in fullDisk and "   \
                  "readOnlyStore");                                                                \
        QVERIFY2((store).server->ready(), qPrintable((store).server->failure()));                  \
        QVERIFY((store).ready());                                                                  \
    } while (false)

// A port that takes connections and never answers: a server hung, or a
// network that swallows everything. The kernel completes the handshake, so
// a client waits for its connect timeout.
class SilentPort {
  public:
    SilentPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(fd_, 16) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentPort() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    int port() const { return port_; }

  private:
    int fd_ = -1;
    int port_ = 0;
};

int clerks(Db& db, const QString& pattern) {
    return count(db, "select count(*) from shyb where shyh like :p", {{"p", pattern}});
}

// Runs an action that must fail because the server cannot be reached;
// returns what the user is told, and how long it took in elapsed.
template <typename Action> QString lostConnection(Action action, qint64& elapsed) {
    QElapsedTimer timer;
    timer.start();
    try {
        action();
    } catch (const ConnectionLostError& e) {
        elapsed = timer.elapsed();
        // The log keeps the driver's words, the screen gets Chinese.
        if (e.text() == e.userText() || e.text().isEmpty())
            return QStringLiteral("text and user text alike: ") + e.text();
        return e.userText();
    } catch (const Error& e) {
        return QStringLiteral("not ConnectionLostError: ") + e.text();
    }
    return QStringLiteral("no error");
}

void arrangeShop(Db& db) {
    addTill(db, "till-1", 150);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
    addGoods(db, "01", "6902", "雪碧", 2.5, 20);
}

// A till signed on with its sale panel open, on the private server.
struct TillOnServer {
    ServerStore store;
    QTemporaryDir folder;
    formkit::ScriptedResponder responder;
    std::unique_ptr<TillRun> run;

    TillOnServer() {
        if (!store.ready())
            return;
        arrangeShop(*store.db);
        QFile udl(folder.filePath(QStringLiteral("link.udl")));
        if (udl.open(QIODevice::WriteOnly))
            udl.write(dataLinkText(store.link).toUtf8());
        udl.close();
        run = std::make_unique<TillRun>(folder.path(), "till-1");
        run->start();
        run->signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        responder.clear();
    }
    ~TillOnServer() { run.reset(); }
    Db& db() { return *store.db; }
};

// A small file system of its own, so that the disk can be filled or made
// read-only; mounting needs root.
class SmallDisk {
  public:
    explicit SmallDisk(const QString& size) {
        if (!asRoot())
            return;
        mounted_ = QProcess::execute(QStringLiteral("mount"),
                                     {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                      QStringLiteral("-o"), QStringLiteral("size=") + size,
                                      QStringLiteral("tmpfs"), dir_.path()}) == 0;
    }
    ~SmallDisk() {
        if (mounted_ && QProcess::execute(QStringLiteral("umount"), {dir_.path()}) != 0)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), dir_.path()});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    QString path(const QString& name) const { return dir_.filePath(name); }
    bool remount(const QString& mode) {
        return QProcess::execute(
                   QStringLiteral("mount"),
                   {QStringLiteral("-o"), QStringLiteral("remount,") + mode, dir_.path()}) == 0;
    }
    // Writes a file until the disk has no room left.
    void fill() {
        QFile filler(path(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void makeRoom() { QFile::remove(path(QStringLiteral("filler"))); }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

DataLink sqliteLink(const QString& file) {
    DataLink link;
    link.engine = Engine::SQLite;
    link.dataSource = file;
    return link;
}

// Goods, a till and a sale charged and committed, then a second sale keyed in.
void bookOneSaleKeepOnePending(Db& db) {
    arrangeShop(db);
    createSaleTable(db, "till-1");
    insertSaleLine(db, "till-1", SaleLine{"6901", "可口可乐", "01", 3.5, 2, 7, 0});
    chargeSale(db, "till-1", QDate::currentDate());
    insertSaleLine(db, "till-1", SaleLine{"6902", "雪碧", "01", 2.5, 4, 10, 0});
    insertSaleLine(db, "till-1", SaleLine{"6901", "可口可乐", "01", 3.5, 1, 3.5, 0});
}

QString chargeFailure(Db& db) {
    try {
        chargeSale(db, "till-1", QDate::currentDate());
    } catch (const Error& e) {
        return e.userText();
    }
    return QStringLiteral("charged");
}

// The first sale stays booked, the second stays pending and booked nowhere.
void verifyFirstSaleOnly(Db& db) {
    QCOMPARE(count(db, "select count(*) from hwrzb"), 1);
    QCOMPARE(count(db, "select count(*) from hwrzb where num=1 and hwh='6901' and sl=2"), 1);
    QCOMPARE(tillRow(db, "till-1")->yye, 7.0);
    QCOMPARE(count(db, "select accountnum from company"), 1);
    QCOMPARE(saleLines(db, "till-1").size(), 2);
}

} // namespace

class TestServerRestart : public QObject {
    Q_OBJECT

  private slots:
    void actionWhileGoneThenBack_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("server killed") << QStringLiteral("immediate");
        QTest::newRow("server shut down") << QStringLiteral("fast");
    }
    void actionWhileGoneThenBack() {
        QFETCH(QString, mode);
        ServerStore store;
        REQUIRE_SERVER(store);
        Db& db = *store.db;
        addClerk(db, "1001", "王芳", "pw");
        QVERIFY(store.server->stop(mode));

        qint64 elapsed = 0;
        auto readClerks = [&] { clerks(db, "%"); };
        QCOMPARE(lostConnection(readClerks, elapsed), kConnectionLost);
        QVERIFY2(elapsed < kAnswerWithinMs, qPrintable(QString::number(elapsed)));
        // Every further action answers as quickly; nothing is left half-open.
        QCOMPARE(lostConnection([&] { addClerk(db, "1002", "李明", "pw"); }, elapsed),
                 kConnectionLost);
        QVERIFY2(elapsed < kAnswerWithinMs, qPrintable(QString::number(elapsed)));
        QCOMPARE(lostConnection([&] { Transaction t(db); }, elapsed), kConnectionLost);
        QVERIFY(!db.inTransaction());

        QVERIFY(store.server->start());
        QCOMPARE(clerks(db, "%"), 1);
        addClerk(db, "1003", "赵强", "pw");
        {
            Transaction t(db);
            addClerk(db, "1004", "钱进", "pw");
            t.commit();
        }
        auto other = openDatabase(store.link, QStringLiteral("other"));
        QCOMPARE(clerks(*other, "%"), 3);
        QCOMPARE(clerks(*other, "1002"), 0);
    }

    // The usual case: the server restarts while nobody works; the next action
    // simply works.
    // Reconnecting to a server that does not answer waits for the connect
    // timeout once; the next action right after does not wait all over again.
    void unansweredServerWaitsOnce() {
        ServerStore store;
        REQUIRE_SERVER(store);
        Db& db = *store.db;
        SilentPort silent;
        QVERIFY(silent.port() > 0);
        QVERIFY(store.server->stop(QStringLiteral("immediate")));
        QSqlDatabase handle = db.database();
        handle.setHostName(QStringLiteral("127.0.0.1"));
        handle.setPort(silent.port());

        qint64 elapsed = 0;
        QCOMPARE(lostConnection([&] { clerks(db, "%"); }, elapsed), kConnectionLost);
        QVERIFY2(elapsed >= 1000 && elapsed < kAnswerWithinMs,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(lostConnection([&] { addClerk(db, "1001", "王芳", "pw"); }, elapsed),
                 kConnectionLost);
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
    }

    void restartWhileIdle_data() { actionWhileGoneThenBack_data(); }
    void restartWhileIdle() {
        QFETCH(QString, mode);
        ServerStore store;
        REQUIRE_SERVER(store);
        Db& db = *store.db;
        addClerk(db, "1001", "王芳", "pw");
        QVERIFY(store.server->stop(mode));
        QVERIFY(store.server->start());
        addClerk(db, "1002", "李明", "pw");
        QCOMPARE(clerks(db, "%"), 2);
        // The session set-up is made again: Chinese text goes in and out intact.
        QCOMPARE(scalar(db, "select shym from shyb where shyh='1002'").toString(), QString("李明"));
    }

    void transactionCutOff() {
        ServerStore store;
        REQUIRE_SERVER(store);
        Db& db = *store.db;
        qint64 elapsed = 0;

        // Cut off while the server is down: the guard rolls back what is left.
        QCOMPARE(lostConnection(
                     [&] {
                         Transaction t(db);
                         addClerk(db, "2001", "甲", "pw");
                         QVERIFY(store.server->stop(QStringLiteral("immediate")));
                         addClerk(db, "2002", "乙", "pw");
                         t.commit();
                     },
                     elapsed),
                 kConnectionLostNothingSaved);
        QVERIFY(!db.inTransaction());
        QVERIFY(store.server->start());

        // Cut off and the server already back: the rest of the transaction
        // must still not run on a new connection, nor its commit.
        db.begin();
        addClerk(db, "2003", "丙", "pw");
        QVERIFY(store.server->stop(QStringLiteral("fast")));
        QVERIFY(store.server->start());
        QCOMPARE(lostConnection([&] { addClerk(db, "2004", "丁", "pw"); }, elapsed),
                 kConnectionLostNothingSaved);
        QCOMPARE(lostConnection([&] { db.commit(); }, elapsed), kConnectionLostNothingSaved);

        // Cut off and never ended by its owner: the next begin starts afresh.
        db.begin();
        addClerk(db, "2005", "戊", "pw");
        QVERIFY(store.server->stop(QStringLiteral("immediate")));
        QVERIFY(store.server->start());
        QCOMPARE(lostConnection([&] { addClerk(db, "2006", "己", "pw"); }, elapsed),
                 kConnectionLostNothingSaved);
        db.begin();
        addClerk(db, "2007", "庚", "pw");
        db.commit();

        // Lost at the commit itself: the user is not told it was not saved.
        db.begin();
        addClerk(db, "2008", "辛", "pw");
        QVERIFY(store.server->stop(QStringLiteral("immediate")));
        QVERIFY(store.server->start());
        QCOMPARE(lostConnection([&] { db.commit(); }, elapsed), kConnectionLostAtCommit);
        QVERIFY(!db.inTransaction());

        QCOMPARE(clerks(db, "200%"), 1);
        QCOMPARE(clerks(db, "2007"), 1);
    }

    // The connection dies in the middle of charging (after the bill number,
    // at the first movement row): nothing of the sale is booked, the clerk is
    // told so, and the same sale charges once the server answers again.
    void chargeCutOffKeepsTheSalePending() {
        TillOnServer till;
        REQUIRE_SERVER(till.store);
        till.run->addLine("6901", "2");
        till.run->addLine("6902", "2");
        QCOMPARE(till.responder.shown(), QStringList());
        till.db().exec("inject",
                       "create function cut_connection() returns trigger language "
                       "plpgsql as $$ begin perform pg_terminate_backend(pg_backend_pid());"
                       " return new; end $$");
        till.db().exec("inject", "create trigger cut_connection before insert on hwrzb "
                                 "for each row execute function cut_connection()");

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("terminating connection"));
        button(mainWindow(), "chargeButton")->click();
        QCOMPARE(till.responder.shown(), QStringList{kConnectionLostNothingSaved});
        QCOMPARE(mainWindow()->chargeWindow(), nullptr);
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(saleLines(till.db(), "till-1").size(), 2);
        QCOMPARE(count(till.db(), "select count(*) from hwrzb"), 0);
        QCOMPARE(count(till.db(), "select accountnum from company"), 0);
        QCOMPARE(tillRow(till.db(), "till-1")->yye, 0.0);

        till.db().exec("mend", "drop trigger cut_connection on hwrzb");
        till.responder.clear();
        button(mainWindow(), "chargeButton")->click();
        QCOMPARE(till.responder.shown(), QStringList());
        QVERIFY(mainWindow()->chargeWindow());
        QCOMPARE(count(till.db(), "select count(*) from hwrzb where num=1"), 2);
        QCOMPARE(tillRow(till.db(), "till-1")->yye, 12.0);
        QCOMPARE(saleLines(till.db(), "till-1").size(), 0);
    }

    void tillWorksAfterRestart() {
        TillOnServer till;
        REQUIRE_SERVER(till.store);
        till.run->addLine("6901", "1");
        QVERIFY(till.store.server->stop(QStringLiteral("fast")));

        QElapsedTimer timer;
        timer.start();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("重新连接失败"));
        till.run->addLine("6902", "3");
        QVERIFY2(timer.elapsed() < kAnswerWithinMs, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(till.responder.shown(), QStringList{kConnectionLost});
        QVERIFY(!till.run->ended());

        QVERIFY(till.store.server->start());
        till.responder.clear();
        till.run->addLine("6902", "2");
        QCOMPARE(till.responder.shown(), QStringList());
        QCOMPARE(ctl<QTableView>(mainWindow(), "saleLines")->model()->rowCount(), 2);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("8.5"));
        QCOMPARE(stockOf(till.db(), "6902"), 18);
        QCOMPARE(tillLooks(), kSalePending);
    }

    void fullDisk() {
        if (isPostgreSQLRun())
            QSKIP("a full disk under the server is the server's own affair; this is SQLite's case");
        SmallDisk disk(QStringLiteral("1m"));
        if (!disk.mounted())
            skipUnlessCI("a small disk cannot be mounted here (mounting tmpfs needs root)");
        const DataLink link = sqliteLink(disk.path(QStringLiteral("store.db")));
        {
            auto db = openDatabase(link, QStringLiteral("till"));
            bookOneSaleKeepOnePending(*db);
            // Empty the write-ahead log, so the next write needs new room.
            db->exec("checkpoint", "PRAGMA wal_checkpoint(TRUNCATE)");
            disk.fill();

            QCOMPARE(chargeFailure(*db), kDiskFull);
            QVERIFY(!db->inTransaction());
            verifyFirstSaleOnly(*db);
            disk.makeRoom();
            QCOMPARE(chargeFailure(*db), QString("charged"));
        }
        auto reopened = openDatabase(link, QStringLiteral("again"), StoreCreation::MustExist);
        QCOMPARE(count(*reopened, "select count(distinct num) from hwrzb"), 2);
        QCOMPARE(tillRow(*reopened, "till-1")->yye, 20.5);
    }

    void readOnlyStore() {
        if (isPostgreSQLRun())
            QSKIP("a read-only store file is SQLite's case");
        SmallDisk disk(QStringLiteral("4m"));
        if (!disk.mounted())
            skipUnlessCI("a small disk cannot be mounted here (mounting tmpfs needs root)");
        const DataLink link = sqliteLink(disk.path(QStringLiteral("store.db")));
        {
            auto db = openDatabase(link, QStringLiteral("till"));
            bookOneSaleKeepOnePending(*db);
        }
        QVERIFY(disk.remount(QStringLiteral("ro")));
        // A store in write-ahead-log mode cannot even be read without writing
        // beside it: opening is refused with the reason, before any sale is
        // keyed in that could not be charged.
        QString refused;
        try {
            openDatabase(link, QStringLiteral("till"), StoreCreation::MustExist);
        } catch (const Error& e) {
            refused = e.userText();
        }
        QCOMPARE(refused, kStoreReadOnly);

        QVERIFY(disk.remount(QStringLiteral("rw")));
        auto db = openDatabase(link, QStringLiteral("till"), StoreCreation::MustExist);
        verifyFirstSaleOnly(*db);
    }
};

STORE_TEST_MAIN(TestServerRestart)
#include "tst_server_restart.moc"
