#pragma once

// The back office started as main.cpp starts it (an AdminSession, then its
// AdminWindows), on a fresh store of the engine under test reached through
// link.udl in the program directory; message boxes answered by a scripted
// responder.
// Header-only: the test executables link the back office's windows.

#include "admin/adminwindows.h"
#include "admin/loginwindow.h"
#include "admin/mainwindow.h"
#include "admin/session.h"
#include "formkit/messages.h"
#include "storedb/datalink.h"
#include "storedb/schema.h"
#include "support/controls.h"
#include "support/teststore.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <functional>
#include <memory>

namespace testsupport {

class AdminFixture {
  public:
    enum class Link { ToTheStore, None };

    // With Link::None no link.udl is written: the test writes its own.
    explicit AdminFixture(Link link = Link::ToTheStore) {
        if (link == Link::ToTheStore)
            store.writeDataLink(store.folder());
        storedb::setProgramDirectory(store.folder());
        session_ = std::make_unique<admin::AdminSession>();
        windows_ = std::make_unique<admin::AdminWindows>(*session_);
    }
    ~AdminFixture() {
        windows_.reset();
        session_.reset();
        storedb::setProgramDirectory(QString());
    }
    AdminFixture(const AdminFixture&) = delete;
    AdminFixture& operator=(const AdminFixture&) = delete;

    TestStore store;
    formkit::ScriptedResponder responder;

    admin::AdminSession& session() const { return *session_; }
    admin::AdminWindows& windows() const { return *windows_; }
    storedb::Db& db() { return store.db(); }
    admin::MainWindow& main() const { return windows_->mainWindow(); }
    QString linkPath() const { return store.folder() + QStringLiteral("/link.udl"); }

    // The program's start: main window, connection, login window.
    void start() {
        QVERIFY(windows_->start());
        QVERIFY(windows_->loginWindow());
        QVERIFY(windows_->loginWindow()->isVisible());
    }
    admin::LoginWindow& login() const {
        if (!windows_->loginWindow())
            qFatal("the login window is not there before the first show");
        return *windows_->loginWindow();
    }
    QLineEdit* loginBox(const char* name) const { return ctl<QLineEdit>(&login(), name); }
    QPushButton* loginButton(const char* name) const { return ctl<QPushButton>(&login(), name); }

    void typeLogin(const QString& glyh, const QString& mm) {
        loginBox("administratorNumber")->setText(glyh);
        loginBox("password")->setText(mm);
    }
    // Signs on through the login window's keys: number, Enter, password,
    // Enter, Enter on OK. The window must close.
    void signOn(const QString& glyh = storedb::kFirstAdministratorNumber,
                const QString& mm = storedb::kFirstAdministratorPassword) {
        QLineEdit* number = loginBox("administratorNumber");
        QLineEdit* password = loginBox("password");
        number->clear();
        password->clear();
        number->setFocus();
        QTest::keyClicks(number, glyh);
        QTest::keyClick(number, Qt::Key_Return);
        QTest::keyClicks(password, mm);
        QTest::keyClick(password, Qt::Key_Return);
        QTest::keyClick(loginButton("signOnButton"), Qt::Key_Return);
        QVERIFY2(!login().isVisible(), qPrintable(responder.shown().join(QLatin1Char('|'))));
        responder.clear();
    }
    void startAndSignOn() {
        start();
        if (QTest::currentTestFailed())
            return;
        signOn();
    }

    // Keyboard shortcuts reach the main window only while it is active.
    void activateMain() {
        main().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main()));
    }
    QAction* action(const char* name) const { return ctl<QAction>(&main(), name); }
    QToolButton* toolButton(const char* name) const { return ctl<QToolButton>(&main(), name); }
    QMenu* menu(const char* name) const { return ctl<QMenu>(&main(), name); }

    // Types into whatever has the keyboard, as the window system delivers keys.
    static void typeToKeyboard(const QString& text) {
        for (const QChar ch : text) {
            QWindow* window = QGuiApplication::focusWindow();
            QVERIFY(window);
            QTest::keyClick(window, ch.toLatin1());
        }
    }
    static void pressToKeyboard(Qt::Key key) {
        QWindow* window = QGuiApplication::focusWindow();
        QVERIFY(window);
        QTest::keyClick(window, key);
    }

  private:
    std::unique_ptr<admin::AdminSession> session_;
    std::unique_ptr<admin::AdminWindows> windows_;
};

// Runs the application's event loop until something ends it; a watchdog ends
// it with 99 so that a program that never exits fails instead of hanging.
inline int runLoop(std::function<void()> start) {
    QTimer::singleShot(0, qApp, std::move(start));
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return qApp->exec();
}

} // namespace testsupport
