// The real back office, its windows offscreen, worked by commands on
// standard input as an administrator works it, so that a test can kill the
// process in the middle of a movement and look at the books afterwards.
//
//   worker_admin_ui FOLDER
//
// FOLDER stands for the program's folder (link.udl is read from there). One
// command a line; after each it prints the message boxes shown meanwhile,
// "msg <text>" each, then "ok <command>" or "fail <command>: <why>".
// Questions are answered Yes; "hold@K" at the end of a command stops at its
// K-th question (workerloop.h).
//
//   signon GLYH MM               number, Enter, password, Enter, Enter on OK
//   stockin HWH RHJ DJ SL        the stock-in window, one line, confirmed
//   stockout HWH DJ SL           the stock-out window, one line, confirmed
//   settle SHYH                  the settlement window: look the clerk up, settle
//   correct BH SL                the correction window: today's stock-ins listed,
//                                row BH double-clicked, its quantity set to SL
//   quit

#include "admin/adminwindows.h"
#include "admin/correctionwindow.h"
#include "admin/loginwindow.h"
#include "admin/mainwindow.h"
#include "admin/session.h"
#include "admin/settlementwindow.h"
#include "admin/stockwindow.h"

#include "formkit/application.h"
#include "formkit/messages.h"
#include "storedb/datalink.h"
#include "support/controls.h"
#include "support/workerloop.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <cstdio>

using testsupport::ctl;
using testsupport::say;

namespace {

// Types as the administrator does: the box's old text replaced by the keys,
// then Enter.
void typeAndEnter(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

class Administrator {
  public:
    explicit Administrator(admin::AdminWindows& windows) : windows_(windows) {}

    QString run(const QStringList& words) {
        const QString command = words.value(0);
        if (command == QLatin1String("signon") && words.size() == 3)
            return signOn(words.at(1), words.at(2));
        if (command == QLatin1String("stockin") && words.size() == 5)
            return stockIn(words.at(1), words.at(2), words.at(3), words.at(4));
        if (command == QLatin1String("stockout") && words.size() == 4)
            return stockOut(words.at(1), words.at(2), words.at(3));
        if (command == QLatin1String("settle") && words.size() == 2)
            return settle(words.at(1));
        if (command == QLatin1String("correct") && words.size() == 3)
            return correct(words.at(1), words.at(2));
        if (command == QLatin1String("quit")) {
            QCoreApplication::exit(0);
            return QString();
        }
        return QStringLiteral("unknown command");
    }

  private:
    admin::MainWindow& main() { return windows_.mainWindow(); }

    QString signOn(const QString& glyh, const QString& mm) {
        admin::LoginWindow* login = windows_.loginWindow();
        if (!login || !login->isVisible())
            return QStringLiteral("no login window");
        typeAndEnter(ctl<QLineEdit>(login, "administratorNumber"), glyh);
        typeAndEnter(ctl<QLineEdit>(login, "password"), mm);
        QTest::keyClick(ctl<QPushButton>(login, "signOnButton"), Qt::Key_Return);
        return login->isVisible() ? QStringLiteral("the login window is still up") : QString();
    }

    // Keys one line into the movement window and confirms it; the window
    // stays up for the next line (the "continue" question answered Yes).
    QString movement(const char* menuEntry, const QStringList& boxes, const QStringList& values) {
        ctl<QAction>(&main(), menuEntry)->trigger();
        admin::StockWindow& window = windows_.stockWindow();
        if (!window.isVisible())
            return QStringLiteral("no stock window");
        for (int i = 0; i < boxes.size(); ++i)
            typeAndEnter(ctl<QLineEdit>(&window, boxes.at(i).toLatin1().constData()), values.at(i));
        ctl<QPushButton>(&window, "confirmButton")->click();
        if (!window.isVisible())
            return QStringLiteral("the stock window closed");
        if (!ctl<QLineEdit>(&window, "goodsNumber")->text().isEmpty())
            return QStringLiteral("the goods number was not cleared for the next line");
        return QString();
    }

    QString stockIn(const QString& hwh, const QString& rhj, const QString& dj, const QString& sl) {
        return movement("stockInAction", {"goodsNumber", "movementPrice", "unitPrice", "quantity"},
                        {hwh, rhj, dj, sl});
    }
    QString stockOut(const QString& hwh, const QString& dj, const QString& sl) {
        return movement("stockOutAction", {"goodsNumber", "movementPrice", "quantity"},
                        {hwh, dj, sl});
    }

    QString settle(const QString& shyh) {
        ctl<QAction>(&main(), "settlementAction")->trigger();
        admin::SettlementWindow& window = windows_.settlementWindow();
        if (!window.isVisible())
            return QStringLiteral("no settlement window");
        auto* number = ctl<QLineEdit>(&window, "clerkNumber");
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, shyh);
        ctl<QPushButton>(&window, "lookUpButton")->click();
        QPushButton* settleButton = ctl<QPushButton>(&window, "settleButton");
        if (!settleButton->isEnabled())
            return QStringLiteral("nothing to settle");
        settleButton->click();
        return number->text().isEmpty() ? QString() : QStringLiteral("the boxes were not cleared");
    }

    QString correct(const QString& bh, const QString& sl) {
        ctl<QAction>(&main(), "movementCorrectionAction")->trigger();
        admin::CorrectionWindow& window = windows_.correctionWindow();
        if (!window.isVisible())
            return QStringLiteral("no correction window");
        ctl<QRadioButton>(&window, "stockInOption")->click();
        ctl<QDateTimeEdit>(&window, "firstDay")->setDate(QDate::currentDate());
        ctl<QDateTimeEdit>(&window, "lastDay")->setDate(QDate::currentDate());
        ctl<QPushButton>(&window, "movementQueryButton")->click();
        auto* grid = ctl<QTableView>(&window, "movementsGrid");
        const QAbstractItemModel* rows = grid->model();
        int row = 0;
        while (row < rows->rowCount() && rows->index(row, 0).data().toString() != bh)
            ++row;
        if (row == rows->rowCount())
            return QStringLiteral("row %1 is not listed").arg(bh);
        const QPoint at = grid->visualRect(rows->index(row, 0)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
        auto* quantity = ctl<QLineEdit>(&window, "quantity");
        quantity->setText(sl);
        QPushButton* confirm = ctl<QPushButton>(&window, "correctButton");
        if (!confirm->isEnabled())
            return QStringLiteral("the row was not picked");
        confirm->click();
        return QString();
    }

    admin::AdminWindows& windows_;
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
        std::fputs("usage: worker_admin_ui FOLDER\n", stderr);
        return 2;
    }
    storedb::setProgramDirectory(args.at(1));

    formkit::ScriptedResponder responder;
    admin::AdminSession session;
    admin::AdminWindows windows(session);
    Administrator administrator(windows);
    testsupport::CommandLoop commands(
        responder, 8, [&](const QStringList& words) { return administrator.run(words); });
    const bool started = windows.start();
    testsupport::sayShown(responder.shown());
    say(started ? QStringLiteral("ready") : QStringLiteral("ended"));
    return app.exec();
}
