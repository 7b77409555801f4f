// The back office's frame: start-up, the locked functions, the administrator
// sign-on, and every menu entry and tool button opening its window.

#include "admin/aboutwindow.h"
#include "admin/analysisprogresswindow.h"
#include "admin/correctionwindow.h"
#include "admin/goodsconfigwindow.h"
#include "admin/monitorwindow.h"
#include "admin/personnelwindow.h"
#include "admin/profitwindow.h"
#include "admin/purchasequerywindow.h"
#include "admin/salesquerywindow.h"
#include "admin/settlementwindow.h"
#include "admin/statisticswindow.h"
#include "admin/stockwindow.h"
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
    return ctl<QTabWidget>(window, "pages");
}
QTableView* grid(const QObject* window, const char* name) {
    return ctl<QTableView>(window, name);
}

QList<QWidget*> toolWindows(const admin::AdminWindows& s) {
    return {&s.stockWindow(),      &s.configurationWindow(), &s.personnelWindow(),
            &s.settlementWindow(), &s.correctionWindow(),    &s.aboutWindow(),
            &s.salesQueryWindow(), &s.purchaseQueryWindow(), &s.registrationWindow(),
            &s.monitorWindow(),    &s.statisticsWindow(),    &s.analysisProgressWindow(),
            &s.profitWindow()};
}

QWidget* onlyVisibleToolWindow(const admin::AdminWindows& s) {
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

void hideToolWindows(const admin::AdminWindows& s) {
    for (QWidget* w : toolWindows(s))
        w->hide();
}

QStringList disabledNames(const admin::MainWindow& main) {
    QStringList names;
    for (QAction* action : ctl<QMenuBar>(&main, "mainMenu")->actions()) {
        if (!action->isEnabled())
            names << action->objectName();
    }
    for (QToolButton* button : ctl<QWidget>(&main, "toolBar")->findChildren<QToolButton*>()) {
        if (!button->isEnabled())
            names << button->objectName();
    }
    names.sort();
    return names;
}

QStringList lockedNames() {
    QStringList names{"goodsMenu",           "takingsMenu",         "queryMenu",
                      "stockAnalysisAction", "statisticsMenu",      "personnelMenu",
                      "configurationMenu",   "tillsMenu",           "stockInButton",
                      "stockOutButton",      "correctionButton",    "settlementButton",
                      "purchaseQueryButton", "stockAnalysisButton", "tillRegistrationButton",
                      "statisticsButton",    "personnelButton",     "configurationButton",
                      "salesQueryButton",    "monitorButton",       "profitEstimateButton"};
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
    explicit Windows(const admin::AdminWindows& s)
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
        const Windows w(office.windows());
        QVERIFY(!w.mainform->isVisible());
        for (QWidget* window : toolWindows(office.windows()))
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        QVERIFY(!office.windows().loginWindow()); // created by the first show only
        QCOMPARE(w.mainform->windowTitle(), QString("Orvani系统--服务器端"));
        // No display name of the program's own: under X11 Qt would append it to
        // every window's caption.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(w.mainform->statusText(), QString("状态:未登录     "));

        office.start();
        admin::LoginWindow* const dlForm = office.windows().loginWindow();
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().isConnected());
        QVERIFY(office.session().administrator().isEmpty());

        // A locked menu does not drop down, and its entries' keys do nothing.
        office.activateMain();
        QMenuBar* bar = ctl<QMenuBar>(w.mainform, "mainMenu");
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(office.action("goodsMenu")).center());
        QVERIFY(!office.menu("goodsMenu")->isVisible());
        for (const char* keys :
             {"Ctrl+R", "Ctrl+C", "Ctrl+S", "Ctrl+P", "Ctrl+A", "Ctrl+J", "Ctrl+B"})
            QTest::keySequence(w.mainform, QKeySequence(QString::fromLatin1(keys)));
        QCOMPARE(onlyVisibleToolWindow(office.windows()), nullptr);
        for (QWidget* window : toolWindows(office.windows()))
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));

        // About works, and reads the computer's name on every show.
        qputenv("TAVO_TERMINAL_NAME", "  office-pc \t");
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(office.action("aboutAction")).center());
        QVERIFY(w.helpform->isVisible());
        QCOMPARE(ctl<QLabel>(w.helpform, "computerNameLabel")->text(), QString("office-pc"));
        button(w.helpform, "closeButton")->click();
        QVERIFY(!w.helpform->isVisible());
        qputenv("TAVO_TERMINAL_NAME", "renamed-pc");
        office.action("aboutAction")->trigger();
        QCOMPARE(ctl<QLabel>(w.helpform, "computerNameLabel")->text(), QString("renamed-pc"));
        qunsetenv("TAVO_TERMINAL_NAME");

        // Exit ends the program's loop at once, from the menu and the tool bar.
        QCOMPARE(runLoop([&] { office.action("exitAction")->trigger(); }), 0);
        QCOMPARE(runLoop([&] { office.toolButton("exitButton")->click(); }), 0);
        // Closing the main window ends it too, though the login window is up.
        QVERIFY(dlForm->isVisible());
        QCOMPARE(runLoop([&] { w.mainform->close(); }), 0);
        QVERIFY(office.responder.shown().isEmpty());
    }

    void signOnRefusesWrongInputThenUnlocksExactlyTheLockedSet() {
        AdminFixture office;
        const Windows w(office.windows());
        office.store.db().exec("add administrator", "insert into glyb values('9','李明','secret')");
        office.start();
        admin::LoginWindow* const dlForm = office.windows().loginWindow();
        QCOMPARE(dlForm->windowTitle(), QString("管理员登录"));
        QCOMPARE(edit(dlForm, "password")->echoMode(), QLineEdit::Password);
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "administratorNumber"));

        // Wrong password, then a number nobody has: the same refusal.
        office.typeLogin("9", "Secret");
        button(dlForm, "signOnButton")->click();
        QCOMPARE(office.responder.shown(), QStringList{kWrongInput});
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "password"));
        QCOMPARE(edit(dlForm, "administratorNumber")->text(), QString("9"));
        QCOMPARE(edit(dlForm, "password")->text(), QString("Secret"));
        office.typeLogin("10", "secret");
        button(dlForm, "signOnButton")->click();
        office.typeLogin("9 ", "secret"); // the number is passed as typed
        button(dlForm, "signOnButton")->click();
        QCOMPARE(office.responder.shown(), (QStringList{kWrongInput, kWrongInput, kWrongInput}));
        QVERIFY(dlForm->isVisible());
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
        QCOMPARE(w.mainform->statusText(), QString("状态:未登录     "));

        // The right one, typed with Enter moving along the boxes.
        office.responder.clear();
        edit(dlForm, "administratorNumber")->clear();
        edit(dlForm, "password")->clear();
        dlForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dlForm));
        edit(dlForm, "administratorNumber")->setFocus();
        QTest::keyClicks(edit(dlForm, "administratorNumber"), "9");
        QTest::keyClick(edit(dlForm, "administratorNumber"), Qt::Key_Return);
        QCOMPARE(dlForm->focusWidget(), edit(dlForm, "password"));
        QTest::keyClicks(edit(dlForm, "password"), "secret");
        QTest::keyClick(edit(dlForm, "password"), Qt::Key_Return);
        QCOMPARE(dlForm->focusWidget(), button(dlForm, "signOnButton"));
        QVERIFY(dlForm->isVisible()); // Enter in the password box only moves on
        QTest::keyClick(button(dlForm, "signOnButton"), Qt::Key_Return);

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
        const Windows w(office.windows());
        office.db().exec("add administrator",
                         "insert into glyb(glyh,glym,mm) values('5','赵六',null)");
        office.start();
        for (const QString& typed : {QString(), QString(" "), QString("null")}) {
            office.typeLogin("5", typed);
            office.loginButton("signOnButton")->click();
        }
        QCOMPARE(office.responder.shown(), (QStringList{kWrongInput, kWrongInput, kWrongInput}));
        QVERIFY(office.login().isVisible());
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
    }

    void cancellingTheLoginAsksAndLeavesTheWindowLocked() {
        AdminFixture office;
        const Windows w(office.windows());
        office.start();
        admin::LoginWindow* const dlForm = office.windows().loginWindow();
        office.typeLogin("1", "12");
        office.responder.answer(false);
        button(dlForm, "cancelButton")->click();
        QCOMPARE(office.responder.asked(), QStringList{"真的要取消登录吗？"});
        QVERIFY(dlForm->isVisible());
        QCOMPARE(edit(dlForm, "administratorNumber")->text(), QString("1"));
        QCOMPARE(edit(dlForm, "password")->text(), QString("12"));

        office.responder.answer(true);
        button(dlForm, "cancelButton")->click();
        QVERIFY(!dlForm->isVisible());
        QCOMPARE(office.responder.asked().size(), 2);
        QCOMPARE(disabledNames(*w.mainform), lockedNames());
        QVERIFY(office.session().administrator().isEmpty());
    }

    void theLoginWindowCannotBeClosedFromItsFrame() {
        AdminFixture office;
        const Windows w(office.windows());
        office.start();
        admin::LoginWindow* const dlForm = office.windows().loginWindow();
        QVERIFY(!(dlForm->windowFlags() & Qt::WindowCloseButtonHint));
        // Alt+F4 or the window manager: the close request is refused.
        QVERIFY(!dlForm->close());
        QVERIFY(dlForm->isVisible());
        QVERIFY(!dlForm->windowHandle()->close());
        QVERIFY(dlForm->isVisible());
    }

    void ctrlSAndCtrlUGoToTheIncomingGoodsQuery() {
        AdminFixture office;
        const Windows w(office.windows());
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
        QVERIFY(office.action("salesByGoodsAction")->text().endsWith("\tCtrl+S"));
        QVERIFY(office.action("salesByCategoryAction")->text().endsWith("\tCtrl+U"));
    }

    void stockInAndOutModesKeepTheOtherEntryDisabledUntilClosed() {
        AdminFixture office;
        const Windows w(office.windows());
        office.start();
        office.signOn();

        office.action("stockOutAction")->trigger();
        QVERIFY(w.spglForm->isVisible());
        QCOMPARE(ctl<QGroupBox>(w.spglForm, "movementBox")->title(), QString("商品出库"));
        QCOMPARE(ctl<QLabel>(w.spglForm, "movementPriceCaption")->text(), QString("出货价     "));
        QVERIFY(!ctl<QLabel>(w.spglForm, "unitPriceCaption")->isVisible());
        QVERIFY(!edit(w.spglForm, "unitPrice")->isVisible());
        QVERIFY(!office.action("stockInAction")->isEnabled());
        QVERIFY(office.action("stockOutAction")->isEnabled());

        office.toolButton("stockInButton")->click();
        QCOMPARE(ctl<QGroupBox>(w.spglForm, "movementBox")->title(), QString("商品入库"));
        QCOMPARE(ctl<QLabel>(w.spglForm, "movementPriceCaption")->text(), QString("入货价    "));
        QVERIFY(ctl<QLabel>(w.spglForm, "unitPriceCaption")->isVisible());
        QVERIFY(edit(w.spglForm, "unitPrice")->isVisible());
        QVERIFY(!office.action("stockInAction")->isEnabled());
        QVERIFY(!office.action("stockOutAction")->isEnabled());
        QVERIFY(office.toolButton("stockInButton")->isEnabled());
        QVERIFY(office.toolButton("stockOutButton")->isEnabled());

        button(w.spglForm, "exitButton")->click(); // 退出
        QVERIFY(!w.spglForm->isVisible());
        QVERIFY(office.action("stockInAction")->isEnabled());
        QVERIFY(office.action("stockOutAction")->isEnabled());

        // The frame's close box does the same.
        office.toolButton("stockOutButton")->click();
        QVERIFY(!office.action("stockInAction")->isEnabled());
        QVERIFY(w.spglForm->close());
        QVERIFY(office.action("stockInAction")->isEnabled());
        QVERIFY(office.responder.shown().isEmpty());
    }

    void everyEntryOpensItsWindowOnItsPage() {
        AdminFixture office;
        const Windows w(office.windows());
        office.start();
        office.signOn();

        struct Entry {
            QObject* trigger; // a menu entry (pressed by its key when it has one) or a tool button
            QWidget* window;
            QTabWidget* pages; // null: the window has none or its page is left alone
            int page;
        };
        const QList<Entry> entries = {
            {office.action("movementCorrectionAction"), w.spxgForm, pagesOf(w.spxgForm), 0},
            {office.action("priceChangeAction"), w.spxgForm, pagesOf(w.spxgForm), 1},
            {office.action("profitEstimateAction"), w.ylform, nullptr, -1},
            {office.action("purchaseByGoodsAction"), w.sprhcxForm, pagesOf(w.sprhcxForm), 1},
            {office.action("purchaseByCategoryAction"), w.sprhcxForm, pagesOf(w.sprhcxForm), 0},
            {office.action("salesByGoodsAction"), w.spckcxForm, pagesOf(w.spckcxForm), 1},
            {office.action("salesByCategoryAction"), w.spckcxForm, pagesOf(w.spckcxForm), 0},
            {office.action("stockAnalysisAction"), w.fxform, nullptr, -1},
            {office.action("statisticsByCategoryAction"), w.ywtjform, pagesOf(w.ywtjform), 0},
            {office.action("statisticsByGoodsAction"), w.ywtjform, pagesOf(w.ywtjform), 1},
            {office.action("tillRegistrationAction"), w.zcform, nullptr, -1},
            {office.action("monitorAction"), w.jkform, nullptr, -1},
            {office.action("aboutAction"), w.helpform, nullptr, -1},
            {office.toolButton("tillRegistrationButton"), w.zcform, nullptr, -1},
            {office.toolButton("monitorButton"), w.jkform, nullptr, -1},
            {office.toolButton("profitEstimateButton"), w.ylform, nullptr, -1},
            {office.toolButton("stockAnalysisButton"), w.fxform, nullptr, -1},
            {office.toolButton("statisticsButton"), w.ywtjform, pagesOf(w.ywtjform), 0},
            {office.toolButton("stockInButton"), w.spglForm, nullptr, -1},
            {office.toolButton("stockOutButton"), w.spglForm, nullptr, -1},
        };
        for (const Entry& e : entries) {
            const QString name = e.trigger->objectName();
            hideToolWindows(office.windows());
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
            QVERIFY2(onlyVisibleToolWindow(office.windows()) == e.window, qPrintable(name));
            if (e.pages)
                QVERIFY2(e.pages->currentIndex() == e.page, qPrintable(name));
            w.spglForm->close();
        }

        // These tool buttons leave the window on whatever page it showed.
        const std::pair<QAbstractButton*, QWidget*> untouched[] = {
            {office.toolButton("correctionButton"), w.spxgForm},
            {office.toolButton("purchaseQueryButton"), w.sprhcxForm},
            {office.toolButton("salesQueryButton"), w.spckcxForm}};
        for (const auto& [button, window] : untouched) {
            auto* pages = window->findChild<QTabWidget*>("pages");
            for (int page : {0, 1}) {
                hideToolWindows(office.windows());
                pages->setCurrentIndex(page);
                button->click();
                QVERIFY2(onlyVisibleToolWindow(office.windows()) == window,
                         qPrintable(button->objectName()));
                QCOMPARE(pages->currentIndex(), page);
            }
        }

        // The configuration window on each of its three pages.
        const std::pair<QObject*, int> config[] = {
            {office.action("categoryConfigurationAction"), 0},
            {office.action("goodsConfigurationAction"), 1},
            {office.action("shopSettingsAction"), 2},
            {office.toolButton("configurationButton"), 0}};
        for (const auto& [entry, page] : config) {
            hideToolWindows(office.windows());
            auto* tabs = w.sppzForm->findChild<QTabWidget*>("pages");
            QVERIFY(tabs);
            tabs->setCurrentIndex(page == 0 ? 1 : 0);
            if (auto* action = qobject_cast<QAction*>(entry))
                action->trigger();
            else
                qobject_cast<QAbstractButton*>(entry)->click();
            QVERIFY2(onlyVisibleToolWindow(office.windows()) == w.sppzForm,
                     qPrintable(entry->objectName()));
            QCOMPARE(tabs->currentIndex(), page);
        }
        QVERIFY(office.responder.shown().isEmpty());
    }

    void settlementAndPersonnelEntriesPrepareTheirLists() {
        AdminFixture office;
        const Windows w(office.windows());
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
        edit(w.yyejsForm, "clerkNumber")->setText("7");
        edit(w.yyejsForm, "clerkName")->setText("王芳");
        edit(w.yyejsForm, "amountDue")->setText("300元");
        office.toolButton("settlementButton")->click();
        QVERIFY(w.yyejsForm->isVisible());
        const QAbstractItemModel* owed = grid(w.yyejsForm, "owedShiftsGrid")->model();
        QVERIFY(owed);
        QCOMPARE(owed->rowCount(), 1);
        QCOMPARE(owed->index(0, 0).data().toString(), QString("7"));
        QCOMPARE(owed->index(0, 2).data().toDouble(), 300.0);
        QCOMPARE(grid(w.yyejsForm, "owedShiftsGrid")->columnWidth(0), 50);
        QCOMPARE(grid(w.yyejsForm, "owedShiftsGrid")->columnWidth(1), 125);
        QCOMPARE(grid(w.yyejsForm, "owedShiftsGrid")->columnWidth(2), 60);
        QVERIFY(edit(w.yyejsForm, "clerkNumber")->text().isEmpty() &&
                edit(w.yyejsForm, "clerkName")->text().isEmpty() &&
                edit(w.yyejsForm, "amountDue")->text().isEmpty());
        // Reopened each time: a shift owed since shows on the next opening.
        addShift(db, "8", 0, 90, 0, storedb::kNotHandedIn);
        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+J"));
        QCOMPARE(grid(w.yyejsForm, "owedShiftsGrid")->model(), owed);
        QCOMPARE(owed->rowCount(), 2);

        // Administrators on page 0 of the personnel window.
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 1); // the clerk page at creation
        QSignalSpy pageChanges(pagesOf(w.rsglForm), &QTabWidget::currentChanged);
        office.toolButton("personnelButton")->click();
        QVERIFY(w.rsglForm->isVisible());
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 0);
        const QAbstractItemModel* people = grid(w.rsglForm, "administratorsGrid")->model();
        QVERIFY(people);
        QCOMPARE(headers(grid(w.rsglForm, "administratorsGrid")),
                 (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(people->rowCount(), 2);
        QCOMPARE(grid(w.rsglForm, "administratorsGrid")->columnWidth(0), 50);
        QCOMPARE(grid(w.rsglForm, "administratorsGrid")->columnWidth(1), 150);

        // Salesclerks on page 1; both grids show the one shared list.
        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+G"));
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 1);
        QCOMPARE(headers(grid(w.rsglForm, "clerksGrid")), (QStringList{"售货员号", "售货员名"}));
        QCOMPARE(people->rowCount(), 2);
        QCOMPARE(grid(w.rsglForm, "clerksGrid")->model(),
                 grid(w.rsglForm, "administratorsGrid")->model());
        QCOMPARE(grid(w.rsglForm, "clerksGrid")->columnWidth(0), 50);
        QCOMPARE(grid(w.rsglForm, "clerksGrid")->columnWidth(1), 150);

        office.activateMain();
        QTest::keySequence(w.mainform, QKeySequence("Ctrl+A"));
        QCOMPARE(pagesOf(w.rsglForm)->currentIndex(), 0);
        QCOMPARE(headers(grid(w.rsglForm, "administratorsGrid")),
                 (QStringList{"管理员号", "管理员名"}));
        QCOMPARE(pageChanges.count(), 0);
    }

    void statusBarShowsHintsAndTheClock() {
        AdminFixture office;
        const Windows w(office.windows());
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
        QTest::mouseMove(office.toolButton("settlementButton"), QPoint(10, 10));
        QTRY_COMPARE(hint->text(), QString("营业额结算"));
        QVERIFY(w.mainform->statusBar()->currentMessage().isEmpty());
        QVERIFY(hint->isVisible());

        // A highlighted menu entry's hint; "其它配置(Q)" has none, so the
        // panel keeps what it showed.
        office.menu("configurationMenu")->popup(w.mainform->mapToGlobal(QPoint(100, 100)));
        QVERIFY(QTest::qWaitForWindowExposed(office.menu("configurationMenu")));
        office.menu("configurationMenu")
            ->setActiveAction(office.action("goodsConfigurationAction"));
        QTRY_COMPARE(hint->text(), QString("具体商品配置"));
        office.menu("configurationMenu")->setActiveAction(office.action("shopSettingsAction"));
        QTest::qWait(50);
        QCOMPARE(hint->text(), QString("具体商品配置"));
        office.menu("configurationMenu")->hide();
        QVERIFY(w.mainform->statusBar()->currentMessage().isEmpty());
    }

    // Each panel is as wide as its text, whatever the font: a clock cut off
    // after the hour tells nobody the time.
    void statusPanelsFitTheirText() {
        AdminFixture office;
        const Windows w(office.windows());
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
            const Windows w(office.windows());
            if (!link.isEmpty()) {
                QFile file(office.store.folder() + "/link.udl");
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(link);
            }
            QCOMPARE(runLoop([&] { office.windows().start(); }), 1);
            QCOMPARE(office.responder.shown(), QStringList{kConnectionError});
            QVERIFY(office.session().startupFailed());
            QVERIFY(!office.windows().loginWindow());
        }
    }
};

STORE_TEST_MAIN(TestAdminMain)
#include "tst_adminmain.moc"
