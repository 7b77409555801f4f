// A clerk's shift at the till: sign-on, sign-off and its hand-in, the
// wind-up of a shift that was never signed off, and the password change.

#include "till_harness.h"

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/till.h"
#include "support/books.h"

#include <QRegularExpression>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {
void arrangeShop(Db& db, double drawerFloat) {
    addTill(db, "till-1", drawerFloat);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
    addGoods(db, "01", "6902", "雪碧", 3, 20);
    db.exec("name", "update company set company='好又多超市'");
}

// A till started on a fresh shop, its sign-on window up.
struct StartedTill {
    TestStore store;
    formkit::ScriptedResponder responder;
    TillRun run;
    explicit StartedTill(double drawerFloat) : run(store.folder(), "till-1") {
        arrangeShop(store.db(), drawerFloat);
        store.writeDataLink(store.folder());
        run.start();
    }
};

struct ShiftRow {
    QString shyh;
    double qye = 0;
    QVariant yye, xye, bj;
    QDateTime dlsj, zxsj;
};

QList<ShiftRow> shifts(Db& db) {
    QSqlQuery q =
        db.exec("shifts", "select shyh,qye,yye,xye,bj,dlsj,zxsj from shyrzb order by dlsj");
    QList<ShiftRow> rows;
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toDouble(), q.value(2), q.value(3),
                     q.value(4), readDateTime(q.value(5)), readDateTime(q.value(6))});
    return rows;
}
} // namespace

class TestTillShift : public QObject {
    Q_OBJECT

  private slots:
    void handInArithmetic_data() {
        QTest::addColumn<double>("takings");
        QTest::addColumn<double>("drawerFloat");
        QTest::addColumn<double>("handIn");
        QTest::addColumn<double>("left");
        QTest::newRow("S=0") << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("S=199.9") << 49.9 << 150.0 << 0.0 << 199.9;
        QTest::newRow("S=200") << 50.0 << 150.0 << 100.0 << 100.0;
        QTest::newRow("S=299") << 149.0 << 150.0 << 100.0 << 199.0;
        QTest::newRow("S=884.5") << 734.5 << 150.0 << 700.0 << 184.5;
        QTest::newRow("S=300.3 from noisy sums") << 0.1 + 0.2 << 300.0 << 200.0 << 100.3;
        QTest::newRow("no takings, float 500") << 0.0 << 500.0 << 400.0 << 100.0;
    }

    void handInArithmetic() {
        QFETCH(double, takings);
        QFETCH(double, drawerFloat);
        QFETCH(double, handIn);
        QFETCH(double, left);
        const ShiftFigures f = handInFor(takings, drawerFloat);
        QCOMPARE(f.handIn, handIn);
        QCOMPARE(f.left, left);
        QCOMPARE(f.takings + drawerFloat, f.handIn + f.left);
    }

    void signOnRefusesWrongPasswordAndUnknownClerk() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        run.signOn("1001", "wrong");
        QCOMPARE(responder.shown(), QStringList{"你的输入有误,请重新输入！"});
        QCOMPARE(edit(signOnWindow(), "clerkNumber")->text(), QString("1001"));
        QCOMPARE(edit(signOnWindow(), "password")->text(), QString());
        QCOMPARE(signOnWindow()->focusWidget(), edit(signOnWindow(), "password"));
        run.signOn("", "");
        run.signOn("9999", "pw");
        // A clerk row without a password never signs on, not even with an
        // empty box.
        addClerk(store.db(), "1002", "李强", "x");
        store.db().exec("no password", "update shyb set mm=null where shyh='1002'");
        run.signOn("1002", "");
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(responder.shown().count("你的输入有误,请重新输入！"), 4);
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(tillLooks(), kSigningOn);
        QCOMPARE(scalar(store.db(), "select zt from jqb").toString(), kTillStandby);
        QVERIFY(shifts(store.db()).isEmpty());
        QVERIFY(!saleTableExists(store.db(), "till-1"));
    }

    void signOnOpensTheShift() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        run.signOn("1001", "pw");
        QCOMPARE(responder.shown(),
                 (QStringList{"售货员 王芳 登录成功!", "此台计算机还有余额 150"}));
        QVERIFY(!signOnWindow()->isVisible());
        QCOMPARE(edit(signOnWindow(), "clerkName")->text(), QString("王芳"));
        QCOMPARE(mainWindow()->statusText(), QString("状态: 售货员 王芳 正在营业!"));
        QCOMPARE(label(mainWindow(), "shopNameLabel")->text(), QString("好又多超市"));
        QCOMPARE(tillLooks(), kOnDuty);
        const std::optional<TillRow> till = tillRow(store.db(), "till-1");
        QCOMPARE(till->shyh.toString(), QString("1001"));
        QCOMPARE(till->zt, kTillOnline);
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].shyh, QString("1001"));
        QCOMPARE(rows[0].qye, 150.0);
        QVERIFY(rows[0].dlsj >= before && rows[0].dlsj <= QDateTime::currentDateTime().addSecs(1));
        QVERIFY(!rows[0].zxsj.isValid());
        QVERIFY(saleTableExists(store.db(), "till-1"));
        QVERIFY(saleLines(store.db(), "till-1").isEmpty());
        expectBooksBalance(store.db());
    }

    void signOffHandsInAndClosesTheShift() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        run.signOn("1001", "pw");
        jqbsf(store.db(), "till-1", 700);
        jqbsf(store.db(), "till-1", 34.5);
        tool("openSalePanelAction")->trigger();
        responder.clear();
        tool("signOffAction")->trigger();
        QCOMPARE(responder.shown(), QStringList{"售货员 王芳 注销成功!"});
        QCOMPARE(mainWindow()->statusText(), QString("状态: 未登录!"));
        QCOMPARE(tillLooks(), kSummary);
        QVERIFY(summaryWindow()->isVisible());
        QCOMPARE(summaryWindow()->size(), QSize(297, 320));
        QCOMPARE(ctl<QGroupBox>(summaryWindow(), "takingsBox")->title(),
                 QString("售货员王芳本次营业额"));
        QCOMPARE(label(summaryWindow(), "takingsLabel")->text(), QString("734.5 元    "));
        QCOMPARE(ctl<QGroupBox>(summaryWindow(), "handInBox")->title(), QString("应交款"));
        QCOMPARE(label(summaryWindow(), "handInLabel")->text(), QString("700 元    "));
        QCOMPARE(ctl<QGroupBox>(summaryWindow(), "floatLeftBox")->title(),
                 QString("本台计算机还剩余额"));
        QCOMPARE(label(summaryWindow(), "floatLeftLabel")->text(), QString("184.5 元    "));

        const std::optional<TillRow> till = tillRow(store.db(), "till-1");
        QCOMPARE(till->ye, 184.5);
        QCOMPARE(till->yye, 0.0);
        QCOMPARE(till->zt, kTillStandby);
        QCOMPARE(till->shyh.toString(), QString());
        QVERIFY(!till->shyh.isNull());
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].yye.toDouble(), 734.5);
        QCOMPARE(rows[0].xye.toDouble(), 184.5);
        QCOMPARE(rows[0].bj.toString(), kNotHandedIn);
        QVERIFY(rows[0].zxsj.isValid());
        // What settlement will ask of the clerk.
        QCOMPARE(rows[0].qye + rows[0].yye.toDouble() - rows[0].xye.toDouble(), 700.0);
        QVERIFY(!saleTableExists(store.db(), "till-1"));

        // Enter confirms the summary; then the next clerk may sign on.
        QTest::keyClick(summaryWindow(), Qt::Key_Return);
        QVERIFY(!summaryWindow()->isVisible());
        QVERIFY(!button(summaryWindow(), "confirmButton")->isEnabled());
        QCOMPARE(tillLooks(), kNoClerk);
        tool("signOnAction")->trigger();
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(edit(signOnWindow(), "clerkNumber")->text(), QString());
        QCOMPARE(edit(signOnWindow(), "password")->text(), QString());
    }

    void shiftWithoutTakings_data() {
        QTest::addColumn<double>("drawerFloat");
        QTest::addColumn<double>("handIn");
        QTest::addColumn<double>("left");
        QTest::addColumn<bool>("rowKept");
        QTest::newRow("float 150: nothing handed in, no row") << 150.0 << 0.0 << 150.0 << false;
        QTest::newRow("float 500: 400 handed in, row kept") << 500.0 << 400.0 << 100.0 << true;
    }

    void shiftWithoutTakings() {
        QFETCH(double, drawerFloat);
        QFETCH(double, handIn);
        QFETCH(double, left);
        QFETCH(bool, rowKept);
        StartedTill started(drawerFloat);
        auto& [store, responder, run] = started;
        run.signOn("1001", "pw");
        tool("signOffAction")->trigger();
        QCOMPARE(label(summaryWindow(), "takingsLabel")->text(), QString("0 元    "));
        QCOMPARE(label(summaryWindow(), "handInLabel")->text(),
                 QString::number(handIn) + " 元    ");
        QCOMPARE(label(summaryWindow(), "floatLeftLabel")->text(),
                 QString::number(left) + " 元    ");
        QCOMPARE(tillRow(store.db(), "till-1")->ye, left);
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), rowKept ? 1 : 0);
        if (rowKept) {
            QCOMPARE(rows[0].yye.toDouble(), 0.0);
            QCOMPARE(rows[0].xye.toDouble(), left);
            QCOMPARE(rows[0].bj.toString(), kNotHandedIn);
            QCOMPARE(rows[0].qye - rows[0].xye.toDouble(), handIn);
        }
        expectBooksBalance(store.db());
    }

    void failedSignOffChangesNothing() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        run.signOn("1001", "pw");
        jqbsf(store.db(), "till-1", 80);
        // The sale table vanishes behind the till's back: its drop fails.
        dropSaleTable(store.db(), "till-1");
        responder.clear();
        tool("signOffAction")->trigger();
        QCOMPARE(responder.shown(), QStringList{"注销失败！"});
        QVERIFY(!summaryWindow()->isVisible());
        QCOMPARE(tillLooks(), kOnDuty);
        const std::optional<TillRow> till = tillRow(store.db(), "till-1");
        QCOMPARE(till->zt, kTillOnline);
        QCOMPARE(till->yye, 80.0);
        QCOMPARE(till->ye, 150.0);
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), 1);
        QVERIFY(!rows[0].zxsj.isValid());
    }

    void signOnThatFailsHalfwayLeavesTheTillClosed() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        // The shift row cannot be written: the last step of the sign-on fails.
        if (store.db().isSQLite()) {
            store.db().exec("inject", "create trigger refuse before insert on shyrzb "
                                      "begin select raise(abort, 'injected failure'); end");
        } else {
            store.db().exec("inject", "create function refuse() returns trigger language plpgsql "
                                      "as $$ begin raise exception 'injected failure'; end $$");
            store.db().exec("inject", "create trigger refuse before insert on shyrzb "
                                      "for each row execute function refuse()");
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("injected failure"));
        run.signOn("1001", "pw");
        QCOMPARE(responder.shown(), QStringList{kStatementFailed});
        // Still signing on: nothing to sell with, nothing to sign off.
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(tillLooks(), kSigningOn);
        QVERIFY(!session().clerkOnDuty());
        QVERIFY(!saleTableExists(store.db(), "till-1"));
        QCOMPARE(tillRow(store.db(), "till-1")->zt, kTillStandby);
        QVERIFY(shifts(store.db()).isEmpty());

        // The cause gone, the same press signs on as if nothing had happened.
        store.db().exec("heal",
                        "drop trigger refuse" + QString(store.db().isSQLite() ? "" : " on shyrzb"));
        responder.clear();
        run.signOn("1001", "pw");
        QCOMPARE(responder.shown(),
                 (QStringList{"售货员 王芳 登录成功!", "此台计算机还有余额 150"}));
        QCOMPARE(tillLooks(), kOnDuty);
        QCOMPARE(shifts(store.db()).size(), 1);
        expectBooksBalance(store.db());
    }

    void tillRemovedDuringTheShiftStillSignsOff() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        run.signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        run.addLine("6901", "2");
        button(mainWindow(), "chargeButton")->click();
        ChargeWindow* charge = mainWindow()->chargeWindow();
        QVERIFY(charge);
        edit(charge, "cashReceived")->setText("10");
        button(charge, "confirmButton")->click();
        run.addLine("6902", "3"); // left open: its pieces go back to stock
        QCOMPARE(stockOf(store.db(), "6902"), 17);
        // An older back office removed the till behind the clerk's back.
        store.db().exec("remove", "delete from jqb where jsj='till-1'");

        // Lines pending: sign-off is not offered until they are charged or
        // deleted, so delete the open line first.
        typeInto(edit(mainWindow(), "lineToDelete"), "2");
        responder.answer(true);
        button(mainWindow(), "deleteLineButton")->click();
        responder.clear();
        tool("signOffAction")->trigger();
        QCOMPARE(
            responder.shown(),
            (QStringList{"售货员 王芳 注销成功!",
                         "此计算机 till-1 已被管理员删除注册,不能再登录！请通知管理员重新注册。"}));
        QVERIFY(summaryWindow()->isVisible());
        QCOMPARE(label(summaryWindow(), "takingsLabel")->text().trimmed(), QString("7 元"));
        QCOMPARE(stockOf(store.db(), "6902"), 20);
        QVERIFY(!saleTableExists(store.db(), "till-1"));
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows[0].zxsj.isValid());
        QCOMPARE(rows[0].yye.toDouble(), 7.0);
        QCOMPARE(rows[0].bj.toString(), kNotHandedIn);

        // And the program can be left.
        button(summaryWindow(), "confirmButton")->click();
        responder.answer(true);
        mainWindow()->close();
        QVERIFY(run.ended());
        expectBooksBalance(store.db());
    }

    void unfinishedShiftIsWoundUpAtNextSignOn() {
        TestStore store;
        arrangeShop(store.db(), 150);
        store.writeDataLink(store.folder());
        {
            formkit::ScriptedResponder responder;
            TillRun run(store.folder(), "till-1");
            run.start();
            run.signOn("1001", "pw");
            tool("openSalePanelAction")->trigger();
            run.addLine("6901", "3");
            run.addLine("6902", "2");
            QCOMPARE(stockOf(store.db(), "6901"), 17);
            QCOMPARE(stockOf(store.db(), "6902"), 18);
            jqbsf(store.db(), "till-1", 120.5); // charged earlier in the shift
            // The program stops here, lines pending, without sign-off.
        }
        addClerk(store.db(), "1002", "李强", "pw2");
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), "till-1");
        run.start();
        run.signOn("1002", "pw2");
        // Only the usual two messages; the balance is what the wind-up left.
        QCOMPARE(responder.shown(),
                 (QStringList{"售货员 李强 登录成功!", "此台计算机还有余额 170.5"}));
        QCOMPARE(stockOf(store.db(), "6901"), 20);
        QCOMPARE(stockOf(store.db(), "6902"), 20);
        const QList<ShiftRow> rows = shifts(store.db());
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].shyh, QString("1001"));
        QCOMPARE(rows[0].yye.toDouble(), 120.5);
        QCOMPARE(rows[0].xye.toDouble(), 170.5);
        QCOMPARE(rows[0].bj.toString(), kNotHandedIn);
        QVERIFY(rows[0].zxsj.isValid());
        QCOMPARE(rows[1].shyh, QString("1002"));
        QCOMPARE(rows[1].qye, 170.5);
        QVERIFY(!rows[1].zxsj.isValid());
        const std::optional<TillRow> till = tillRow(store.db(), "till-1");
        QCOMPARE(till->shyh.toString(), QString("1002"));
        QCOMPARE(till->yye, 0.0);
        // A new table: the old lines are gone and numbering starts again.
        QVERIFY(saleLines(store.db(), "till-1").isEmpty());
        tool("openSalePanelAction")->trigger();
        run.addLine("6901", "1");
        const QList<SaleLine> lines = saleLines(store.db(), "till-1");
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].bh, 1);
    }

    void cancelSignOn() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        responder.answer(false);
        button(signOnWindow(), "cancelButton")->click();
        QCOMPARE(responder.asked(), QStringList{"真的要取消登录吗？"});
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(tillLooks(), kSigningOn);
        responder.answer(true);
        button(signOnWindow(), "cancelButton")->click();
        QVERIFY(!signOnWindow()->isVisible());
        QCOMPARE(tillLooks(), kNoClerk);
        QCOMPARE(scalar(store.db(), "select zt from jqb").toString(), kTillStandby);
        // A till removed by the back office meanwhile ends at the next sign-on.
        store.db().exec("remove", "delete from jqb");
        responder.clear();
        tool("signOnAction")->trigger();
        QCOMPARE(responder.shown(), QStringList{"此计算机 till-1 没有注册，请通知管理员注册！"});
        QVERIFY(run.ended());
    }

    void passwordChange() {
        StartedTill started(150);
        auto& [store, responder, run] = started;
        edit(signOnWindow(), "clerkNumber")->setText("1001");
        button(signOnWindow(), "changePasswordButton")->click();
        QVERIFY(!signOnWindow()->isVisible());
        QVERIFY(passwordWindow() && passwordWindow()->isVisible());
        QCOMPARE(passwordWindow()->size(), QSize(355, 218));
        QWidget* w = passwordWindow();
        QLineEdit* number = edit(w, "clerkNumber");
        QLineEdit* old = edit(w, "oldPassword");
        QLineEdit* fresh = edit(w, "newPassword");
        QLineEdit* again = edit(w, "newPasswordAgain");
        QPushButton* confirm = button(w, "changeButton");
        auto fill = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
            number->setText(a);
            old->setText(b);
            fresh->setText(c);
            again->setText(d);
            responder.clear();
            confirm->click();
            return responder.shown();
        };
        const QString emptyPassword = "请输入密码,密码不能为空！";
        QCOMPARE(fill("", "pw", "n", "n"), QStringList{"请输入售货员号！"});
        QCOMPARE(w->focusWidget(), number);
        QCOMPARE(fill("1001", "", "n", "n"), QStringList{emptyPassword});
        QCOMPARE(w->focusWidget(), old);
        QCOMPARE(fill("1001", "pw", "", "n"), QStringList{emptyPassword});
        QCOMPARE(w->focusWidget(), fresh);
        QCOMPARE(fill("1001", "pw", "n", ""), QStringList{emptyPassword});
        QCOMPARE(w->focusWidget(), again);
        QCOMPARE(fill("9999", "pw", "n", "n"), QStringList{"原密码输入有误,你无权修改密码！"});
        QCOMPARE(fill("1001", "bad", "n", "n"), QStringList{"原密码输入有误,你无权修改密码！"});
        QCOMPARE(old->text() + fresh->text() + again->text(), QString());
        QCOMPARE(number->text(), QString("1001"));
        QCOMPARE(w->focusWidget(), old);
        QCOMPARE(fill("1001", "pw", "n1", "n2"), QStringList{"两次密码输入不一致,请重新输入！"});
        QCOMPARE(number->text() + "|" + old->text(), QString("1001|pw"));
        QCOMPARE(fresh->text() + again->text(), QString());
        QCOMPARE(w->focusWidget(), fresh);
        QCOMPARE(shydl(store.db(), "1001")->mm, QString("pw"));

        // By keyboard: Enter walks the boxes and then presses confirm.
        number->clear();
        old->clear();
        responder.clear();
        QTest::keyClicks(number, "1x001");
        QTest::keyClick(number, Qt::Key_Return);
        QTest::keyClicks(old, "pw");
        QTest::keyClick(old, Qt::Key_Return);
        QTest::keyClicks(fresh, "n3w pw");
        QTest::keyClick(fresh, Qt::Key_Return);
        QTest::keyClicks(again, "n3w pw");
        QCOMPARE(w->focusWidget(), again);
        QTest::keyClick(again, Qt::Key_Return);
        QCOMPARE(w->focusWidget(), confirm);
        QTest::keyClick(confirm, Qt::Key_Return);
        QCOMPARE(responder.shown(), QStringList{"售货员 王芳 修改密码成功！"});
        QCOMPARE(shydl(store.db(), "1001")->mm, QString("n3w pw"));
        QCOMPARE(number->text() + old->text() + fresh->text() + again->text(), QString());
        QVERIFY(passwordWindow()->isVisible());

        // Esc leaves; the sign-on window comes back with empty fields.
        QPointer<QWidget> gone = w;
        QTest::keyClick(number, Qt::Key_Escape);
        QTRY_VERIFY(gone.isNull());
        QVERIFY(signOnWindow()->isVisible());
        QCOMPARE(edit(signOnWindow(), "clerkNumber")->text(), QString());
        responder.clear();
        run.signOn("1001", "pw");
        QCOMPARE(responder.shown(), QStringList{"你的输入有误,请重新输入！"});
        run.signOn("1001", "n3w pw");
        QCOMPARE(tillLooks(), kOnDuty);
    }
};

STORE_TEST_MAIN(TestTillShift)
#include "tst_till_shift.moc"
