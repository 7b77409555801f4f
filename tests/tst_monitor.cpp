// The live monitor of the tills: what it shows and when it reads, and that a
// store it cannot read costs the back office nothing: no message, no wait,
// and the list back by itself.

#include "admin/monitorwindow.h"
#include "storedb/charge.h"
#include "storedb/schema.h"
#include "storedb/till.h"
#include "storedb/tilllease.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/privateserver.h"

#include <QCollator>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace testsupport;
using storedb::Db;

namespace {

const int kInterval = 5000;
const int kWithinInterval = kInterval + 1500;
const QString kTitles = QStringLiteral("计算机名|售货员号|余额|营业额|状态");

bool onServer() {
    return engineUnderTest() == storedb::Engine::PostgreSQL;
}

// The titles, then every row, as the grid draws them.
QStringList shown(const QTableView* grid) {
    const QAbstractItemModel* model = grid->model();
    auto* delegate = static_cast<QStyledItemDelegate*>(grid->itemDelegate());
    QStringList titles;
    for (int col = 0; col < model->columnCount(); ++col)
        titles << model->headerData(col, Qt::Horizontal).toString();
    QStringList lines{titles.join(QLatin1Char('|'))};
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int col = 0; col < model->columnCount(); ++col)
            cells << delegate->displayText(model->index(row, col).data(), QLocale());
        lines << cells.join(QLatin1Char('|'));
    }
    return lines;
}

// The longest time the window's thread went without handling its events.
qint64 longestStall(int waitMs) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    while (clock.elapsed() < waitMs) {
        QTest::qWait(20);
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    }
    return longest;
}

// A socket that takes connections and never answers, where the server's was:
// a server hung, or one gone from a network that swallows the packets.
class SilentSocket {
  public:
    explicit SilentSocket(const QString& path) : path_(path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::copy_n(name.constData(), std::min<qsizetype>(name.size(), 100), address.sun_path);
        listening_ = fd_ >= 0 &&
                     ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(fd_, 8) == 0;
    }
    ~SilentSocket() {
        ::close(fd_);
        QFile::remove(path_);
    }
    bool listening() const { return listening_; }

  private:
    QString path_;
    int fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    bool listening_ = false;
};

struct Monitor {
    explicit Monitor(AdminFixture& f) : office(f) {}
    AdminFixture& office;
    admin::MonitorWindow* w = &office.windows().monitorWindow();
    QTableView* tillsGrid = ctl<QTableView>(w, "tillsGrid");
    QTimer* refreshTimer = ctl<QTimer>(w, "refreshTimer");
    void open() { office.toolButton("monitorButton")->click(); }
    QStringList rows() const { return shown(tillsGrid); }
};

} // namespace

class TestMonitor : public QObject {
    Q_OBJECT

  private slots:
    // The tills followed while the window is shown; hidden, nothing is read,
    // and shown again it reads at once.
    void followsTheTillsWhileShown() {
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        Monitor ui(f);
        ui.open();
        QTRY_COMPARE(ui.rows(), QStringList{kTitles});
        QCOMPARE(ui.tillsGrid->columnWidth(2), 120);
        QCOMPARE(ui.tillsGrid->columnWidth(4), 110);

        addTill(db, "POS1", 150);
        addClerk(db, "1001", "王芳", "pw");
        addCategory(db, "01", "饮料");
        addGoods(db, "01", "6901", "可乐", 12.5, 10);
        QTRY_COMPARE_WITH_TIMEOUT(ui.rows(), QStringList({kTitles, "POS1||150|0|待机"}),
                                  kWithinInterval);
        const QDateTime now = QDateTime::currentDateTime();
        // Signed on by a till that runs: it holds the name's lease.
        storedb::TillLease lease(storedb::storeIdentity(f.store.link()), "POS1");
        lease.take(db);
        storedb::signOn(db, "POS1", "1001", now);
        QVERIFY(storedb::addSaleLine(db, "POS1", "6901", *storedb::hwhdw(db, "6901"), 1).added);
        storedb::chargeSale(db, "POS1", now.date());
        QTRY_COMPARE_WITH_TIMEOUT(ui.rows(), QStringList({kTitles, "POS1|1001|150|12.5|在线"}),
                                  kWithinInterval);

        ctl<QPushButton>(ui.w, "closeButton")->click();
        QVERIFY(!ui.w->isVisible());
        QVERIFY(!ui.refreshTimer->isActive());
        storedb::signOff(db, "POS1", now.addSecs(60));
        QTest::qWait(kWithinInterval);
        QCOMPARE(ui.rows(), QStringList({kTitles, "POS1|1001|150|12.5|在线"}));
        ui.open();
        QVERIFY(ui.refreshTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(ui.rows(), QStringList({kTitles, "POS1||162.5|0|待机"}),
                                  kInterval / 2);
        QCOMPARE(f.responder.shown(), QStringList());
        expectBooksBalance(db);
    }

    // A read that fails (the table cannot be read for a moment) shows
    // nothing, is logged, empties the list and mends by itself.
    void failedReadsAreSilent() {
        AdminFixture f;
        f.startAndSignOn();
        Db& db = f.db();
        addTill(db, "POS1", 150);
        Monitor ui(f);
        ui.open();
        QTRY_COMPARE(ui.rows(), QStringList({kTitles, "POS1||150|0|待机"}));

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^MonitorWindow/refreshTimer: ADOQuery1"));
        db.exec("away", "alter table jqb rename to jqb_away");
        QTRY_COMPARE_WITH_TIMEOUT(ui.tillsGrid->model()->rowCount(), 0, kWithinInterval);
        QTest::qWait(kInterval); // a second failing read
        db.exec("back", "alter table jqb_away rename to jqb");
        QTRY_COMPARE_WITH_TIMEOUT(ui.rows(), QStringList({kTitles, "POS1||150|0|待机"}),
                                  kWithinInterval);
        QCOMPARE(f.responder.shown(), QStringList());
    }

    void serverGoneAndBack() {
        if (!onServer())
            QSKIP("a server going away concerns PostgreSQL; a failing SQLite read is covered by "
                  "failedReadsAreSilent");
        PrivateServer server(55434);
        QVERIFY(server.ready());
        {
            auto maintenance = storedb::connectDatabase(server.link("postgres"), "maintenance");
            maintenance->exec("create", "create database store encoding 'UTF8' template template0");
        }
        auto db = storedb::openDatabase(server.link("store"), "held");
        storedb::createStore(*db);
        addTill(*db, "POS1", 150);
        addClerk(*db, "1001", "王芳", "pw");

        AdminFixture f(AdminFixture::Link::None);
        QFile udl(f.linkPath());
        QVERIFY(udl.open(QIODevice::WriteOnly));
        udl.write(storedb::dataLinkText(server.link("store")).toUtf8());
        udl.close();
        f.startAndSignOn();
        Monitor ui(f);
        ui.open();
        QTRY_COMPARE(ui.rows(), QStringList({kTitles, "POS1||150|0|待机"}));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^MonitorWindow/refreshTimer: "));
        QVERIFY(server.stop());
        {
            // Each read now waits for its connect time-out, never the window.
            SilentSocket silent(server.socketPath());
            QVERIFY(silent.listening());
            const qint64 stall = longestStall(2 * kInterval + 1000);
            QVERIFY2(stall < 1000, qPrintable(QString::number(stall)));
        }
        QCOMPARE(ui.tillsGrid->model()->rowCount(), 0);
        QCOMPARE(f.responder.shown(), QStringList());

        QVERIFY(server.start());
        storedb::TillLease lease(storedb::storeIdentity(server.link("store")), "POS1");
        lease.take(*db);
        storedb::signOn(*db, "POS1", "1001", QDateTime::currentDateTime());
        QTRY_COMPARE_WITH_TIMEOUT(ui.rows(), QStringList({kTitles, "POS1|1001|150|0|在线"}),
                                  kWithinInterval + 3000);
        QCOMPARE(f.responder.shown(), QStringList());
    }
};

STORE_TEST_MAIN(TestMonitor)
#include "tst_monitor.moc"
