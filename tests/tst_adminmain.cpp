// The back office's frame: start-up, the locked functions, the administrator
// sign-on, and every menu entry and tool button opening its window.

#include "admin/analysisprogresswindow.h"
#include "admin/aboutwindow.h"
#include "admin/monitorwindow.h"
#include "admin/personnelwindow.h"
#include "admin/salesquerywindow.h"
#include "admin/stockwindow.h"
#include "admin/goodsconfigwindow.h"
#include "admin/purchasequerywindow.h"
#include "admin/correctionwindow.h"
#include "admin/profitwindow.h"
#include "admin/statisticswindow.h"
#include "admin/settlementwindow.h"
#include "admin/tillregistrationwindow.h"
#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "support/adminfixture.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>

using namespace testsupport;

namespace {

const QString kWrongInput = QStringLiteral("你的输入有误，请重新输入！");
const QString kConnectionError = QStringLiteral("数据库连接错误,请检查！程序将自动关闭！");

QLineEdit* edit(const QObject* window, const char* name) {
    return ctl<QLineEdit>(window, name);
}
QPushButton* button(const QObject* window, const char* name) {
    return ctl<QPushButton>(window, name);
}
QTabWidget* pagesOf(const QObject* window) {
    return ctl<QTabWidget>(window, "PageControl1");
}
QTableView* grid(const QObject* window, const char* name) {
    return ctl<QTableView>(window, name);
}

QList<QWidget*> toolWindows(const admin::AdminSession& s) {
    return {&s.stockWindow(),      &s.configurationWindow(), &s.personnelWindow(),
            &s.settlementWindow(), &s.correctionWindow(),    &s.aboutWindow(),
            &s.salesQueryWindow(), &s.purchaseQueryWindow(), &s.registrationWindow(),
            &s.monitorWindow(),    &s.statisticsWindow(),    &s.analysisProgressWindow(),
            &s.profitWindow()};
}

QWidget* onlyVisibleToolWindow(const admin::AdminSession& s) {
    QWidget* found = nullptr;
    for (QWidget* w : toolWindows(s)) {
        if (w->isVisible()) {
            if (found)
                return nullptr;
            found = w;
        }
    }
    return found;
}

void hideToolWindows(const admin::AdminSession& s) {
    for (QWidget* w : toolWindows(s))
        w->hide();
}

QStringList disabledNames(const admin::MainWindow& main) {
    QStringList names;
    for (QAction* action : ctl<QMenuBar>(&main, "MainMenu1")->actions()) {
        if (!action->isEnabled())
            names << action->objectName();
    }
    for (QToolButton* button : ctl<QWidget>(&main, "ToolBar1")->findChildren<QToolButton*>()) {
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

// The program's windows by the names the system gives them.
struct Windows {
    explicit Windows(const admin::AdminSession& s)
        : mainform(&s.mainWindow()), spglForm(&s.stockWindow()), sppzForm(&s.configurationWindow()),
          rsglForm(&s.personnelWindow()), yyejsForm(&s.settlementWindow()),
          spxgForm(&s.correctionWindow()), helpform(&s.aboutWindow()),
          spckcxForm(&s.salesQueryWindow()), sprhcxForm(&s.purchaseQueryWindow()),
          zcform(&s.registrationWindow()), jkform(&s.monitorWindow()),
          ywtjform(&s.statisticsWindow()), fxform(&s.analysisProgressWindow()),
          ylform(&s.profitWindow()) {}
    admin::MainWindow* mainform;
    admin::StockWindow* spglForm;
    admin::GoodsConfigWindow* sppzForm;
    admin::PersonnelWindow* rsglForm;
    admin::SettlementWindow* yyejsForm;
    admin::CorrectionWindow* spxgForm;
    admin::AboutWindow* helpform;
    admin::SalesQueryWindow* spckcxForm;
    admin::PurchaseQueryWindow* sprhcxForm;
    admin::TillRegistrationWindow* zcform;
    admin::MonitorWindow* jkform;
    admin::StatisticsWindow* ywtjform;
    admin::AnalysisProgressWindow* fxform;
    admin::ProfitWindow* ylform;
};

} // namespace

class TestAdminMain : public QObject {
    Q_OBJECT

  private slots:
    void startsLockedWithOnlyAboutAndExitWorking() {
        AdminFixture office;
        const Windows w(office.session());
        QVERIFY(!w.mainform->isVisible());
        for (QWidget* window : toolWindows(office.session()))
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        QVERIFY(!office.session().loginWindow()); // created by the first show only
        QCOMPARE(w.mainform->windowTitle(), QString("Orvani系统--服务器端"));
        // No display name of the program's own: under X11 Qt would append it to
        // every window's caption.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(w.mainform->statusText(), QString("状态:未登录     "));

        office.start();
        admin::LoginWindow* const dlForm = office.session().loginWindow();
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().isConnected());
        QVERIFY(office.session().administrator().isEmpty());

        // A locked menu does not drop down, and its entries' keys do nothing.
        office.activateMain();
        QMenuBar* bar = ctl<QMenuBar>(w.mainform, "MainMenu1");
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(office.action("N1")).center());
        QVERIFY(!office.menu("N1")->isVisible());
        for (const char* keys :
             {"Ctrl+R", "Ctrl+C", "Ctrl+S", "Ctrl+P", "Ctrl+A", "Ctrl+J", "Ctrl+B"})
            QTest::keySequence(w.mainform, QKeySequence(QString::fromLatin1(keys)));
        QCOMPARE(onlyVisibleToolWindow(office.session()), nullptr);
        for (QWidget* window : toolWindows(office.session()))
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));

        // About works, and reads the computer's name on every show.
        qputenv("TAVO_TERMINAL_NAME", "  office-pc \t");
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(office.action("N25")).center());
        QVERIFY(w.helpform->isVisible());
        QCOMPARE(ctl<QLabel>(w.helpform, "jsj")->text(), QString("office-pc"));
        button(w.helpform, "BitBtn1")->click();
        QVERIFY(!w.helpform->isVisible());
        qputenv("TAVO_TERMINAL_NAME", "renamed-pc");
        office.action("N25")->trigger();
        QCOMPARE(ctl<QLabel>(w.helpform, "jsj")->text(), QString("renamed-pc"));
        qunsetenv("TAVO_TERMINAL_NAME");

        // Exit ends the program's loop at once, from the menu and the tool bar.
        QCOMPARE(runLoop([&] { office.action("N21")->trigger(); }), 0);
        QCOMPARE(runLoop([&] { office.toolButton("ToolButton20")->click(); }), 0);
        // Closing the main window ends it too, though the login window is up.
        QVERIFY(dlForm->isVisible());
        QCOMPARE(runLoop([&] { w.mainform->close(); }), 0);
        QVERIFY(office.responder.shown().isEmpty());
    }

    void signOnRefusesWrongInputThenUnlocksExactlyTheLockedSet() {
        AdminFixture office;
        const Windows w(office.session());
        office.store.db().exec("add administrator", "insert into glyb values('9','李明','secret')");
        office.start();
        admin::LoginWindow* const dlForm = office.session().loginWindow();
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
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
        QCOMPARE(w.mainform->statusText(), QString("状态:未登录     "));

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
        QVERIFY(disabledNames(*w.mainform).isEmpty());
        QCOMPARE(office.session().administrator(), QString("9"));
        QCOMPARE(w.mainform->statusText(), QString("状态:管理员李明登录成功"));
        // The keyboard goes back to the main window, so its Ctrl keys work at once.
        QVERIFY(QTest::qWaitForWindowActive(w.mainform));

        // The status text shows once the pointer is over the main window's area.
        QTest::mouseMove(ctl<QAbstractScrollArea>(w.mainform, "ClientArea")->viewport(),
                         QPoint(40, 40));
        QTRY_COMPARE(ctl<QLabel>(w.mainform, "HintPanel")->text(),
                     QString("状态:管理员李明登录成功"));
    }

    // A row whose password is null has no password: nothing typed matches
    // it, the empty box included.
    void aNullPasswordNeverSignsOn() {
        AdminFixture office;
        const Windows w(office.session());
        office.db().exec("add administrator",
                         "insert into glyb(glyh,glym,mm) values('5','赵六',null)");
        office.start();
        for (const QString& typed : {QString(), QString(" "), QString("null")}) {
            office.typeLogin("5", typed);
            office.loginButton("BitBtn1")->click();
        }
        QCOMPARE(office.responder.shown(), (QStringList{kWrongInput, kWrongInput, kWrongInput}));
        QVERIFY(office.login().isVisible());
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
    }

    void cancellingTheLoginAsksAndLeavesTheWindowLocked() {
        AdminFixture office;
        const Windows w(office.session());
        office.start();
        admin::LoginWindow* const dlForm = office.session().loginWindow();
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
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
    }

    void theLoginWindowCannotBeClosedFromItsFrame() {
        AdminFixture office;
        const Windows w(office.session());
        office.start();
        admin::LoginWindow* const dlForm = office.session().loginWindow();
        QVERIFY(!(dlForm->windowFlags() & Qt::WindowCloseButtonHint));
        // Alt+F4 or the window manager: the close request is refused.
        QVERIFY(!dlForm->close());
        QVERIFY(dlForm->isVisible());
        QVERIFY(!dlForm->windowHandle()->close());
        QVERIFY(dlForm->isVisible());
    }

    void ctrlSAndCtrlUGoToTheIncomingGoodsQuery() {
        AdminFixture office;
        const Windows w(office.session());
        office.start();
        office.signOn();
        office.activateMain();
        QSignalSpy pageChanges(pagesOf(w.sprhcxForm), &QTabWidget::currentChanged);

        QTest::keySequence(w.mainform, QKeySequence("Ctrl+S"));
        QVERIFY(w.sprhcxForm->isVisible());
        QCOMPARE(pagesOf(w.sprhcxForm)->currentIndex(), 1);
        QVERIFY(!w.spckcxForm->isVisible());

        w.sprhcxForm->hide();
        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+U"));
        QVERIFY(w.sprhcxForm->isVisible());
        QCOMPARE(pagesOf(w.sprhcxForm)->currentIndex(), 0);
        QVERIFY(!w.spckcxForm->isVisible());
        // Choosing the page from outside is not the user changing pages.
        QCOMPARE(pageChanges.count(), 0);

        // The sales query entries show the same keys in the menu.
        QVERIFY(office.action("N29")->text().endsWith("\tCtrl+S"));
        QVERIFY(office.action("N28")->text().endsWith("\tCtrl+U"));
    }

    void stockInAndOutModesKeepTheOtherEntryDisabledUntilClosed() {
        AdminFixture office;
        const Windows w(office.session());
        office.start();
        office.signOn();

        office.action("N7")->trigger();
        QVERIFY(w.spglForm->isVisible());
        QCOMPARE(ctl<QGroupBox>(w.spglForm, "GroupBox1")->title(), QString("商品出库"));
        QCOMPARE(ctl<QLabel>(w.spglForm, "Label7")->text(), QString("出货价     "));
        QVERIFY(!ctl<QLabel>(w.spglForm, "Label8")->isVisible());
        QVERIFY(!edit(w.spglForm, "Edit3")->isVisible());
        QVERIFY(!office.action("N6")->isEnabled());
        QVERIFY(office.action("N7")->isEnabled());

        office.toolButton("ToolButton1")->click();
        QCOMPARE(ctl<QGroupBox>(w.spglForm, "GroupBox1")->title(), QString("商品入库"));
        QCOMPARE(ctl<QLabel>(w.spglForm, "Label7")->text(), QString("入货价    "));
        QVERIFY(ctl<QLabel>(w.spglForm, "Label8")->isVisible());
        QVERIFY(edit(w.spglForm, "Edit3")->isVisible());
        QVERIFY(!office.action("N6")->isEnabled());
        QVERIFY(!office.action("N7")->isEnabled());
        QVERIFY(office.toolButton("ToolButton1")->isEnabled());
        QVERIFY(office.toolButton("ToolButton2")->isEnabled());

        button(w.spglForm, "BitBtn3")->click(); // 退出
        QVERIFY(!w.spglForm->isVisible());
        QVERIFY(office.action("N6")->isEnabled());
        QVERIFY(office.action("N7")->isEnabled());

        // The frame's close box does the same.
        office.toolButton("ToolButton2")->click();
        QVERIFY(!office.action("N6")->isEnabled());
        QVERIFY(w.spglForm->close());
        QVERIFY(office.action("N6")->isEnabled());
        QVERIFY(office.responder.shown().isEmpty());
    }

    void everyEntryOpensItsWindowOnItsPage() {
        AdminFixture office;
        const Windows w(office.session());
        office.start();
        office.signOn();

        struct Entry {
            QObject* trigger; // a menu entry (pressed by its key when it has one) or a tool button
            QWidget* window;
            QTabWidget* pages; // null: the window has none or its page is left alone
            int page;
        };
        const QList<Entry> entries = {
            {office.action("N30"), w.spxgForm, pagesOf(w.spxgForm), 0},
            {office.action("D1"), w.spxgForm, pagesOf(w.spxgForm), 1},
            {office.action("N35"), w.ylform, nullptr, -1},
            {office.action("N27"), w.sprhcxForm, pagesOf(w.sprhcxForm), 1},
            {office.action("N26"), w.sprhcxForm, pagesOf(w.sprhcxForm), 0},
            {office.action("N29"), w.spckcxForm, pagesOf(w.spckcxForm), 1},
            {office.action("N28"), w.spckcxForm, pagesOf(w.spckcxForm), 0},
            {office.action("N4"), w.fxform, nullptr, -1},
            {office.action("N12"), w.ywtjform, pagesOf(w.ywtjform), 0},
            {office.action("N13"), w.ywtjform, pagesOf(w.ywtjform), 1},
            {office.action("M1"), w.zcform, nullptr, -1},
            {office.action("N33"), w.jkform, nullptr, -1},
            {office.action("N25"), w.helpform, nullptr, -1},
            {office.toolButton("ToolButton8"), w.zcform, nullptr, -1},
            {office.toolButton("ToolButton17"), w.jkform, nullptr, -1},
            {office.toolButton("ToolButton18"), w.ylform, nullptr, -1},
            {office.toolButton("ToolButton7"), w.fxform, nullptr, -1},
            {office.toolButton("ToolButton9"), w.ywtjform, pagesOf(w.ywtjform), 0},
            {office.toolButton("ToolButton1"), w.spglForm, nullptr, -1},
            {office.toolButton("ToolButton2"), w.spglForm, nullptr, -1},
        };
        for (const Entry& e : entries) {
            const QString name = e.trigger->objectName();
            hideToolWindows(office.session());
            if (e.pages)
                e.pages->setCurrentIndex(1 - e.page);
            auto* action = qobject_cast<QAction*>(e.trigger);
            if (action && !action->shortcut().isEmpty()) {
                office.activateMain();
                QTest::keySequence(w.mainform, action->shortcut());
            } else if (action) {
                action->trigger();
            } else {
                qobject_cast<QAbstractButton*>(e.trigger)->click();
            }
            QVERIFY2(onlyVisibleToolWindow(office.session()) == e.window, qPrintable(name));
            if (e.pages)
                QVERIFY2(e.pages->currentIndex() == e.page, qPrintable(name));
            w.spglForm->close();
        }

        // These tool buttons leave the window on whatever page it showed.
        const std::pair<QAbstractButton*, QWidget*> untouched[] = {
            {office.toolButton("ToolButton3"), w.spxgForm},
            {office.toolButton("ToolButton5"), w.sprhcxForm},
            {office.toolButton("ToolButton16"), w.spckcxForm}};
        for (const auto& [button, window] : untouched) {
            auto* pages = window->findChild<QTabWidget*>("PageControl1");
            for (int page : {0, 1}) {
                hideToolWindows(office.session());
                pages->setCurrentIndex(page);
                button->click();
                QVERIFY2(onlyVisibleToolWindow(office.session()) == window,
                         qPrintable(button->objectName()));
                QCOMPARE(pages->currentIndex(), page);
            }
        }

        // The configuration window on each of its three pages.
        const std::pair<QObject*, int> config[] = {{office.action("N19"), 0},
                                                   {office.action("N20"), 1},
                                                   {office.action("N38"), 2},
                                                   {office.toolButton("ToolButton13"), 0}};
        for (const auto& [entry, page] : config) {
            hideToolWindows(office.session());
            auto* tabs = w.sppzForm->findChild<QTabWidget*>("PageControl1");
            QVERIFY(tabs);
            tabs->setCurrentIndex(page == 0 ? 1 : 0);
            if (auto* action = qobject_cast<QAction*>(entry))
                action->trigger();
            else
                qobject_cast<QAbstractButton*>(entry)->click();
            QVERIFY2(onlyVisibleToolWindow(office.session()) == w.sppzForm,
                     qPrintable(entry->objectName()));
            QCOMPARE(tabs->currentIndex(), page);
        }
        QVERIFY(office.responder.shown().isEmpty());
    }

    void settlementAndPersonnelEntriesPrepareTheirLists() {
        AdminFixture office;
        const Windows w(office.session());
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
        edit(w.yyejsForm, "Edit1")->setText("7");
        edit(w.yyejsForm, "Edit2")->setText("王芳");
        edit(w.yyejsForm, "Edit3")->setText("300元");
        office.toolButton("ToolButton4")->click();
        QVERIFY(w.yyejsForm->isVisible());
        const QAbstractItemModel* owed = grid(w.yyejsForm, "DBGrid1")->model();
        QVERIFY(owed);
        QCOMPARE(owed->rowCount(), 1);
        QCOMPARE(owed->index(0, 0).data().toString(), QString("7"));
        QCOMPARE(owed->index(0, 2).data().toDouble(), 300.0);
        QCOMPARE(grid(w.yyejsForm, "DBGrid1")->columnWidth(0), 50);
        QCOMPARE(grid(w.yyejsForm, "DBGrid1")->columnWidth(1), 125);
        QCOMPARE(grid(w.yyejsForm, "DBGrid1")->columnWidth(2), 60);
        QVERIFY(edit(w.yyejsForm, "Edit1")->text().isEmpty() &&
                edit(w.yyejsForm, "Edit2")->text().isEmpty() &&
                edit(w.yyejsForm, "Edit3")->text().isEmpty());
        // Reopened each time: a shift owed since shows on the next opening.
        addShift(db, "8", 0, 90, 0, storedb::kNotHandedIn);
        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+J"));
        QCOMPARE(grid(w.yyejsForm, "DBGrid1")->model(), owed);
        QCOMPARE(owed->rowCount(), 2);

        // Administrators on page 0 of the personnel window.
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 1); // the clerk page at creation
        QSignalSpy pageChanges(pagesOf(w.rsglForm), &QTabWidget::currentChanged);
        office.toolButton("ToolButton11")->click();
        QVERIFY(w.rsglForm->isVisible());
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 0);
        const QAbstractItemModel* people = grid(w.rsglForm, "DBGrid1")->model();
        QVERIFY(people);
        QCOMPARE(headers(grid(w.rsglForm, "DBGrid1")), (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(people->rowCount(), 2);
        QCOMPARE(grid(w.rsglForm, "DBGrid1")->columnWidth(0), 50);
        QCOMPARE(grid(w.rsglForm, "DBGrid1")->columnWidth(1), 150);

        // Salesclerks on page 1; both grids show the one shared list.
        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+G"));
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 1);
        QCOMPARE(headers(grid(w.rsglForm, "DBGrid2")), (QStringList{"售货员号", "售货员名"}));
        QCOMPARE(people->rowCount(), 2);
        QCOMPARE(grid(w.rsglForm, "DBGrid2")->model(), grid(w.rsglForm, "DBGrid1")->model());
        QCOMPARE(grid(w.rsglForm, "DBGrid2")->columnWidth(0), 50);
        QCOMPARE(grid(w.rsglForm, "DBGrid2")->columnWidth(1), 150);

        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+A"));
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 0);
        QCOMPARE(headers(grid(w.rsglForm, "DBGrid1")), (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(pageChanges.count(), 0);
    }

    void statusBarShowsHintsAndTheClock() {
        AdminFixture office;
        const Windows w(office.session());
        QLabel* hint = ctl<QLabel>(w.mainform, "HintPanel");
        QLabel* clock = ctl<QLabel>(w.mainform, "ClockPanel");
        QVERIFY(clock->text().isEmpty()); // the first tick comes after a second
        office.start();
        office.signOn();

        QTRY_VERIFY_WITH_TIMEOUT(clock->text().startsWith("系统时间: "), 3000);
        const QString first = clock->text();
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 3000);

        // A tool button's hint while the pointer rests on it; the status bar
        // keeps its two panels.
        QTest::mouseMove(office.toolButton("ToolButton4"), QPoint(10, 10));
        QTRY_COMPARE(hint->text(), QString("营业额结算"));
        QVERIFY(w.mainform->statusBar()->currentMessage().isEmpty());
        QVERIFY(hint->isVisible());

        // A highlighted menu entry's hint; "其它配置(Q)" has none, so the
        // panel keeps what it showed.
        office.menu("N18")->popup(w.mainform->mapToGlobal(QPoint(100, 100)));
        QVERIFY(QTest::qWaitForWindowExposed(office.menu("N18")));
        office.menu("N18")->setActiveAction(office.action("N20"));
        QTRY_COMPARE(hint->text(), QString("具体商品配置"));
        office.menu("N18")->setActiveAction(office.action("N38"));
        QTest::qWait(50);
        QCOMPARE(hint->text(), QString("具体商品配置"));
        office.menu("N18")->hide();
        QVERIFY(w.mainform->statusBar()->currentMessage().isEmpty());
    }

    // Each panel is as wide as its text, whatever the font: a clock cut off
    // after the hour tells nobody the time.
    void statusPanelsFitTheirText() {
        AdminFixture office;
        const Windows w(office.session());
        QLabel* hint = ctl<QLabel>(w.mainform, "HintPanel");
        QLabel* clock = ctl<QLabel>(w.mainform, "ClockPanel");
        office.start();
        office.signOn();
        QTRY_VERIFY_WITH_TIMEOUT(clock->text().startsWith("系统时间: "), 3000);

        const auto fits = [](const QLabel* panel) {
            return panel->contentsRect().width() >=
                   panel->fontMetrics().horizontalAdvance(panel->text());
        };
        for (int pointSize : {9, 16}) {
            QFont font = w.mainform->statusBar()->font();
            font.setPointSize(pointSize);
            w.mainform->statusBar()->setFont(font);
            QTRY_VERIFY2(fits(clock), qPrintable(QString("%1 pt: %2 px for \"%3\"")
                                                     .arg(pointSize)
                                                     .arg(clock->contentsRect().width())
                                                     .arg(clock->text())));
            // The hint takes the rest of the bar, the clock stays at its right.
            QTRY_VERIFY(hint->width() > clock->width());
            QTRY_VERIFY(clock->geometry().right() > w.mainform->statusBar()->width() - 40);
        }
        // A long status text shows whole.
        QTest::mouseMove(ctl<QAbstractScrollArea>(w.mainform, "ClientArea")->viewport(),
                         QPoint(40, 40));
        QTRY_COMPARE(hint->text(), QString("状态:管理员管理员登录成功"));
        QVERIFY(fits(hint));
    }

    void connectionFailureShowsOneMessageAndEndsTheProgram() {
        for (const QByteArray& link :
             {QByteArray(), QByteArray("Provider=Nowhere;Data Source=x\n")}) {
            AdminFixture office(AdminFixture::Link::None);
            const Windows w(office.session());
            if (!link.isEmpty()) {
                QFile file(office.store.folder() + "/link.udl");
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(link);
            }
            QCOMPARE(runLoop([&] { office.session().start(); }), 1);
            QCOMPARE(office.responder.shown(), QStringList{kConnectionError});
            QVERIFY(office.session().startupFailed());
            QVERIFY(!office.session().loginWindow());
        }
    }
};

STORE_TEST_MAIN(TestAdminMain)
#include "tst_adminmain.moc"
