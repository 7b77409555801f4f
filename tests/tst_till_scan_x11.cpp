// The till program itself on a real X display with a window manager: a
// scanner's keys (2 ms apart) and a clerk's (150 ms apart) reach it as the X
// server's key events, stamped by the server, and the sale table shows what
// it made of them.
//
// TILL_SCAN_SCREENSHOT=FILE keeps a picture of the screen at the end.

#include "support/teststore.h"

#include "storedb/saletable.h"
#include "storedb/till.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <memory>
#include <unistd.h>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");
const QStringList kScanned{"6901234567892", "A01", "6902"};

// A program of the test's own, ended with it: asked first, so that an X
// server takes its lock and socket away.
struct Child {
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    ~Child() {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
};

} // namespace

class TestTillScanX11 : public QObject {
    Q_OBJECT

  private:
    QString display_;

    // Runs xdotool on the display; its output, or nothing when it failed.
    std::optional<QString> xdotool(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        p.setProcessEnvironment(env);
        p.start("xdotool", args);
        if (!p.waitForFinished(20000))
            p.kill();
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Keys as xdotool types them: a carriage return is the Enter key.
    void type(const QString& text, int delayMs) {
        xdotool({"type", "--delay", QString::number(delayMs), text});
    }

    bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > ms)
                return false;
            QTest::qWait(50);
        }
        return true;
    }

  private slots:
    void fiftyScansWithRealKeys() {
        TestStore store;
        addTill(store.db(), kTill, 100);
        addClerk(store.db(), "1001", "王芳", "pw");
        addCategory(store.db(), "01", "食品");
        for (const QString& hwh : kScanned)
            addGoods(store.db(), "01", hwh, "货物" + hwh, 2.5, 100);
        // The program reads link.udl beside its executable.
        const QString program = store.folder() + "/client";
        if (::link(CLIENT_PROGRAM, program.toLocal8Bit().constData()) != 0)
            QVERIFY(QFile::copy(CLIENT_PROGRAM, program));
        store.writeDataLink(store.folder());
        // Room for a test machine that is busy elsewhere: xdotool's keys
        // reach the display late now and then, a scanner's do not.
        QFile ini(store.folder() + "/till.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly) && ini.write("[scanner]\nmaxKeyGapMs=60\n") > 0);
        ini.close();

        Child xvfb, openbox, till;
        // Xvfb picks a display no other server holds and names it.
        xvfb.process->start("Xvfb",
                            {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        QVERIFY2(xvfb.process->waitForStarted(), "Xvfb (scripts/setup installs it)");
        QVERIFY(waitFor([&] { return xvfb.process->canReadLine(); }, 10000));
        display_ = ":" + QString::fromLatin1(xvfb.process->readLine()).trimmed();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("TAVO_TERMINAL_NAME", kTill);
        openbox.process->setProcessEnvironment(env);
        openbox.process->start("openbox", {});
        QVERIFY(openbox.process->waitForStarted());
        // A window mapped while the window manager starts may never show.
        QVERIFY(waitFor([&] { return xdotool({"get_desktop"}).has_value(); }));
        till.process->setProcessEnvironment(env);
        till.process->setProcessChannelMode(QProcess::ForwardedChannels);
        till.process->start(program, {});
        QVERIFY(till.process->waitForStarted());

        // The clerk signs on by keys and opens the sale panel with F2.
        QVERIFY(waitFor([&] {
            return xdotool({"search", "--onlyvisible", "--name", "售货员登录"}).has_value();
        }));
        type("1001\rpw\r", 120);
        QVERIFY(waitFor([&] {
            const std::optional<TillRow> row = tillRow(store.db(), kTill);
            return row && row->zt == "在线";
        }));
        // The messages after sign-on are acknowledged with Enter.
        QVERIFY(waitFor([&] {
            const QString title = xdotool({"getactivewindow", "getwindowname"}).value_or("");
            if (title == "收银台端")
                type("\r", 120);
            return title == "Orvani系统--收银台端";
        }));
        xdotool({"key", "F2"});

        QStringList expected;
        for (int i = 0; i < 50; ++i) {
            const QString code = kScanned.at(i % kScanned.size());
            type(code + "\r", 2);
            expected << code + " 1";
        }
        // By hand: goods number, Enter, quantity (or the preset 1), Enter.
        const std::pair<QString, QString> handLines[] = {
            {"6902", "3"}, {"A01", "2"}, {"6901234567892", ""}};
        for (const auto& [code, quantity] : handLines) {
            type(code + "\r" + quantity + "\r", 150);
            expected << code + " " + (quantity.isEmpty() ? "1" : quantity);
        }
        const auto lines = [&] {
            QStringList found;
            for (const SaleLine& line : saleLines(store.db(), kTill))
                found << QStringLiteral("%1 %2").arg(line.hwh).arg(line.sl);
            return found;
        };
        waitFor([&] { return lines().size() >= expected.size(); });
        QTest::qWait(300); // nothing more comes
        if (qEnvironmentVariableIsSet("TILL_SCAN_SCREENSHOT"))
            QProcess::execute("import", {"-display", display_, "-window", "root",
                                         qEnvironmentVariable("TILL_SCAN_SCREENSHOT")});
        // In full, so that a failure shows which lines came out wrong.
        QVERIFY2(lines() == expected, qPrintable("got " + lines().join(" | ")));
        QCOMPARE(till.process->state(), QProcess::Running);
    }
};

STORE_TEST_MAIN(TestTillScanX11)
#include "tst_till_scan_x11.moc"
