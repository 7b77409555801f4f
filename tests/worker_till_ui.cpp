// The real till, its windows offscreen, worked by commands on standard input
// as a clerk works it, so that a test can stop the process at any point of a
// sale and look at the books afterwards.
//
//   worker_till_ui FOLDER
//
// FOLDER stands for the program's folder (link.udl is read from there); the
// computer's name comes from TAVO_TERMINAL_NAME, receipts go where the till
// sends them (TAVO_RECEIPT_PDF). One command a line. After each command it
// prints the message boxes shown meanwhile, "msg <text>" each, then
// "ok <command>" once the windows stand where the clerk expects them, or
// "fail <command>: <what the windows show>". Every question is answered Yes
// (workerloop.h).
//
//   signon SHYH MM   clerk number, Enter, password, Enter
//   panel            ToolButton2: the sale panel opens
//   add HWH N        goods number, Enter, quantity, Enter: one more line
//   charge           SpeedButton1: the sale is booked, the charge window opens
//   cash AMOUNT      the cash received, Enter: the change shows
//   confirm          the charge window's BitBtn1: the receipt prints, the window closes
//   signoff          ToolButton4: the summary shows
//   summary-ok       the summary's BitBtn1
//   quit             ToolButton1: the program ends

#include "dl.h"
#include "session.h"
#include "sf.h"
#include "tavo.h"
#include "zx.h"

#include "formkit/application.h"
#include "formkit/messages.h"
#include "storedb/datalink.h"
#include "support/controls.h"
#include "support/workerloop.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdio>

using testsupport::ctl;

namespace {

// A clerk's pace: keys as close as a scanner's would be a scan.
const int kClerkKeyMs = 50;

// Types as the clerk does: the box's old text replaced by the keys.
void type(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text, Qt::NoModifier, kClerkKeyMs);
}

void pressEnter(QWidget* widget) {
    QTest::keyClick(widget, Qt::Key_Return);
}

class Cashier {
  public:
    explicit Cashier(TillSession& session) : session_(session) {}

    // Runs one command; an empty result means the windows show what the
    // clerk expects after it, otherwise it says what they show instead.
    QString run(const QStringList& words) {
        const QString command = words.value(0);
        if (command == QLatin1String("signon") && words.size() == 3)
            return signOn(words.at(1), words.at(2));
        if (command == QLatin1String("panel"))
            return openPanel();
        if (command == QLatin1String("add") && words.size() == 3)
            return addLine(words.at(1), words.at(2));
        if (command == QLatin1String("charge"))
            return charge();
        if (command == QLatin1String("cash") && words.size() == 2)
            return cash(words.at(1));
        if (command == QLatin1String("confirm"))
            return confirm();
        if (command == QLatin1String("signoff"))
            return signOff();
        if (command == QLatin1String("summary-ok"))
            return confirmSummary();
        if (command == QLatin1String("quit"))
            return quit();
        return QStringLiteral("unknown command");
    }

  private:
    Tmainform& main() { return session_.mainWindow(); }
    QString stateIs(Tmainform::State expected) {
        if (main().state() == expected)
            return QString();
        return QStringLiteral("the till is in state %1").arg(int(main().state()));
    }
    int gridRows() {
        const QAbstractItemModel* model = ctl<QTableView>(&main(), "DBGrid1")->model();
        return model ? model->rowCount() : 0;
    }

    QString signOn(const QString& shyh, const QString& mm) {
        Tdlform& window = session_.signOnWindow();
        if (!window.isVisible())
            return QStringLiteral("no sign-on window");
        auto* number = ctl<QLineEdit>(&window, "Edit1");
        auto* password = ctl<QLineEdit>(&window, "Edit2");
        type(number, shyh);
        pressEnter(number);
        type(password, mm);
        pressEnter(password);
        if (!session_.clerkOnDuty())
            return QStringLiteral("nobody on duty");
        return stateIs(Tmainform::State::OnDuty);
    }

    QString openPanel() {
        ctl<QAction>(&main(), "ToolButton2")->trigger();
        return stateIs(Tmainform::State::SalePanelOpen);
    }

    QString addLine(const QString& hwh, const QString& quantity) {
        const int before = gridRows();
        auto* goods = ctl<QLineEdit>(&main(), "Edit1");
        auto* pieces = ctl<QLineEdit>(&main(), "Edit2");
        type(goods, hwh);
        pressEnter(goods);
        // Enter has preset the quantity to 1, selected: the keys replace it.
        QTest::keyClicks(pieces, quantity, Qt::NoModifier, kClerkKeyMs);
        pressEnter(pieces);
        if (gridRows() != before + 1)
            return QStringLiteral("%1 lines listed, %2 before").arg(gridRows()).arg(before);
        return stateIs(Tmainform::State::SalePending);
    }

    QString charge() {
        ctl<QPushButton>(&main(), "SpeedButton1")->click();
        Tsfform* window = main().chargeWindow();
        if (!window || !window->isVisible())
            return QStringLiteral("no charge window");
        return stateIs(Tmainform::State::Charging);
    }

    QString cash(const QString& amount) {
        Tsfform* window = main().chargeWindow();
        if (!window)
            return QStringLiteral("no charge window");
        auto* received = ctl<QLineEdit>(window, "Edit1");
        type(received, amount);
        pressEnter(received);
        if (ctl<QLabel>(window, "zl")->text().isEmpty())
            return QStringLiteral("no change shown");
        return QString();
    }

    QString confirm() {
        Tsfform* window = main().chargeWindow();
        if (!window)
            return QStringLiteral("no charge window");
        // Prints the receipt before it returns.
        ctl<QPushButton>(window, "BitBtn1")->click();
        if (main().chargeWindow())
            return QStringLiteral("the charge window is still up");
        return stateIs(Tmainform::State::SalePanelOpen);
    }

    QString signOff() {
        ctl<QAction>(&main(), "ToolButton4")->trigger();
        if (!session_.summaryWindow().awaitingConfirmation())
            return QStringLiteral("no summary");
        return stateIs(Tmainform::State::SignOffSummary);
    }

    QString confirmSummary() {
        ctl<QPushButton>(&session_.summaryWindow(), "BitBtn1")->click();
        if (session_.summaryWindow().awaitingConfirmation())
            return QStringLiteral("the summary is still up");
        return stateIs(Tmainform::State::NoClerk);
    }

    QString quit() {
        ctl<QAction>(&main(), "ToolButton1")->trigger();
        return main().programEnded() ? QString() : QStringLiteral("the till refused to end");
    }

    TillSession& session_;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    formkit::Application app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        std::fputs("usage: worker_till_ui FOLDER\n", stderr);
        return 2;
    }
    storedb::setProgramDirectory(args.at(1));

    formkit::ScriptedResponder responder;
    TillSession session;
    QObject::connect(
        &session.mainWindow(), &Tmainform::quitRequested, &app,
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    Cashier cashier(session);
    // Four Yes answers a command: no command of the till asks more than one.
    testsupport::CommandLoop commands(responder, 4,
                                      [&](const QStringList& words) { return cashier.run(words); });
    session.start();
    // The start-up's messages (a store that cannot be opened, a till that is
    // not registered) before anything else.
    testsupport::sayShown(responder.shown());
    testsupport::say(session.mainWindow().programEnded() ? QStringLiteral("ended")
                                                         : QStringLiteral("ready"));
    return app.exec();
}
