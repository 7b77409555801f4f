// The back office's frame: start-up, the locked functions, the administrator
// sign-on, and every menu entry and tool button opening its window.

#include "admin/data.h"
#include "admin/dlpas.h"
#include "admin/fx.h"
#include "admin/help.h"
#include "admin/jk.h"
#include "admin/mainpas.h"
#include "admin/rsglpas.h"
#include "admin/spckcxpas.h"
#include "admin/spglpas.h"
#include "admin/sppzpas.h"
#include "admin/sprhcxpas.h"
#include "admin/spxg.h"
#include "admin/startup.h"
#include "admin/yl.h"
#include "admin/ywtj.h"
#include "admin/yyejspas.h"
#include "admin/zc.h"
#include "formkit/messages.h"
#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"
#include "support/teststore.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

using namespace admin;
using namespace testsupport;

namespace {

const QString kWrongInput = QStringLiteral("你的输入有误，请重新输入！");
const QString kConnectionError = QStringLiteral("数据库连接错误,请检查！程序将自动关闭！");

// A control of a window, by its name.
template <typename T = QWidget> T* c(const QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("%s has no %s", qPrintable(window->objectName()), name);
    return found;
}
QAction* act(const char* name) {
    return c<QAction>(mainform, name);
}
QToolButton* tb(const char* name) {
    return c<QToolButton>(mainform, name);
}
QMenu* menu(const char* name) {
    return c<QMenu>(mainform, name);
}
QLineEdit* edit(const QObject* window, const char* name) {
    return c<QLineEdit>(window, name);
}
QPushButton* button(const QObject* window, const char* name) {
    return c<QPushButton>(window, name);
}
QTabWidget* pagesOf(const QObject* window) {
    return c<QTabWidget>(window, "PageControl1");
}
QTableView* grid(const QObject* window, const char* name) {
    return c<QTableView>(window, name);
}

// Runs the application's event loop until something ends it; a watchdog ends
// it with 99 so that a window that never exits fails instead of hanging.
int runLoop(std::function<void()> start) {
    QTimer::singleShot(0, qApp, std::move(start));
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    return qApp->exec();
}

// The back office as the program starts it, on a store reached through
// link.udl in its own program directory.
struct Backoffice {
    TestStore store;
    formkit::ScriptedResponder responder;

    explicit Backoffice(bool writeLink = true) {
        if (writeLink)
            store.writeDataLink(store.folder());
        storedb::setProgramDirectory(store.folder());
        initialiseApplication();
        createWindows();
    }
    ~Backoffice() { destroyWindows(); }

    // The first show: connection and login window.
    void start() {
        mainform->show();
        QVERIFY(dlForm);
        QVERIFY(dlForm->isVisible());
    }
    void typeLogin(const QString& glyh, const QString& mm) {
        edit(dlForm, "Edit1")->setText(glyh);
        edit(dlForm, "Edit2")->setText(mm);
    }
    void signOn() {
        typeLogin(storedb::kFirstAdministratorNumber, storedb::kFirstAdministratorPassword);
        button(dlForm, "BitBtn1")->click();
        QVERIFY(!dlForm->isVisible());
        responder.clear();
    }
    // Keyboard shortcuts reach the main window only while it is active.
    void activateMain() {
        mainform->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(mainform));
    }
};

QList<QWidget*> toolWindows() {
    return {spglForm,   sppzForm, rsglForm, yyejsForm, spxgForm, helpform, spckcxForm,
            sprhcxForm, zcform,   jkform,   ywtjform,  fxform,   ylform};
}

QWidget* onlyVisibleToolWindow() {
    QWidget* found = nullptr;
    for (QWidget* w : toolWindows()) {
        if (w->isVisible()) {
            if (found)
                return nullptr;
            found = w;
        }
    }
    return found;
}

void hideToolWindows() {
    for (QWidget* w : toolWindows())
        w->hide();
}

QStringList disabledNames() {
    QStringList names;
    for (QAction* action : c<QMenuBar>(mainform, "MainMenu1")->actions()) {
        if (!action->isEnabled())
            names << action->objectName();
    }
    for (QToolButton* button : c(mainform, "ToolBar1")->findChildren<QToolButton*>()) {
        if (!button->isEnabled())
            names << button->objectName();
    }
    names.sort();
    return names;
}

QStringList lockedNames() {
    QStringList names{"N1",          "N3",           "N22",          "N4",           "N2",
                      "N5",          "N18",          "N32",          "ToolButton1",  "ToolButton2",
                      "ToolButton3", "ToolButton4",  "ToolButton5",  "ToolButton7",  "ToolButton8",
                      "ToolButton9", "ToolButton11", "ToolButton13", "ToolButton16", "ToolButton17",
                      "ToolButton18"};
    names.sort();
    return names;
}

void addShift(storedb::Db& db, const QString& shyh, double qye, double yye, double xye,
              const QString& bj) {
    db.exec("add shift",
            "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj) "
            "values(:shyh,'till-1',:dlsj,:qye,:zxsj,:yye,:xye,:bj)",
            {{"shyh", shyh},
             {"dlsj", storedb::dateTimeParam(QDateTime(QDate(2026, 3, 2), QTime(8, 0)))},
             {"qye", qye},
             {"zxsj", storedb::dateTimeParam(QDateTime(QDate(2026, 3, 2), QTime(18, 0)))},
             {"yye", yye},
             {"xye", xye},
             {"bj", bj}});
}

QStringList headers(QTableView* grid) {
    QStringList titles;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        titles << grid->model()->headerData(c, Qt::Horizontal).toString();
    return titles;
}

} // namespace

class TestAdminMain : public QObject {
    Q_OBJECT

  private slots:
    void startsLockedWithOnlyAboutAndExitWorking() {
        Backoffice office;
        QVERIFY(!mainform->isVisible());
        for (QWidget* w : toolWindows())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
        QVERIFY(!dlForm); // created by the first show only
        QCOMPARE(mainform->windowTitle(), QString("Orvani系统--服务器端"));
        QCOMPARE(QApplication::applicationDisplayName(), QString("服务器端"));
        QCOMPARE(mainform->statusText(), QString("状态:未登录     "));

        office.start();
        QCOMPARE(disabledNames(), lockedNames());
        QVERIFY(DataModule1 && DataModule1->isOpen());
        QVERIFY(DataModule1->signedOnAdministrator().isEmpty());

        // A locked menu does not drop down, and its entries' keys do nothing.
        office.activateMain();
        QMenuBar* bar = c<QMenuBar>(mainform, "MainMenu1");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(act("N1")).center());
        QVERIFY(!menu("N1")->isVisible());
        for (const char* keys :
             {"Ctrl+R", "Ctrl+C", "Ctrl+S", "Ctrl+P", "Ctrl+A", "Ctrl+J", "Ctrl+B"})
            QTest::keySequence(mainform, QKeySequence(QString::fromLatin1(keys)));
        QCOMPARE(onlyVisibleToolWindow(), nullptr);
        for (QWidget* w : toolWindows())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));

        // About works, and reads the computer's name on every show.
        qputenv("TAVO_TERMINAL_NAME", "  office-pc \t");
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(act("N25")).center());
        QVERIFY(helpform->isVisible());
        QCOMPARE(c<QLabel>(helpform, "jsj")->text(), QString("office-pc"));
        button(helpform, "BitBtn1")->click();
        QVERIFY(!helpform->isVisible());
        qputenv("TAVO_TERMINAL_NAME", "renamed-pc");
        act("N25")->trigger();
        QCOMPARE(c<QLabel>(helpform, "jsj")->text(), QString("renamed-pc"));
        qunsetenv("TAVO_TERMINAL_NAME");

        // Exit ends the program's loop at once, from the menu and the tool bar.
        QCOMPARE(runLoop([] { act("N21")->trigger(); }), 0);
        QCOMPARE(runLoop([] { tb("ToolButton20")->click(); }), 0);
        // Closing the main window ends it too, though the login window is up.
        QVERIFY(dlForm->isVisible());
        QCOMPARE(runLoop([] { mainform->close(); }), 0);
        QVERIFY(office.responder.shown().isEmpty());
    }

    void signOnRefusesWrongInputThenUnlocksExactlyTheLockedSet() {
        Backoffice office;
        office.store.db().exec("add administrator", "insert into glyb values('9','李明','secret')");
        office.start();
        QCOMPARE(dlForm->windowTitle(), QString("管理员登录"));
        QCOMPARE(edit(dlForm, "Edit2")->echoMode(), QLineEdit::Password);
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "Edit1"));

        // Wrong password, then a number nobody has: the same refusal.
        office.typeLogin("9", "Secret");
        button(dlForm, "BitBtn1")->click();
        QCOMPARE(office.responder.shown(), QStringList{kWrongInput});
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "Edit2"));
        QCOMPARE(edit(dlForm, "Edit1")->text(), QString("9"));
        QCOMPARE(edit(dlForm, "Edit2")->text(), QString("Secret"));
        office.typeLogin("10", "secret");
        button(dlForm, "BitBtn1")->click();
        office.typeLogin("9 ", "secret"); // the number is passed as typed
        button(dlForm, "BitBtn1")->click();
        QCOMPARE(office.responder.shown(), (QStringList{kWrongInput, kWrongInput, kWrongInput}));
        QVERIFY(dlForm->isVisible());
        QCOMPARE(disabledNames(), lockedNames());
        QVERIFY(DataModule1->signedOnAdministrator().isEmpty());
        QCOMPARE(mainform->statusText(), QString("状态:未登录     "));

        // The right one, typed with Enter moving along the boxes.
        office.responder.clear();
        edit(dlForm, "Edit1")->clear();
        edit(dlForm, "Edit2")->clear();
        dlForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlForm));
        edit(dlForm, "Edit1")->setFocus();
        QTest::keyClicks(edit(dlForm, "Edit1"), "9");
        QTest::keyClick(edit(dlForm, "Edit1"), Qt::Key_Return);
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "Edit2"));
        QTest::keyClicks(edit(dlForm, "Edit2"), "secret");
        QTest::keyClick(edit(dlForm, "Edit2"), Qt::Key_Return);
        QCOMPARE(dlForm->focusWidget(), button(dlForm, "BitBtn1"));
        QVERIFY(dlForm->isVisible()); // Enter in the password box only moves on
        QTest::keyClick(button(dlForm, "BitBtn1"), Qt::Key_Return);

        QCOMPARE(office.responder.shown(), QStringList{"管理员李明登录成功！"});
        QVERIFY(!dlForm->isVisible());
        QVERIFY(disabledNames().isEmpty());
        QCOMPARE(DataModule1->signedOnAdministrator(), QString("9"));
        QCOMPARE(mainform->statusText(), QString("状态:管理员李明登录成功"));
        // The keyboard goes back to the main window, so its Ctrl keys work at once.
        QVERIFY(QTest::qWaitForWindowActive(mainform));

        // The status text shows once the pointer is over the main window's area.
        QTest::mouseMove(c<QAbstractScrollArea>(mainform, "ClientArea")->viewport(),
                         QPoint(40, 40));
        QTRY_COMPARE(mainform->hintPanel->text(), QString("状态:管理员李明登录成功"));
    }

    void cancellingTheLoginAsksAndLeavesTheWindowLocked() {
        Backoffice office;
        office.start();
        office.typeLogin("1", "12");
        office.responder.answer(false);
        button(dlForm, "BitBtn2")->click();
        QCOMPARE(office.responder.asked(), QStringList{"真的要取消登录吗？"});
        QVERIFY(dlForm->isVisible());
        QCOMPARE(edit(dlForm, "Edit1")->text(), QString("1"));
        QCOMPARE(edit(dlForm, "Edit2")->text(), QString("12"));

        office.responder.answer(true);
        button(dlForm, "BitBtn2")->click();
        QVERIFY(!dlForm->isVisible());
        QCOMPARE(office.responder.asked().size(), 2);
        QCOMPARE(disabledNames(), lockedNames());
        QVERIFY(DataModule1->signedOnAdministrator().isEmpty());
    }

    void theLoginWindowCannotBeClosedFromItsFrame() {
        Backoffice office;
        office.start();
        QVERIFY(!(dlForm->windowFlags() & Qt::WindowCloseButtonHint));
        // Alt+F4 or the window manager: the close request is refused.
        QVERIFY(!dlForm->close());
        QVERIFY(dlForm->isVisible());
        QVERIFY(!dlForm->windowHandle()->close());
        QVERIFY(dlForm->isVisible());
    }

    void ctrlSAndCtrlUGoToTheIncomingGoodsQuery() {
        Backoffice office;
        office.start();
        office.signOn();
        office.activateMain();
        QSignalSpy pageChanges(pagesOf(sprhcxForm), &QTabWidget::currentChanged);

        QTest::keySequence(mainform, QKeySequence("Ctrl+S"));
        QVERIFY(sprhcxForm->isVisible());
        QCOMPARE(pagesOf(sprhcxForm)->currentIndex(), 1);
        QVERIFY(!spckcxForm->isVisible());

        sprhcxForm->hide();
        office.activateMain();
        QTest::keySequence(mainform, QKeySequence("Ctrl+U"));
        QVERIFY(sprhcxForm->isVisible());
        QCOMPARE(pagesOf(sprhcxForm)->currentIndex(), 0);
        QVERIFY(!spckcxForm->isVisible());
        // Choosing the page from outside is not the user changing pages.
        QCOMPARE(pageChanges.count(), 0);

        // The sales query entries show the same keys in the menu.
        QVERIFY(act("N29")->text().endsWith("\tCtrl+S"));
        QVERIFY(act("N28")->text().endsWith("\tCtrl+U"));
    }

    void stockInAndOutModesKeepTheOtherEntryDisabledUntilClosed() {
        Backoffice office;
        office.start();
        office.signOn();

        act("N7")->trigger();
        QVERIFY(spglForm->isVisible());
        QCOMPARE(c<QGroupBox>(spglForm, "GroupBox1")->title(), QString("商品出库"));
        QCOMPARE(c<QLabel>(spglForm, "Label7")->text(), QString("出货价     "));
        QVERIFY(!c<QLabel>(spglForm, "Label8")->isVisible());
        QVERIFY(!edit(spglForm, "Edit3")->isVisible());
        QVERIFY(!act("N6")->isEnabled());
        QVERIFY(act("N7")->isEnabled());

        tb("ToolButton1")->click();
        QCOMPARE(c<QGroupBox>(spglForm, "GroupBox1")->title(), QString("商品入库"));
        QCOMPARE(c<QLabel>(spglForm, "Label7")->text(), QString("入货价    "));
        QVERIFY(c<QLabel>(spglForm, "Label8")->isVisible());
        QVERIFY(edit(spglForm, "Edit3")->isVisible());
        QVERIFY(!act("N6")->isEnabled());
        QVERIFY(!act("N7")->isEnabled());
        QVERIFY(tb("ToolButton1")->isEnabled());
        QVERIFY(tb("ToolButton2")->isEnabled());

        button(spglForm, "BitBtn3")->click(); // 退出
        QVERIFY(!spglForm->isVisible());
        QVERIFY(act("N6")->isEnabled());
        QVERIFY(act("N7")->isEnabled());

        // The frame's close box does the same.
        tb("ToolButton2")->click();
        QVERIFY(!act("N6")->isEnabled());
        QVERIFY(spglForm->close());
        QVERIFY(act("N6")->isEnabled());
        QVERIFY(office.responder.shown().isEmpty());
    }

    void everyEntryOpensItsWindowOnItsPage() {
        Backoffice office;
        office.start();
        office.signOn();

        struct Entry {
            QObject* trigger; // a menu entry (pressed by its key when it has one) or a tool button
            QWidget* window;
            QTabWidget* pages; // null: the window has none or its page is left alone
            int page;
        };
        const QList<Entry> entries = {
            {act("N30"), spxgForm, pagesOf(spxgForm), 0},
            {act("D1"), spxgForm, pagesOf(spxgForm), 1},
            {act("N35"), ylform, nullptr, -1},
            {act("N27"), sprhcxForm, pagesOf(sprhcxForm), 1},
            {act("N26"), sprhcxForm, pagesOf(sprhcxForm), 0},
            {act("N29"), spckcxForm, pagesOf(spckcxForm), 1},
            {act("N28"), spckcxForm, pagesOf(spckcxForm), 0},
            {act("N4"), fxform, nullptr, -1},
            {act("N12"), ywtjform, pagesOf(ywtjform), 0},
            {act("N13"), ywtjform, pagesOf(ywtjform), 1},
            {act("M1"), zcform, nullptr, -1},
            {act("N33"), jkform, nullptr, -1},
            {act("N25"), helpform, nullptr, -1},
            {tb("ToolButton8"), zcform, nullptr, -1},
            {tb("ToolButton17"), jkform, nullptr, -1},
            {tb("ToolButton18"), ylform, nullptr, -1},
            {tb("ToolButton7"), fxform, nullptr, -1},
            {tb("ToolButton9"), ywtjform, pagesOf(ywtjform), 0},
            {tb("ToolButton1"), spglForm, nullptr, -1},
            {tb("ToolButton2"), spglForm, nullptr, -1},
        };
        for (const Entry& e : entries) {
            const QString name = e.trigger->objectName();
            hideToolWindows();
            if (e.pages)
                e.pages->setCurrentIndex(1 - e.page);
            auto* action = qobject_cast<QAction*>(e.trigger);
            if (action && !action->shortcut().isEmpty()) {
                office.activateMain();
                QTest::keySequence(mainform, action->shortcut());
            } else if (action) {
                action->trigger();
            } else {
                qobject_cast<QAbstractButton*>(e.trigger)->click();
            }
            QVERIFY2(onlyVisibleToolWindow() == e.window, qPrintable(name));
            if (e.pages)
                QVERIFY2(e.pages->currentIndex() == e.page, qPrintable(name));
            spglForm->close();
        }

        // These tool buttons leave the window on whatever page it showed.
        const std::pair<QAbstractButton*, QWidget*> untouched[] = {
            {tb("ToolButton3"), spxgForm},
            {tb("ToolButton5"), sprhcxForm},
            {tb("ToolButton16"), spckcxForm}};
        for (const auto& [button, window] : untouched) {
            auto* pages = window->findChild<QTabWidget*>("PageControl1");
            for (int page : {0, 1}) {
                hideToolWindows();
                pages->setCurrentIndex(page);
                button->click();
                QVERIFY2(onlyVisibleToolWindow() == window, qPrintable(button->objectName()));
                QCOMPARE(pages->currentIndex(), page);
            }
        }

        // The configuration window on each of its three pages.
        const std::pair<QObject*, int> config[] = {
            {act("N19"), 0}, {act("N20"), 1}, {act("N38"), 2}, {tb("ToolButton13"), 0}};
        for (const auto& [entry, page] : config) {
            hideToolWindows();
            auto* tabs = sppzForm->findChild<QTabWidget*>("PageControl1");
            QVERIFY(tabs);
            tabs->setCurrentIndex(page == 0 ? 1 : 0);
            if (auto* action = qobject_cast<QAction*>(entry))
                action->trigger();
            else
                qobject_cast<QAbstractButton*>(entry)->click();
            QVERIFY2(onlyVisibleToolWindow() == sppzForm, qPrintable(entry->objectName()));
            QCOMPARE(tabs->currentIndex(), page);
        }
        QVERIFY(office.responder.shown().isEmpty());
    }

    void settlementAndPersonnelEntriesPrepareTheirLists() {
        Backoffice office;
        storedb::Db& db = office.store.db();
        addClerk(db, "7", "王芳", "7");
        addClerk(db, "8", "赵强", "8");
        db.exec("add administrator", "insert into glyb values('2','李明','x')");
        addShift(db, "7", 100, 300, 100, storedb::kNotHandedIn); // owes 300
        addShift(db, "8", 100, 50, 150, storedb::kNotHandedIn);  // owes nothing
        addShift(db, "8", 100, 80, 100, storedb::kHandedIn);     // settled
        office.start();
        office.signOn();

        // Settlement: the owed shifts, widths 50, 125, 60, boxes cleared.
        edit(yyejsForm, "Edit1")->setText("7");
        edit(yyejsForm, "Edit2")->setText("王芳");
        edit(yyejsForm, "Edit3")->setText("300元");
        tb("ToolButton4")->click();
        QVERIFY(yyejsForm->isVisible());
        QCOMPARE(grid(yyejsForm, "DBGrid1")->model(), DataModule1->DataSourceyyejs);
        QCOMPARE(DataModule1->DataSourceyyejs->rowCount(), 1);
        QCOMPARE(DataModule1->DataSourceyyejs->index(0, 0).data().toString(), QString("7"));
        QCOMPARE(DataModule1->DataSourceyyejs->index(0, 2).data().toDouble(), 300.0);
        QCOMPARE(grid(yyejsForm, "DBGrid1")->columnWidth(0), 50);
        QCOMPARE(grid(yyejsForm, "DBGrid1")->columnWidth(1), 125);
        QCOMPARE(grid(yyejsForm, "DBGrid1")->columnWidth(2), 60);
        QVERIFY(edit(yyejsForm, "Edit1")->text().isEmpty() &&
                edit(yyejsForm, "Edit2")->text().isEmpty() &&
                edit(yyejsForm, "Edit3")->text().isEmpty());
        // Reopened each time: a shift owed since shows on the next opening.
        addShift(db, "8", 0, 90, 0, storedb::kNotHandedIn);
        office.activateMain();
        QTest::keySequence(mainform, QKeySequence("Ctrl+J"));
        QCOMPARE(DataModule1->DataSourceyyejs->rowCount(), 2);

        // Administrators on page 0 of the personnel window.
        QCOMPARE(pagesOf(rsglForm)->currentIndex(), 1); // the clerk page at creation
        QSignalSpy pageChanges(pagesOf(rsglForm), &QTabWidget::currentChanged);
        tb("ToolButton11")->click();
        QVERIFY(rsglForm->isVisible());
        QCOMPARE(pagesOf(rsglForm)->currentIndex(), 0);
        QCOMPARE(grid(rsglForm, "DBGrid1")->model(), DataModule1->DataSourcersgl);
        QCOMPARE(headers(grid(rsglForm, "DBGrid1")), (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(DataModule1->DataSourcersgl->rowCount(), 2);
        QCOMPARE(grid(rsglForm, "DBGrid1")->columnWidth(0), 50);
        QCOMPARE(grid(rsglForm, "DBGrid1")->columnWidth(1), 150);

        // Salesclerks on page 1; both grids show the one shared list.
        office.activateMain();
        QTest::keySequence(mainform, QKeySequence("Ctrl+G"));
        QCOMPARE(pagesOf(rsglForm)->currentIndex(), 1);
        QCOMPARE(headers(grid(rsglForm, "DBGrid2")), (QStringList{"售货员号", "售货员名"}));
        QCOMPARE(DataModule1->DataSourcersgl->rowCount(), 2);
        QCOMPARE(grid(rsglForm, "DBGrid2")->model(), grid(rsglForm, "DBGrid1")->model());
        QCOMPARE(grid(rsglForm, "DBGrid2")->columnWidth(0), 50);
        QCOMPARE(grid(rsglForm, "DBGrid2")->columnWidth(1), 150);

        office.activateMain();
        QTest::keySequence(mainform, QKeySequence("Ctrl+A"));
        QCOMPARE(pagesOf(rsglForm)->currentIndex(), 0);
        QCOMPARE(headers(grid(rsglForm, "DBGrid1")), (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(pageChanges.count(), 0);
    }

    void statusBarShowsHintsAndTheClock() {
        Backoffice office;
        QCOMPARE(mainform->hintPanel->width(), 630);
        QCOMPARE(mainform->clockPanel->width(), 170);
        QVERIFY(mainform->clockPanel->text().isEmpty()); // the first tick comes after a second
        office.start();
        office.signOn();

        QTRY_VERIFY_WITH_TIMEOUT(mainform->clockPanel->text().startsWith("系统时间: "), 3000);
        const QString first = mainform->clockPanel->text();
        QTRY_VERIFY_WITH_TIMEOUT(mainform->clockPanel->text() != first, 3000);

        // A tool button's hint while the pointer rests on it; the status bar
        // keeps its two panels.
        QTest::mouseMove(tb("ToolButton4"), QPoint(10, 10));
        QTRY_COMPARE(mainform->hintPanel->text(), QString("营业额结算"));
        QVERIFY(mainform->statusBar()->currentMessage().isEmpty());
        QVERIFY(mainform->hintPanel->isVisible());

        // A highlighted menu entry's hint; "其它配置(Q)" has none, so the
        // panel keeps what it showed.
        menu("N18")->popup(mainform->mapToGlobal(QPoint(100, 100)));
        QVERIFY(QTest::qWaitForWindowExposed(menu("N18")));
        menu("N18")->setActiveAction(act("N20"));
        QTRY_COMPARE(mainform->hintPanel->text(), QString("具体商品配置"));
        menu("N18")->setActiveAction(act("N38"));
        QTest::qWait(50);
        QCOMPARE(mainform->hintPanel->text(), QString("具体商品配置"));
        menu("N18")->hide();
        QVERIFY(mainform->statusBar()->currentMessage().isEmpty());
    }

    void connectionFailureShowsOneMessageAndEndsTheProgram() {
        for (const QByteArray& link :
             {QByteArray(), QByteArray("Provider=Nowhere;Data Source=x\n")}) {
            Backoffice office(false);
            if (!link.isEmpty()) {
                QFile file(office.store.folder() + "/link.udl");
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(link);
            }
            QCOMPARE(runLoop([] { mainform->show(); }), 1);
            QCOMPARE(office.responder.shown(), QStringList{kConnectionError});
            QVERIFY(mainform->startupFailed());
            QVERIFY(!dlForm);
        }
    }
};

STORE_TEST_MAIN(TestAdminMain)
#include "tst_adminmain.moc"
