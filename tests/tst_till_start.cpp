// The till's start-up, terminal check, main window rules, clock, hints and
// about window, driven through the real windows.

#include "till_harness.h"

#include "support/books.h"

#include "storedb/till.h"

#include <QEnterEvent>
#include <QFile>
#include <QTemporaryDir>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {
const QString kConnectionError = QStringLiteral("数据库连接错误,请检查！程序将自动关闭！");

void arrangeShop(Db& db, const QString& till) {
    addTill(db, till, 150);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
}

QString arranged(TestStore& store, const QString& registered) {
    arrangeShop(store.db(), registered);
    store.writeDataLink(store.folder());
    return store.folder();
}

// A till started as the program starts it, on a shop with one registered
// till, one clerk and one goods item.
struct StartedTill {
    TestStore store;
    formkit::ScriptedResponder responder;
    TillRun run;
    StartedTill(const QString& registered, const QString& computer)
        : run(arranged(store, registered), computer) {
        run.start();
    }
};

void hover(QWidget* widget) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QEnterEvent enter(centre, widget->mapTo(widget->window(), centre), widget->mapToGlobal(centre));
    QCoreApplication::sendEvent(widget, &enter);
}
} // namespace

class TestTillStart : public QObject {
    Q_OBJECT

  private slots:
    void missingDataLinkEndsWithOneMessage() {
        QTemporaryDir empty;
        formkit::ScriptedResponder responder;
        TillRun run(empty.path(), "till-1");
        run.start();
        QCOMPARE(responder.shown(), QStringList{kConnectionError});
        QVERIFY(run.ended());
        QCOMPARE(run.quit->count(), 1);
        QVERIFY(run.quit->at(0).at(0).toInt() != 0);
        QVERIFY(signOnWindow() == nullptr || !signOnWindow()->isVisible());
    }

    void badLinkEndsWithOneMessage_data() {
        QTest::addColumn<QByteArray>("link");
        // A wrong link must look wrong: the till never makes an empty store
        // and then calls itself unregistered.
        QTest::newRow("store file not there") << QByteArray("Provider=SQLite;Data Source=shop.db");
        QTest::newRow("unreachable server")
            << QByteArray("Provider=PostgreSQL;Data Source=nosocket;Port=5999;Initial "
                          "Catalog=store;User ID=shop");
    }

    void badLinkEndsWithOneMessage() {
        QFETCH(QByteArray, link);
        QTemporaryDir folder;
        QFile udl(folder.filePath("link.udl"));
        QVERIFY(udl.open(QIODevice::WriteOnly));
        udl.write("[oledb]\r\n" + link.replace("nosocket", folder.filePath("nosocket").toUtf8()) +
                  "\r\n");
        udl.close();
        formkit::ScriptedResponder responder;
        TillRun run(folder.path(), "till-1");
        run.start();
        QCOMPARE(responder.shown(), QStringList{kConnectionError});
        QVERIFY(run.ended());
        QVERIFY(!QFile::exists(folder.filePath("shop.db")));
    }

    void unregisteredComputerIsNamedTrimmedAndEnds() {
        StartedTill till("till-1", " \ttill-9  ");
        auto& [store, responder, run] = till;
        QCOMPARE(responder.shown(), QStringList{"此计算机 till-9 没有注册，请通知管理员注册！"});
        QVERIFY(run.ended());
        QCOMPARE(mainWindow()->statusText(), QString("状态:未注册,请通知管理员注册！"));
        QCOMPARE(label(mainWindow(), "statusLabel")->text(),
                 QString("状态:未注册,请通知管理员注册！"));
        QCOMPARE(tillLooks(), kSigningOn);
        QVERIFY(!button(signOnWindow(), "signOnButton")->isEnabled());
        QVERIFY(!button(signOnWindow(), "cancelButton")->isEnabled());
        QVERIFY(!saleTableExists(store.db(), "till-9"));
    }

    void registeredNameIsMatchedWithoutBlanks() {
        StartedTill till("till-1", "  till-1 ");
        auto& [store, responder, run] = till;
        QVERIFY(responder.shown().isEmpty());
        QVERIFY(!run.ended());
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(edit(signOnWindow(), "tillName")->text(), QString("till-1"));
        QCOMPARE(signOnWindow()->focusWidget(), edit(signOnWindow(), "clerkNumber"));
        QCOMPARE(tillLooks(), kSigningOn);
        QCOMPARE(label(mainWindow(), "statusLabel")->text(),
                 QString("欢迎进入Orvani系统--收银台端"));
    }

    // Letter case is no part of a till's name: the back office refuses a
    // second till that differs only in case, and the till works under the
    // name as registered (its sale table included).
    void registeredNameIsMatchedWithoutCase() {
        StartedTill till("POS-2", "pos-2");
        auto& [store, responder, run] = till;
        QVERIFY(responder.shown().isEmpty());
        QCOMPARE(edit(signOnWindow(), "tillName")->text(), QString("POS-2"));
        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QVERIFY(saleTableExists(store.db(), "POS-2"));
        QCOMPARE(count(store.db(), "select count(*) from jqb where jsj='POS-2' and zt='在线'"), 1);
        tool("signOffAction")->trigger();
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(!saleTableExists(store.db(), "POS-2"));
        expectBooksBalance(store.db());
    }

    void computerNamesNeedNoCare_data() {
        QTest::addColumn<QString>("name");
        // Names that could not name a table safely are refused at sign-on
        // (tst_hostile_boxes); these are the ordinary names of shop computers.
        QTest::newRow("hyphen") << "POS-2";
        QTest::newRow("chinese and case") << "收银台A";
        QTest::newRow("dots and underscores") << "till_3.front";
    }

    void computerNamesNeedNoCare() {
        QFETCH(QString, name);
        StartedTill till(name, name);
        auto& [store, responder, run] = till;
        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QVERIFY(saleTableExists(store.db(), name));
        tool("openSalePanelAction")->trigger();
        run.addLine("6901", "2");
        QCOMPARE(saleLines(store.db(), name).size(), 1);
        QCOMPARE(stockOf(store.db(), "6901"), 18);
        typeInto(edit(mainWindow(), "lineToDelete"), "1");
        responder.answer(true);
        button(mainWindow(), "deleteLineButton")->click();
        tool("signOffAction")->trigger();
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(!saleTableExists(store.db(), name));
        QCOMPARE(count(store.db(), "select count(*) from jqb"), 1);
        QCOMPARE(stockOf(store.db(), "6901"), 20);
        QVERIFY(!responder.shown().contains("注销失败！"));
    }

    void nameOfAPermanentTableIsRefused() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        // A row written before registration refused such names.
        store.db().exec("old row", "update jqb set jsj='jqb'");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "JQB");
        run.start();
        QCOMPARE(responder.shown(),
                 QStringList{"计算机名 JQB 与数据库中的表同名,不能用作收款机!请更改计算机名."});
        QVERIFY(run.ended());
        QVERIFY(!button(signOnWindow(), "signOnButton")->isEnabled());
        QCOMPARE(count(store.db(), "select count(*) from jqb"), 1);
    }

    void closeRulesInEveryState() {
        StartedTill till("till-1", "till-1");
        auto& [store, responder, run] = till;
        const QString signOffFirst = "你不能退出系统，请注销后退出！";
        const QString chargeFirst = "你不能退出系统，请收费后退出！";
        const QString really = "真的要退出系统吗？";
        auto closing = [&] {
            responder.clear();
            const bool closed = mainWindow()->close();
            return std::make_pair(closed, responder.shown());
        };

        // Signing on at start: the sign-off button is still in its design state.
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        responder.answer(true);
        button(signOnWindow(), "cancelButton")->click();
        QCOMPARE(tillLooks(), kNoClerk);
        responder.answer(false);
        QCOMPARE(closing(), std::make_pair(false, QStringList{really}));
        // Signing on again: nobody on duty, so the question comes.
        tool("signOnAction")->trigger();
        QCOMPARE(tillLooks(), kSigningOn);
        responder.answer(false);
        QCOMPARE(closing(), std::make_pair(false, QStringList{really}));

        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        tool("openSalePanelAction")->trigger();
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        run.addLine("6901", "1");
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(closing(), std::make_pair(false, QStringList{chargeFirst}));
        // The close box and the exit button follow the same rules.
        responder.clear();
        tool("exitAction")->trigger();
        QCOMPARE(responder.shown(), QStringList{chargeFirst});
        typeInto(edit(mainWindow(), "lineToDelete"), "1");
        responder.answer(true);
        button(mainWindow(), "deleteLineButton")->click();
        QCOMPARE(tillLooks(), kPanelOpen);

        tool("signOffAction")->trigger();
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(summaryWindow()->isVisible());
        QCOMPARE(closing(), std::make_pair(false, QStringList{}));
        button(summaryWindow(), "confirmButton")->click();
        QVERIFY(!summaryWindow()->isVisible());
        QCOMPARE(tillLooks(), kNoClerk);
        responder.answer(true);
        QCOMPARE(closing(), std::make_pair(true, QStringList{really}));
        QVERIFY(run.ended());
        QCOMPARE(run.quit->count(), 1);
        QCOMPARE(run.quit->at(0).at(0).toInt(), 0);
        // Leaving touched nothing of the till.
        QCOMPARE(scalar(store.db(), "select zt from jqb").toString(), kTillStandby);
    }

    void sessionEndIsRefusedInEveryState() {
        StartedTill till("till-1", "till-1");
        auto& [store, responder, run] = till;
        const QString refusal = "不能关闭或重启计算机,请先退出Orvani--营业员系统!";
        QVERIFY(!mainWindow()->FormQueryEndSession());
        responder.answer(true);
        button(signOnWindow(), "cancelButton")->click();
        QVERIFY(!mainWindow()->FormQueryEndSession());
        tool("signOnAction")->trigger();
        run.signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        QVERIFY(!mainWindow()->FormQueryEndSession());
        QCOMPARE(responder.shown().count(refusal), 3);
        QVERIFY(!run.ended());
    }

    void clockShowsDateThenTimeAndTicks() {
        StartedTill till("till-1", "till-1");
        QLabel* clock = label(mainWindow(), "clockLabel");
        const QString first = clock->text();
        QVERIFY2(first.startsWith(" 系统时间 " +
                                  QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) +
                                  " "),
                 qPrintable(first));
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 3000);
    }

    void hintsFollowThePointer() {
        StartedTill till("till-1", "till-1");
        auto& [store, responder, run] = till;
        run.signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        QLabel* status = label(mainWindow(), "statusLabel");
        hover(ctl<QTableView>(mainWindow(), "saleLines"));
        QCOMPARE(status->text(), QString("双击选种要删除的编号或自己输入要删除的货物编号"));
        hover(label(mainWindow(), "goodsNumberCaption"));
        QCOMPARE(status->text(), QString("状态: 售货员 王芳 正在营业!"));
        hover(edit(mainWindow(), "lineToDelete"));
        QCOMPARE(status->text(), QString("要删除的货物编号或自己输入要删除的货物编号"));
        hover(button(signOnWindow(), "changePasswordButton"));
        QCOMPARE(status->text(), QString("售货员登录"));
    }

    void aboutWindowNamesTheTill() {
        StartedTill till("till-1", "till-1");
        auto& [store, responder, run] = till;
        responder.answer(true);
        button(signOnWindow(), "cancelButton")->click();
        tool("aboutAction")->trigger();
        QVERIFY(aboutWindow()->isVisible());
        QCOMPARE(aboutWindow()->windowTitle(), QString("关于本系统"));
        QCOMPARE(aboutWindow()->size(), QSize(315, 194));
        QCOMPARE(label(aboutWindow(), "computerNameLabel")->text(), QString("till-1"));
        QTest::keyClick(aboutWindow(), Qt::Key_Return);
        QVERIFY(!aboutWindow()->isVisible());
        QVERIFY(responder.shown().size() == 1);
    }

    void signOnByKeyboard() {
        StartedTill till("till-1", "till-1");
        auto& [store, responder, run] = till;
        QCOMPARE(mainWindow()->size(), QSize(790, 545));
        QCOMPARE(signOnWindow()->size(), QSize(289, 199));
        QLineEdit* number = edit(signOnWindow(), "clerkNumber");
        QLineEdit* password = edit(signOnWindow(), "password");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        // Enter in the password box does nothing until Enter in the number box.
        QTest::keyClicks(password, "pw");
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(responder.shown().isEmpty());
        password->clear();
        QTest::keyClicks(number, "10a0-1 ");
        QCOMPARE(number->text(), QString("1001"));
        QTest::keyClick(number, Qt::Key_Return);
        QVERIFY(button(signOnWindow(), "signOnButton")->isDefault());
        QCOMPARE(signOnWindow()->focusWidget(), password);
        QTest::keyClicks(password, "pw");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(responder.shown(),
                 (QStringList{"售货员 王芳 登录成功!", "此台计算机还有余额 150"}));
        QCOMPARE(tillLooks(), kOnDuty);
        // Esc on the sign-on window asks to cancel.
        tool("signOffAction")->trigger();
        button(summaryWindow(), "confirmButton")->click();
        tool("signOnAction")->trigger();
        responder.answer(false);
        QTest::keyClick(edit(signOnWindow(), "clerkNumber"), Qt::Key_Escape);
        QCOMPARE(responder.asked(), QStringList{"真的要取消登录吗？"});
        QVERIFY(signOnWindow()->isVisible());
    }
};

STORE_TEST_MAIN(TestTillStart)
#include "tst_till_start.moc"
