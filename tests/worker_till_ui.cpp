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
//   panel            openSalePanelAction: the sale panel opens
//   add HWH N        goods number, Enter, quantity, Enter: one more line
//   charge           chargeButton: the sale is booked, the charge window opens
//   cash AMOUNT      the cash received, Enter: the change shows
//   confirm          the charge window's confirmButton: the receipt prints, the window closes
//   lastbill         prints "bill N", the bill number of the shift's last charge
//   return BILL      F7's action, the bill number keyed, Enter: the bill's lines show
//   void             F10's action: the last charge shows, every piece left chosen
//   pieces ROW N     N pieces keyed on the bill's line ROW (from 0)
//   whole            F5: every piece left chosen
//   authorise NUMBER PASSWORD
//                    the administrator's number and password filled in, confirm:
//                    the return is booked, its slip prints, the window closes
//   signoff          signOffAction: the summary shows
//   summary-ok       the summary's confirmButton
//   quit             exitAction: the program ends

#include "client/chargewindow.h"
#include "client/returnwindow.h"
#include "client/session.h"
#include "client/signoffwindow.h"
#include "client/signonwindow.h"
#include "client/tillwindow.h"
#include "client/tillwindows.h"

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
#include <QSignalSpy>
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
    Cashier(TillSession& session, TillWindows& windows) : session_(session), windows_(windows) {}

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
        if (command == QLatin1String("lastbill"))
            return lastBill();
        if (command == QLatin1String("return") && words.size() == 2)
            return openReturn(words.at(1));
        if (command == QLatin1String("void"))
            return voidLastSale();
        if (command == QLatin1String("pieces") && words.size() == 3)
            return choosePieces(words.at(1), words.at(2));
        if (command == QLatin1String("whole"))
            return returnWholeBill();
        if (command == QLatin1String("authorise") && words.size() == 3)
            return authorise(words.at(1), words.at(2));
        if (command == QLatin1String("signoff"))
            return signOff();
        if (command == QLatin1String("summary-ok"))
            return confirmSummary();
        if (command == QLatin1String("quit"))
            return quit();
        return QStringLiteral("unknown command");
    }

  private:
    TillWindow& main() { return windows_.mainWindow(); }
    QString stateIs(TillWindow::State expected) {
        if (main().state() == expected)
            return QString();
        return QStringLiteral("the till is in state %1").arg(int(main().state()));
    }
    int gridRows() {
        const QAbstractItemModel* model = ctl<QTableView>(&main(), "saleLines")->model();
        return model ? model->rowCount() : 0;
    }

    QString signOn(const QString& shyh, const QString& mm) {
        SignOnWindow& window = windows_.signOnWindow();
        if (!window.isVisible())
            return QStringLiteral("no sign-on window");
        auto* number = ctl<QLineEdit>(&window, "clerkNumber");
        auto* password = ctl<QLineEdit>(&window, "password");
        type(number, shyh);
        pressEnter(number);
        type(password, mm);
        pressEnter(password);
        if (!session_.clerkOnDuty())
            return QStringLiteral("nobody on duty");
        return stateIs(TillWindow::State::OnDuty);
    }

    QString openPanel() {
        ctl<QAction>(&main(), "openSalePanelAction")->trigger();
        return stateIs(TillWindow::State::SalePanelOpen);
    }

    QString addLine(const QString& hwh, const QString& quantity) {
        const int before = gridRows();
        auto* goods = ctl<QLineEdit>(&main(), "goodsNumber");
        auto* pieces = ctl<QLineEdit>(&main(), "quantity");
        type(goods, hwh);
        pressEnter(goods);
        // Enter has preset the quantity to 1, selected: the keys replace it.
        QTest::keyClicks(pieces, quantity, Qt::NoModifier, kClerkKeyMs);
        pressEnter(pieces);
        if (gridRows() != before + 1)
            return QStringLiteral("%1 lines listed, %2 before").arg(gridRows()).arg(before);
        return stateIs(TillWindow::State::SalePending);
    }

    QString charge() {
        ctl<QPushButton>(&main(), "chargeButton")->click();
        ChargeWindow* window = main().chargeWindow();
        if (!window || !window->isVisible())
            return QStringLiteral("no charge window");
        return stateIs(TillWindow::State::Charging);
    }

    QString cash(const QString& amount) {
        ChargeWindow* window = main().chargeWindow();
        if (!window)
            return QStringLiteral("no charge window");
        auto* received = ctl<QLineEdit>(window, "cashReceived");
        type(received, amount);
        pressEnter(received);
        if (ctl<QLabel>(window, "changeLabel")->text().isEmpty())
            return QStringLiteral("no change shown");
        return QString();
    }

    QString confirm() {
        ChargeWindow* window = main().chargeWindow();
        if (!window)
            return QStringLiteral("no charge window");
        // Prints the receipt before it returns.
        ctl<QPushButton>(window, "confirmButton")->click();
        if (main().chargeWindow())
            return QStringLiteral("the charge window is still up");
        return stateIs(TillWindow::State::SalePanelOpen);
    }

    QString lastBill() {
        const std::optional<qint64> bill = session_.lastSale();
        if (!bill)
            return QStringLiteral("no sale charged in this shift");
        testsupport::say(QStringLiteral("bill %1").arg(*bill));
        return QString();
    }

    // The return window with the bill on show and, when `chosen`, every piece
    // left keyed.
    QString returnShows(qint64 bill, bool chosen) {
        ReturnWindow* window = main().returnWindow();
        if (!window || !window->isVisible())
            return QStringLiteral("no return window");
        if (!window->bill() || window->bill()->num != bill)
            return QStringLiteral("bill %1 is not shown").arg(bill);
        if (!chosen)
            return QString();
        const QList<storedb::BillLine>& lines = window->bill()->lines;
        for (int row = 0; row < lines.size(); ++row) {
            const int left = lines.at(row).left();
            const QString keyed =
                ctl<QLineEdit>(window, qPrintable(QStringLiteral("pieces%1").arg(row)))->text();
            if (keyed != (left > 0 ? QString::number(left) : QString()))
                return QStringLiteral("line %1 shows %2 of %3 left").arg(row).arg(keyed).arg(left);
        }
        return QString();
    }

    QString openReturn(const QString& bill) {
        const TillWindow::State before = main().state();
        ctl<QAction>(&main(), "returnGoods")->trigger();
        ReturnWindow* window = main().returnWindow();
        // Its keys (F5) answer only once it has the keyboard.
        if (!window || !QTest::qWaitForWindowActive(window))
            return QStringLiteral("no return window");
        auto* number = ctl<QLineEdit>(window, "billNumber");
        type(number, bill);
        pressEnter(number);
        returningFrom_ = before;
        return returnShows(bill.toLongLong(), false);
    }

    QString voidLastSale() {
        const TillWindow::State before = main().state();
        ctl<QAction>(&main(), "voidLastSale")->trigger();
        returningFrom_ = before;
        if (ReturnWindow* window = main().returnWindow();
            window && !QTest::qWaitForWindowActive(window))
            return QStringLiteral("the return window never got the keyboard");
        return returnShows(session_.lastSale().value_or(0), true);
    }

    QString choosePieces(const QString& row, const QString& pieces) {
        ReturnWindow* window = main().returnWindow();
        if (!window)
            return QStringLiteral("no return window");
        auto* box = ctl<QLineEdit>(window, qPrintable(QStringLiteral("pieces") + row));
        type(box, pieces);
        if (box->text() != pieces)
            return QStringLiteral("the line shows %1 pieces").arg(box->text());
        return QString();
    }

    QString returnWholeBill() {
        ReturnWindow* window = main().returnWindow();
        if (!window || !window->bill())
            return QStringLiteral("no bill shown");
        // A button's key clicks it the way a mouse does, a moment after.
        QSignalSpy clicked(ctl<QPushButton>(window, "wholeBill"), &QPushButton::clicked);
        QTest::keyClick(window, Qt::Key_F5);
        if (clicked.isEmpty() && !clicked.wait(2000))
            return QStringLiteral("F5 did not press the button");
        return returnShows(window->bill()->num, true);
    }

    QString authorise(const QString& number, const QString& password) {
        ReturnWindow* window = main().returnWindow();
        if (!window)
            return QStringLiteral("no return window");
        bool booked = false;
        const QMetaObject::Connection watch =
            QObject::connect(window, &ReturnWindow::returnBooked, [&booked] { booked = true; });
        ctl<QLineEdit>(window, "adminNumber")->setText(number);
        ctl<QLineEdit>(window, "adminPassword")->setText(password);
        // Books, prints the slip and says the refund before it returns.
        ctl<QPushButton>(window, "confirm")->click();
        QObject::disconnect(watch);
        if (!booked)
            return QStringLiteral("nothing booked");
        if (main().returnWindow())
            return QStringLiteral("the return window is still up");
        return stateIs(returningFrom_);
    }

    QString signOff() {
        ctl<QAction>(&main(), "signOffAction")->trigger();
        if (!windows_.summaryWindow().awaitingConfirmation())
            return QStringLiteral("no summary");
        return stateIs(TillWindow::State::SignOffSummary);
    }

    QString confirmSummary() {
        ctl<QPushButton>(&windows_.summaryWindow(), "confirmButton")->click();
        if (windows_.summaryWindow().awaitingConfirmation())
            return QStringLiteral("the summary is still up");
        return stateIs(TillWindow::State::NoClerk);
    }

    QString quit() {
        ctl<QAction>(&main(), "exitAction")->trigger();
        return main().programEnded() ? QString() : QStringLiteral("the till refused to end");
    }

    TillSession& session_;
    TillWindows& windows_;
    // Where the till stood when the return window opened: it stands there
    // again once the window has closed.
    TillWindow::State returningFrom_ = TillWindow::State::OnDuty;
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
    TillWindows windows(session);
    QObject::connect(
        &windows.mainWindow(), &TillWindow::quitRequested, &app,
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    Cashier cashier(session, windows);
    // Four Yes answers a command: no command of the till asks more than one.
    testsupport::CommandLoop commands(responder, 4,
                                      [&](const QStringList& words) { return cashier.run(words); });
    windows.start();
    // The start-up's messages (a store that cannot be opened, a till that is
    // not registered) before anything else.
    testsupport::sayShown(responder.shown());
    testsupport::say(windows.mainWindow().programEnded() ? QStringLiteral("ended")
                                                         : QStringLiteral("ready"));
    return app.exec();
}
