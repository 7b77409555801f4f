// The back office worked from the keyboard: the login window takes the
// keyboard at start, and Enter and Esc press the OK and cancel buttons of
// the windows that have them, keys delivered as the window system delivers
// them (to whatever has the keyboard).

#include "admin/aboutwindow.h"
#include "admin/goodsconfigwindow.h"
#include "support/adminfixture.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>

using namespace testsupport;

namespace {

const QString kReallyCancel = QStringLiteral("真的要取消登录吗？");

void waitActive(QWidget* window) {
    QVERIFY(QTest::qWaitForWindowActive(window));
}

} // namespace

class TestAdminKeyboard : public QObject {
    Q_OBJECT

  private slots:
    // The administrator types at once: number, Enter, password, Enter, Enter.
    void theLoginWindowHasTheKeyboardAtStart() {
        AdminFixture office;
        office.start();
        waitActive(&office.login());
        QCOMPARE(QApplication::focusWidget(), office.loginBox("administratorNumber"));

        AdminFixture::typeToKeyboard("1");
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        AdminFixture::typeToKeyboard("1234");
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), office.loginButton("signOnButton"));
        QVERIFY(office.responder.shown().isEmpty());
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        QCOMPARE(office.responder.shown(), QStringList{"管理员管理员登录成功！"});
        QVERIFY(!office.login().isVisible());
        QCOMPARE(office.session().administrator(), QString("1"));
    }

    void escapeAndTheCancelButtonCancelTheLogin() {
        AdminFixture office;
        office.start();
        waitActive(&office.login());
        AdminFixture::typeToKeyboard("12");

        office.responder.answer(false);
        AdminFixture::pressToKeyboard(Qt::Key_Escape);
        QCOMPARE(office.responder.asked(), QStringList{kReallyCancel});
        QVERIFY(office.login().isVisible());
        QCOMPARE(office.loginBox("administratorNumber")->text(), QString("12"));

        // Enter on the focused cancel button presses it, not OK.
        office.loginButton("cancelButton")->setFocus();
        office.responder.answer(false);
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        QCOMPARE(office.responder.shown(), (QStringList{kReallyCancel, kReallyCancel}));

        office.responder.answer(true);
        AdminFixture::pressToKeyboard(Qt::Key_Escape);
        QVERIFY(!office.login().isVisible());
        QVERIFY(office.session().administrator().isEmpty());
        QVERIFY(!office.action("goodsMenu")->isEnabled());
    }

    void enterAndEscapeCloseTheAboutWindow() {
        AdminFixture office;
        office.startAndSignOn();
        admin::AboutWindow& about = office.windows().aboutWindow();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Enter}) {
            office.action("aboutAction")->trigger();
            waitActive(&about);
            AdminFixture::pressToKeyboard(key);
            QVERIFY2(!about.isVisible(), qPrintable(QString::number(key, 16)));
        }
        QVERIFY(office.responder.shown().isEmpty());
    }

    // Each page of the configuration window has its own OK and close
    // buttons; Enter and Esc press those of the page on show, however the
    // page came up (the main window's entry or the user's tab click).
    void configurationPagesAnswerEnterAndEscape() {
        AdminFixture office;
        office.startAndSignOn();
        admin::GoodsConfigWindow& config = office.windows().configurationWindow();
        office.db().exec("settings", "update company set company='小店',welcome='欢迎',sl=5");

        struct Page {
            const char* entry;
            const char* box;   // where Esc is typed
            const char* radio; // a control that takes no Enter of its own
            QString message;   // the page's action run on empty boxes
        };
        const Page pages[] = {
            {"categoryConfigurationAction", "categoryNumber", "addCategoryOption",
             "请输入商品类别号！"},
            {"goodsConfigurationAction", "goodsNumber", "addGoodsOption", "请输入商品号！"},
        };
        // Esc at once, wherever the window put the keyboard on its first
        // opening, on each page.
        for (const char* entry : {"categoryConfigurationAction", "goodsConfigurationAction",
                                  "shopSettingsAction", "categoryConfigurationAction"}) {
            office.action(entry)->trigger();
            waitActive(&config);
            AdminFixture::pressToKeyboard(Qt::Key_Escape);
            QVERIFY2(!config.isVisible(), entry);
        }
        for (const Page& page : pages) {
            office.responder.clear();
            office.action(page.entry)->trigger();
            waitActive(&config);
            ctl<QRadioButton>(&config, page.radio)->setFocus();
            AdminFixture::pressToKeyboard(Qt::Key_Return);
            QCOMPARE(office.responder.shown(), QStringList{page.message});
            QVERIFY(config.isVisible());

            ctl<QLineEdit>(&config, page.box)->setFocus();
            AdminFixture::pressToKeyboard(Qt::Key_Escape);
            QVERIFY2(!config.isVisible(), page.entry);
        }

        // Settings: Esc closes without saving, Enter on the tab bar saves.
        office.responder.clear();
        office.action("shopSettingsAction")->trigger();
        waitActive(&config);
        QLineEdit* name = ctl<QLineEdit>(&config, "shopName");
        name->setText("不保存");
        name->setFocus();
        AdminFixture::pressToKeyboard(Qt::Key_Escape);
        QVERIFY(!config.isVisible());
        office.action("shopSettingsAction")->trigger();
        waitActive(&config);
        QCOMPARE(name->text(), QString("小店"));
        name->setText("新店");
        auto* tabs = ctl<QTabWidget>(&config, "pages");
        tabs->tabBar()->setFocus();
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        QCOMPARE(office.responder.shown(), QStringList{"设置成功!"});
        QVERIFY(!config.isVisible());
        QSqlQuery saved = office.db().exec("read", "select company from company");
        QVERIFY(saved.next());
        QCOMPARE(saved.value(0).toString(), QString("新店"));

        // The user's own page switch moves Enter to the new page's OK button.
        office.responder.clear();
        office.action("shopSettingsAction")->trigger();
        waitActive(&config);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(0).center());
        QCOMPARE(tabs->currentIndex(), 0);
        tabs->tabBar()->setFocus();
        AdminFixture::pressToKeyboard(Qt::Key_Return);
        QCOMPARE(office.responder.shown(), QStringList{"请输入商品类别号！"});
    }
};

STORE_TEST_MAIN(TestAdminKeyboard)
#include "tst_admin_keyboard.moc"
