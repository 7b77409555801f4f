#pragma once

// One run of the till program on a test store: the windows created as the
// program creates them, its first show, and its end observed through
// TillWindow::quitRequested instead of the process ending.

#include "client/aboutwindow.h"
#include "client/passwordwindow.h"
#include "client/receiptwindow.h"
#include "client/session.h"
#include "client/signoffwindow.h"
#include "client/signonwindow.h"
#include "client/tillwindow.h"
#include "client/tillwindows.h"

#include "formkit/messages.h"
#include "storedb/datalink.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "support/controls.h"
#include "support/teststore.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <memory>

namespace tilltest {

using testsupport::ctl;

class TillRun;
// The till the running test started (tests run one at a time).
inline TillRun*& currentRun() {
    static TillRun* run = nullptr;
    return run;
}
TillSession& session();
TillWindows& windows();
inline TillWindow* mainWindow() {
    return &windows().mainWindow();
}
inline SignOnWindow* signOnWindow() {
    return &windows().signOnWindow();
}
inline SignOffWindow* summaryWindow() {
    return &windows().summaryWindow();
}
inline AboutWindow* aboutWindow() {
    return &windows().aboutWindow();
}
inline PasswordWindow* passwordWindow() {
    return windows().passwordWindow();
}
inline QLineEdit* edit(const QObject* w, const char* name) {
    return ctl<QLineEdit>(w, name);
}
inline QPushButton* button(const QObject* w, const char* name) {
    return ctl<QPushButton>(w, name);
}
inline QLabel* label(const QObject* w, const char* name) {
    return ctl<QLabel>(w, name);
}
inline QAction* tool(const char* name) {
    return ctl<QAction>(mainWindow(), name);
}

// What the toolbar and the sale panel show, in the words of the state table:
// "bar shown|exit on|open hidden|signon hidden|signoff on|panel shown|charge off".
inline QString tillLooks() {
    auto look = [](QAction* a) {
        return QString::fromLatin1(!a->isVisible() ? "hidden" : a->isEnabled() ? "on" : "off");
    };
    QStringList parts;
    const bool bar = ctl<QToolBar>(mainWindow(), "toolBar")->isVisibleTo(mainWindow());
    const bool panel = ctl<QGroupBox>(mainWindow(), "salePanel")->isVisibleTo(mainWindow());
    parts << (bar ? QStringLiteral("bar shown") : QStringLiteral("bar hidden"));
    if (bar) {
        parts << QStringLiteral("exit ") + look(tool("exitAction"))
              << QStringLiteral("open ") + look(tool("openSalePanelAction"))
              << QStringLiteral("signon ") + look(tool("signOnAction"))
              << QStringLiteral("signoff ") + look(tool("signOffAction"));
    }
    parts << (panel ? QStringLiteral("panel shown") : QStringLiteral("panel hidden"));
    if (panel)
        parts << QStringLiteral("charge ") +
                     (button(mainWindow(), "chargeButton")->isEnabled() ? "on" : "off");
    return parts.join(QLatin1Char('|'));
}

inline const QString kNoClerk =
    QStringLiteral("bar shown|exit on|open hidden|signon on|signoff hidden|panel hidden");
inline const QString kOnDuty =
    QStringLiteral("bar shown|exit on|open on|signon hidden|signoff on|panel hidden");
inline const QString kPanelOpen =
    QStringLiteral("bar shown|exit on|open hidden|signon hidden|signoff on|panel shown|charge off");
inline const QString kSalePending =
    QStringLiteral("bar shown|exit on|open hidden|signon hidden|signoff off|panel shown|charge on");
inline const QString kSummary =
    QStringLiteral("bar shown|exit off|open hidden|signon off|signoff hidden|panel hidden");
inline const QString kSigningOn = QStringLiteral("bar hidden|panel hidden");

// A clerk's keys come this many milliseconds apart at the least (twice as
// far: a key's release waits too); keys as close as a scanner's are a scan.
inline constexpr int kClerkKeyMs = 50;

// Types into a box as a clerk does: the box's text selected (as Tab leaves
// it), then the keys.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text, Qt::NoModifier, kClerkKeyMs);
}

class TillRun {
  public:
    // The program directory is `folder` (link.udl is read from there) and the
    // computer is called `terminal` (TAVO_TERMINAL_NAME).
    TillRun(const QString& folder, const QString& terminal) {
        storedb::setProgramDirectory(folder);
        qputenv("TAVO_TERMINAL_NAME", terminal.toUtf8());
        session = std::make_unique<TillSession>();
        windows = std::make_unique<TillWindows>(*session);
        currentRun() = this;
        quit = std::make_unique<QSignalSpy>(&windows->mainWindow(), &TillWindow::quitRequested);
    }
    ~TillRun() {
        quit.reset();
        windows.reset();
        session.reset();
        if (currentRun() == this)
            currentRun() = nullptr;
    }
    TillRun(const TillRun&) = delete;
    TillRun& operator=(const TillRun&) = delete;

    // The main window's first show: connection, terminal check, sign-on window.
    void start() { windows->start(); }

    void signOn(const QString& shyh, const QString& mm) {
        edit(signOnWindow(), "clerkNumber")->setText(shyh);
        edit(signOnWindow(), "password")->setText(mm);
        button(signOnWindow(), "signOnButton")->click();
    }

    // Keys a line on the sale panel through its controls.
    void addLine(const QString& hwh, const QString& quantity) {
        edit(mainWindow(), "goodsNumber")->setText(hwh);
        edit(mainWindow(), "quantity")->setText(quantity);
        button(mainWindow(), "addLineButton")->click();
    }

    bool ended() const { return windows->mainWindow().programEnded(); }

    // Made as the program makes them (main.cpp).
    std::unique_ptr<TillSession> session;
    std::unique_ptr<TillWindows> windows;
    std::unique_ptr<QSignalSpy> quit;
};

inline TillSession& session() {
    if (!currentRun())
        qFatal("no till is running");
    return *currentRun()->session;
}

inline TillWindows& windows() {
    if (!currentRun())
        qFatal("no till is running");
    return *currentRun()->windows;
}

inline QVariant scalar(storedb::Db& db, const QString& sql, const storedb::Params& params = {}) {
    QSqlQuery q = db.exec(QStringLiteral("test"), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

inline int count(storedb::Db& db, const QString& sql, const storedb::Params& params = {}) {
    return scalar(db, sql, params).toInt();
}

} // namespace tilltest
