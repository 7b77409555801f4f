// Receipts and the cash drawer on an ESC/POS printer, through the real till
// windows. The printer is faked where the till meets it: a TCP server of the
// test's own that records each job (and can report a paper end or an open
// cover), or a device file; the bytes are read back as a printer reads them,
// commands apart and text in GB18030.

#include "till_harness.h"

#include "client/chargewindow.h"
#include "client/returnwindow.h"

#include <QDir>
#include <QPointer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {

const QString kLongName = QStringLiteral("进口特级初榨橄榄油礼盒装两瓶");
constexpr int kJobWaitMs = 15000;

// A network printer: one job a connection. Given a status, it answers DLE EOT
// 2 and DLE EOT 4 with those bytes; without, it says nothing.
class FakePrinter : public QObject {
  public:
    explicit FakePrinter(std::optional<std::pair<char, char>> status = std::nullopt) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this, status] {
            QTcpSocket* socket = server_.nextPendingConnection();
            auto got = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [socket, got, status] {
                // A query split over two reads is found from two bytes back.
                qsizetype at = qMax<qsizetype>(0, got->size() - 2);
                *got += socket->readAll();
                for (; status && (at = got->indexOf("\x10\x04", at)) >= 0 && at + 2 < got->size();
                     at += 3)
                    socket->putChar(got->at(at + 2) == 2 ? status->first : status->second);
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket, got] {
                jobs << *got + socket->readAll();
                socket->deleteLater();
            });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    QList<QByteArray> jobs;

  private:
    QTcpServer server_;
};

// A device that takes nothing more: a pipe, filled up, whose reader (returned
// for the test to close) never reads.
int stalledDevice(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    const int reader = ::mkfifo(name.constData(), 0600) == 0
                           ? ::open(name.constData(), O_RDONLY | O_NONBLOCK)
                           : -1;
    const int writer = ::open(name.constData(), O_WRONLY | O_NONBLOCK);
    const QByteArray block(4096, 'x');
    while (writer >= 0 && ::write(writer, block.constData(), size_t(block.size())) > 0) {
    }
    ::close(writer);
    return reader;
}

// A device file's stream of jobs, each starting with ESC @.
QList<QByteArray> deviceJobs(const QString& path) {
    QFile file(path);
    const QByteArray all = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QList<QByteArray> jobs;
    for (qsizetype at = all.indexOf("\x1b@"), next = 0; at >= 0; at = next) {
        next = all.indexOf("\x1b@", at + 2);
        jobs << all.mid(at, next < 0 ? -1 : next - at);
    }
    return jobs;
}

// A job as the printer reads it; what it cannot read shows as '?'.
struct Printed {
    QStringList lines;
    int cuts = 0;
    int drawerPulses = 0;
    bool drawerOnly() const { return lines.isEmpty() && cuts == 0 && drawerPulses == 1; }
};
Printed readJob(const QByteArray& job) {
    // Reset, drawer pulse, feed, Chinese mode, cut, status query.
    static const QList<QByteArray> commands{
        QByteArray("\x1b@"), QByteArray("\x1bp\0\0\0", 5), QByteArray("\x1b\x64\0", 3),
        QByteArray("\x1c&"), QByteArray("\x1dV\0", 3),     QByteArray("\x10\x04\0", 3)};
    Printed printed;
    QByteArray text;
    for (qsizetype i = 0; i < job.size();) {
        const bool isText = job.at(i) == '\n' || uchar(job.at(i)) >= 0x20;
        const auto command = std::find_if(commands.begin(), commands.end(), [&](const auto& c) {
            return !isText && job.mid(i, 2) == c.left(2) && i + c.size() <= job.size();
        });
        if (command == commands.end()) {
            text += isText ? job.at(i) : '?';
            ++i;
            continue;
        }
        printed.drawerPulses += command->at(1) == 'p';
        printed.cuts += command->at(1) == 'V';
        i += command->size();
    }
    QStringDecoder gb18030("GB18030");
    printed.lines = QString(gb18030.decode(text)).split('\n', Qt::SkipEmptyParts);
    return printed;
}

// A shop whose till prints on `address`, started with the sign-on window up.
struct Shop {
    TestStore store;
    formkit::ScriptedResponder responder;
    EnvGuard noCopies{"TAVO_RECEIPT_PDF", std::nullopt};
    std::unique_ptr<TillRun> run;

    explicit Shop(const QString& address, int widthMm = 80) {
        Db& db = store.db();
        db.exec("settings", "update company set company=:c,welcome=:w,accountnum=:n",
                {{"c", "好又多超市"}, {"w", "谢谢惠顾，欢迎再次光临！"}, {"n", 1040}});
        addTill(db, "till-1", 150);
        addClerk(db, "1001", "王芳", "pw");
        addCategory(db, "01", "食品");
        addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
        addGoods(db, "01", "6902", kLongName, 88, 5);
        addGoods(db, "01", "6903", "盐", 2, 5);
        store.writeDataLink(store.folder());
        QFile ini(store.folder() + "/till.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[receiptPrinter]\naddress=%1\nwidthMm=%2\n")
                      .arg(address)
                      .arg(widthMm)
                      .toUtf8());
        ini.close();
        run = std::make_unique<TillRun>(store.folder(), "till-1");
        run->start();
    }
    ~Shop() { run.reset(); }
    void signOn() {
        run->signOn("1001", "pw");
        responder.clear();
        QVERIFY(QTest::qWaitForWindowActive(mainWindow()));
    }
    // Charges three lines with 500 in cash: the charge window closes at once,
    // whatever the printer does, and the sale is booked exactly once.
    void sell() {
        tool("openSalePanelAction")->trigger();
        run->addLine("6901", "2");
        run->addLine("6902", "1");
        run->addLine("6903", "3");
        button(mainWindow(), "chargeButton")->click();
        QPointer<ChargeWindow> window = mainWindow()->chargeWindow();
        QVERIFY(window);
        edit(window, "cashReceived")->setText("500");
        button(window, "confirmButton")->click();
        QVERIFY(window.isNull() || !window->isVisible());
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(count(store.db(), "select count(distinct num) from hwrzb"), 1);
        QCOMPARE(count(store.db(), "select count(*) from hwrzb where num=1041"), 3);
        QCOMPARE(scalar(store.db(), "select yye from jqb where jsj='till-1'").toDouble(), 101.0);
    }
};

} // namespace

class TestEscPosReceipt : public QObject {
    Q_OBJECT

  private slots:
    void chargedSaleIsPrintedAndReprinted_data() {
        QTest::addColumn<bool>("network");
        QTest::addColumn<int>("widthMm");
        QTest::newRow("network, 80 mm") << true << 80;
        QTest::newRow("network, 58 mm") << true << 58;
        QTest::newRow("device file, 58 mm") << false << 58;
    }
    void chargedSaleIsPrintedAndReprinted() {
        QFETCH(bool, network);
        QFETCH(int, widthMm);
        QTemporaryDir dir;
        FakePrinter printer;
        const QString device = dir.filePath("lp0");
        QFile(device).open(QIODevice::WriteOnly);
        const auto jobs = [&] { return network ? printer.jobs : deviceJobs(device); };
        Shop shop(network ? printer.address() : device, widthMm);
        EnvGuard copies("TAVO_RECEIPT_PDF", dir.filePath("copies").toUtf8());
        // Nobody on duty: F9 sends nothing (the receipt comes first below).
        shop.responder.answer(true);
        button(signOnWindow(), "cancelButton")->click();
        QVERIFY(QTest::qWaitForWindowActive(mainWindow()));
        QTest::keyClick(mainWindow(), Qt::Key_F9);
        QTest::keyClick(mainWindow(), Qt::Key_F8);
        QCOMPARE(shop.responder.shown().last(), QString("没有可以重打的小票！"));
        tool("signOnAction")->trigger();
        shop.signOn();
        shop.sell();
        QTRY_VERIFY_WITH_TIMEOUT(!jobs().isEmpty(), kJobWaitMs);

        const Printed receipt = readJob(jobs().at(0));
        QCOMPARE(receipt.cuts, 1);
        QCOMPARE(receipt.drawerPulses, 1);
        const QStringList expected{
            "好又多超市",
            "货物名\\s+单价\\s+数量\\s+价格",
            "-+",
            "可口可乐\\s+3\\.5\\s+2\\s+7",
            "(\\S+)\\s+88\\s+1\\s+88",
            "盐\\s+2\\s+3\\s+6",
            "-+",
            "共计 101",
            "现收 500",
            "找零 399",
            "帐单流水号 " +
                scalar(shop.store.db(), "select max(num) from hwrzb where crk='出库'").toString(),
            "谢谢惠顾，欢迎再次光临！",
            QRegularExpression::escape(
                QLocale().toString(QDate::currentDate(), QLocale::ShortFormat)) +
                " .*"};
        // Line by line, each within the roll; the long name goes on below its figures.
        QString longName;
        qsizetype at = 0;
        for (const QString& pattern : expected) {
            const QRegularExpression line("^" + pattern + "$");
            while (!longName.isEmpty() && !line.match(receipt.lines.value(at).trimmed()).hasMatch())
                longName += receipt.lines.value(at++).trimmed();
            const QString printed = receipt.lines.value(at++);
            const auto match = line.match(printed.trimmed());
            QVERIFY2(match.hasMatch(), qPrintable(pattern + " at " + printed));
            // One column for each byte: ASCII takes one, a Chinese character two.
            QVERIFY2(QByteArray(QStringEncoder("GB18030").encode(printed)).size() <=
                         (widthMm == 58 ? 32 : 48),
                     qPrintable(printed));
            if (match.lastCapturedIndex() == 1)
                longName = match.captured(1);
        }
        QCOMPARE(at, receipt.lines.size());
        QCOMPARE(longName, kLongName);
        QCOMPARE(QDir(dir.filePath("copies")).entryList({"receipt-1041-*.pdf"}).size(), 1);

        // F8: the same receipt marked as a copy, the drawer left shut; F9: the drawer alone.
        QTest::keyClick(mainWindow(), Qt::Key_F8);
        QTest::keyClick(mainWindow(), Qt::Key_F9);
        QTRY_COMPARE_WITH_TIMEOUT(jobs().size(), 3, kJobWaitMs);
        Printed copy = readJob(jobs().at(1));
        QCOMPARE(copy.lines.value(1).trimmed(), QString("重打小票(副本)"));
        copy.lines.removeAt(1);
        QCOMPARE(copy.lines, receipt.lines);
        QCOMPARE(copy.drawerPulses, 0);
        QCOMPARE(copy.cuts, 1);
        QCOMPARE(QDir(dir.filePath("copies")).entryList({"receipt-1041-*-copy.pdf"}).size(), 1);
        QVERIFY(readJob(jobs().at(2)).drawerOnly());
        QCOMPARE(shop.responder.shown(), QStringList());
    }

    // A return's slip: titled, the refund and both bill numbers, the drawer
    // opened for the cash paid out.
    void returnSlipIsPrinted() {
        FakePrinter printer;
        Shop shop(printer.address());
        shop.signOn();
        shop.sell();
        QTRY_COMPARE_WITH_TIMEOUT(printer.jobs.size(), 1, kJobWaitMs);
        tool("voidLastSale")->trigger();
        ReturnWindow* window = mainWindow()->returnWindow();
        QVERIFY(window);
        edit(window, "adminNumber")->setText("1");
        edit(window, "adminPassword")->setText("1234");
        button(window, "confirm")->click();
        QTRY_COMPARE_WITH_TIMEOUT(printer.jobs.size(), 2, kJobWaitMs);
        const Printed slip = readJob(printer.jobs.at(1));
        QStringList lines;
        for (const QString& line : slip.lines)
            lines << line.simplified();
        QCOMPARE(lines.mid(0, 2), (QStringList{"好又多超市", "退货单"}));
        const qsizetype refund = lines.indexOf("退款 101");
        QVERIFY2(refund > 0, qPrintable(lines.join('\n')));
        QCOMPARE(lines.mid(refund + 1, 2), (QStringList{"原帐单流水号 1041", "退货单号 1042"}));
        QCOMPARE(slip.drawerPulses, 1);
        QCOMPARE(slip.cuts, 1);
    }

    void failedPrintIsReported_data() {
        QTest::addColumn<QString>("printer");
        QTest::addColumn<QString>("cause");
        QTest::newRow("nothing listening") << QString("dead") << "无法连接";
        QTest::newRow("paper out") << QString("paper end") << "缺纸";
        QTest::newRow("cover open") << QString("cover open") << "机盖打开";
        QTest::newRow("no such device") << QString("missing device") << "无法打开";
        QTest::newRow("device takes nothing") << QString("stalled device") << "没有响应";
    }
    void failedPrintIsReported() {
        QFETCH(QString, printer);
        QFETCH(QString, cause);
        QTemporaryDir dir;
        std::optional<FakePrinter> reporting;
        if (printer == "paper end")
            reporting.emplace(std::pair<char, char>{0x12, 0x72});
        if (printer == "cover open")
            reporting.emplace(std::pair<char, char>{0x16, 0x12});
        QString address = reporting ? reporting->address() : FakePrinter().address();
        if (printer.endsWith("device"))
            address = dir.filePath("lp0");
        const int stalled = printer == "stalled device" ? stalledDevice(address) : 0;
        QVERIFY(stalled >= 0);
        const auto unstall = qScopeGuard([stalled] { stalled > 0 && ::close(stalled); });
        Shop shop(address);
        shop.signOn();
        shop.sell();
        QCOMPARE(shop.responder.shown(), QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(shop.responder.shown(),
                                  QStringList{"小票打印失败: 打印机 " + address + " " + cause +
                                              "。本单已收费记账,请检查打印机后按F8重打小票。"},
                                  kJobWaitMs);
        if (reporting) {
            // The receipt waits for F8; the drawer opens for the cash.
            QTRY_COMPARE(reporting->jobs.size(), 1);
            QVERIFY(readJob(reporting->jobs.at(0)).drawerOnly());
        }
    }

    void drawerKeyWithoutEscPosPrinter() {
        Shop shop{QString()};
        shop.signOn();
        QTest::keyClick(mainWindow(), Qt::Key_F9);
        QCOMPARE(
            shop.responder.shown(),
            QStringList{"本机没有设置ESC/POS小票打印机,钱箱无法打开！请通知管理员设置till.ini。"});
    }
};

STORE_TEST_MAIN(TestEscPosReceipt)
#include "tst_escpos_receipt.moc"
