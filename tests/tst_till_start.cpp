// The till's start-up, terminal check, main window rules, clock, hints and
// about window, driven through the real windows.

#include "till_harness.h"

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
        QVERIFY(dlform == nullptr || !dlform->isVisible());
    }

    void unreachableServerEndsWithOneMessage() {
        QTemporaryDir folder;
        QFile udl(folder.filePath("link.udl"));
        QVERIFY(udl.open(QIODevice::WriteOnly));
        udl.write(
            "[oledb]\r\nProvider=PostgreSQL;Data Source=" + folder.filePath("nosocket").toUtf8() +
            ";Port=5999;Initial Catalog=store;User ID=shop\r\n");
        udl.close();
        formkit::ScriptedResponder responder;
        TillRun run(folder.path(), "till-1");
        run.start();
        QCOMPARE(responder.shown(), QStringList{kConnectionError});
        QVERIFY(run.ended());
    }

    void unregisteredComputerIsNamedTrimmedAndEnds() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), " \ttill-9  ");
        run.start();
        QCOMPARE(responder.shown(), QStringList{"此计算机 till-9 没有注册，请通知管理员注册！"});
        QVERIFY(run.ended());
        QCOMPARE(mainform->statusText(), QString("状态:未注册,请通知管理员注册！"));
        QCOMPARE(label(mainform, "StatusBar1")->text(), QString("状态:未注册,请通知管理员注册！"));
        QCOMPARE(tillLooks(), kSigningOn);
        QVERIFY(!button(dlform, "BitBtn1")->isEnabled());
        QVERIFY(!button(dlform, "BitBtn2")->isEnabled());
        QVERIFY(!saleTableExists(store.db(), "till-9"));
    }

    void registeredNameIsMatchedWithoutBlanks() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "  till-1 ");
        run.start();
        QVERIFY(responder.shown().isEmpty());
        QVERIFY(!run.ended());
        QVERIFY(dlform->isVisible());
        QCOMPARE(edit(dlform, "jsj")->text(), QString("till-1"));
        QCOMPARE(dlform->focusWidget(), edit(dlform, "Edit1"));
        QCOMPARE(tillLooks(), kSigningOn);
        QCOMPARE(label(mainform, "StatusBar1")->text(), QString("欢迎进入Orvani系统--收银台端"));
    }

    void computerNamesNeedNoCare_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("blank") << "till 1";
        QTest::newRow("hyphen") << "POS-2";
        QTest::newRow("quote and semicolon") << "K\"3\";drop table jqb";
        QTest::newRow("chinese and case") << "收银台A";
    }

    void computerNamesNeedNoCare() {
        QFETCH(QString, name);
        TestStore store;
        arrangeShop(store.db(), name);
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), name);
        run.start();
        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QVERIFY(saleTableExists(store.db(), name));
        tool("ToolButton2")->trigger();
        run.addLine("6901", "2");
        QCOMPARE(saleLines(store.db(), name).size(), 1);
        QCOMPARE(stockOf(store.db(), "6901"), 18);
        edit(mainform, "Edit3")->setText("1");
        responder.answer(true);
        button(mainform, "sc")->click();
        tool("ToolButton4")->trigger();
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(!saleTableExists(store.db(), name));
        QCOMPARE(count(store.db(), "select count(*) from jqb"), 1);
        QCOMPARE(stockOf(store.db(), "6901"), 20);
        QVERIFY(!responder.shown().contains("注销失败！"));
    }

    void nameOfAPermanentTableIsRefused() {
        TestStore store;
        arrangeShop(store.db(), "jqb");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "JQB");
        run.start();
        QCOMPARE(responder.shown(),
                 QStringList{"计算机名 JQB 与数据库中的表同名,不能用作收款机!请更改计算机名."});
        QVERIFY(run.ended());
        QVERIFY(!button(dlform, "BitBtn1")->isEnabled());
        QCOMPARE(count(store.db(), "select count(*) from jqb"), 1);
    }

    void closeRulesInEveryState() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        const QString signOffFirst = "你不能退出系统，请注销后退出！";
        const QString chargeFirst = "你不能退出系统，请收费后退出！";
        const QString really = "真的要退出系统吗？";
        auto closing = [&] {
            responder.clear();
            const bool closed = mainform->close();
            return std::make_pair(closed, responder.shown());
        };

        // Signing on at start: the sign-off button is still in its design state.
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        responder.answer(true);
        button(dlform, "BitBtn2")->click();
        QCOMPARE(tillLooks(), kNoClerk);
        responder.answer(false);
        QCOMPARE(closing(), std::make_pair(false, QStringList{really}));
        // Signing on again: nobody on duty, so the question comes.
        tool("ToolButton3")->trigger();
        QCOMPARE(tillLooks(), kSigningOn);
        responder.answer(false);
        QCOMPARE(closing(), std::make_pair(false, QStringList{really}));

        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        tool("ToolButton2")->trigger();
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(closing(), std::make_pair(false, QStringList{signOffFirst}));
        run.addLine("6901", "1");
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(closing(), std::make_pair(false, QStringList{chargeFirst}));
        // The close box and the exit button follow the same rules.
        responder.clear();
        tool("ToolButton1")->trigger();
        QCOMPARE(responder.shown(), QStringList{chargeFirst});
        edit(mainform, "Edit3")->setText("1");
        responder.answer(true);
        button(mainform, "sc")->click();
        QCOMPARE(tillLooks(), kPanelOpen);

        tool("ToolButton4")->trigger();
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(zxform->isVisible());
        QCOMPARE(closing(), std::make_pair(false, QStringList{}));
        button(zxform, "BitBtn1")->click();
        QVERIFY(!zxform->isVisible());
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
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        const QString refusal = "不能关闭或重启计算机,请先退出Orvani--营业员系统!";
        QVERIFY(!mainform->FormQueryEndSession());
        responder.answer(true);
        button(dlform, "BitBtn2")->click();
        QVERIFY(!mainform->FormQueryEndSession());
        tool("ToolButton3")->trigger();
        run.signOn("1001", "pw");
        tool("ToolButton2")->trigger();
        QVERIFY(!mainform->FormQueryEndSession());
        QCOMPARE(responder.shown().count(refusal), 3);
        QVERIFY(!run.ended());
    }

    void clockShowsDateThenTimeAndTicks() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        QLabel* clock = label(mainform, "StatusBar2");
        const QString first = clock->text();
        QVERIFY2(first.startsWith(
                     " 系统时间 " +
                     QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + " "),
                 qPrintable(first));
        QTRY_VERIFY_WITH_TIMEOUT(clock->text() != first, 3000);
    }

    void hintsFollowThePointer() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        run.signOn("1001", "pw");
        tool("ToolButton2")->trigger();
        QLabel* status = label(mainform, "StatusBar1");
        hover(ctl<QTableView>(mainform, "DBGrid1"));
        QCOMPARE(status->text(), QString("双击选种要删除的编号或自己输入要删除的货物编号"));
        hover(label(mainform, "Label1"));
        QCOMPARE(status->text(), QString("状态: 售货员 王芳 正在营业!"));
        hover(edit(mainform, "Edit3"));
        QCOMPARE(status->text(), QString("要删除的货物编号或自己输入要删除的货物编号"));
        hover(button(dlform, "BitBtn3"));
        QCOMPARE(status->text(), QString("售货员登录"));
    }

    void aboutWindowNamesTheTill() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        responder.answer(true);
        button(dlform, "BitBtn2")->click();
        tool("ToolButton5")->trigger();
        QVERIFY(helpform->isVisible());
        QCOMPARE(helpform->windowTitle(), QString("关于本系统"));
        QCOMPARE(helpform->size(), QSize(315, 194));
        QCOMPARE(label(helpform, "Label6")->text(), QString("till-1"));
        QTest::keyClick(helpform, Qt::Key_Return);
        QVERIFY(!helpform->isVisible());
        QVERIFY(responder.shown().size() == 1);
    }

    void signOnByKeyboard() {
        TestStore store;
        arrangeShop(store.db(), "till-1");
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        QCOMPARE(mainform->size(), QSize(790, 545));
        QCOMPARE(dlform->size(), QSize(289, 199));
        QLineEdit* number = edit(dlform, "Edit1");
        QLineEdit* password = edit(dlform, "Edit2");
        QCOMPARE(password->echoMode(), QLineEdit::Password);
        // Enter in the password box does nothing until Enter in the number box.
        QTest::keyClicks(password, "pw");
        QTest::keyClick(password, Qt::Key_Return);
        QVERIFY(responder.shown().isEmpty());
        password->clear();
        QTest::keyClicks(number, "10a0-1 ");
        QCOMPARE(number->text(), QString("1001"));
        QTest::keyClick(number, Qt::Key_Return);
        QVERIFY(button(dlform, "BitBtn1")->isDefault());
        QCOMPARE(dlform->focusWidget(), password);
        QTest::keyClicks(password, "pw");
        QTest::keyClick(password, Qt::Key_Return);
        QCOMPARE(responder.shown(),
                 (QStringList{"售货员 王芳 登录成功!", "此台计算机还有余额 150"}));
        QCOMPARE(tillLooks(), kOnDuty);
        // Esc on the sign-on window asks to cancel.
        tool("ToolButton4")->trigger();
        button(zxform, "BitBtn1")->click();
        tool("ToolButton3")->trigger();
        responder.answer(false);
        QTest::keyClick(edit(dlform, "Edit1"), Qt::Key_Escape);
        QCOMPARE(responder.asked(), QStringList{"真的要取消登录吗？"});
        QVERIFY(dlform->isVisible());
    }
};

STORE_TEST_MAIN(TestTillStart)
#include "tst_till_start.moc"
