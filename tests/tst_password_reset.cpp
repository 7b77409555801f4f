// Password resets: what the store records and owes, the forced change
// through the real sign-on windows of the till and the back office, and
// storetool reset-admin run as a program.

#include "till_harness.h"

#include "admin/passwordchangewindow.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/passwordreset.h"
#include "storedb/personnel.h"
#include "storedb/till.h"
#include "support/adminfixture.h"

#include <QProcess>
#include <QRegularExpression>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

Q_DECLARE_METATYPE(storedb::Person)

namespace {

QString passwordOf(Db& db, Person person, const QString& number) {
    return scalar(db,
                  person == Person::Administrator ? "select mm from glyb where glyh=:n"
                                                  : "select mm from shyb where shyh=:n",
                  {{"n", number}})
        .toString();
}

// The store's resets as "program|glyh|kind|number", oldest first.
QStringList resets(Db& db) {
    QSqlQuery q = db.exec("resets", "select program||'|'||coalesce(glyh,'-')||'|'||kind||'|'||"
                                    "number from passwordreset order by id");
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString();
    return rows;
}

// A till whose clerk 1001 (王芳) had the password reset to "r3set".
struct TillAfterReset {
    TestStore store;
    formkit::ScriptedResponder responder;
    TillRun run{store.folder(), "till-1"};
    TillAfterReset() {
        addTill(store.db(), "till-1", 150);
        addClerk(store.db(), "1001", "王芳", "old");
        store.writeDataLink(store.folder());
        resetPassword(store.db(), Person::Clerk, "1001", "r3set", {kResetByTool, {}},
                      QDateTime::currentDateTime());
        run.start();
    }
    bool due() { return passwordChangeDue(store.db(), Person::Clerk, "1001"); }
};

} // namespace

class TestPasswordReset : public QObject {
    Q_OBJECT

  private slots:
    void resetAndOwnChange_data() {
        QTest::addColumn<Person>("person");
        QTest::addColumn<QString>("number");
        QTest::newRow("管理员") << Person::Administrator << "2";
        QTest::newRow("售货员") << Person::Clerk << "1001";
    }
    void resetAndOwnChange() {
        QFETCH(Person, person);
        QFETCH(QString, number);
        const QString kind = QTest::currentDataTag();
        TestStore store;
        Db& db = store.db();
        insertAdministrator(db, "2", "张经理", "old");
        addClerk(db, "1001", "王芳", "old");
        const QDateTime when = QDateTime::currentDateTime().addSecs(-30);

        QVERIFY(!resetPassword(db, person, "9", "r3set", {kResetByBackOffice, "1"}, when));
        QVERIFY(resetPassword(db, person, number, "r3set", {kResetByBackOffice, "1"}, when));
        QCOMPARE(passwordOf(db, person, number), QString("r3set"));
        QVERIFY(passwordChangeDue(db, person, number));
        // The other kind of person with the same number owes nothing.
        const Person other = person == Person::Clerk ? Person::Administrator : Person::Clerk;
        QVERIFY(!passwordChangeDue(db, other, number));
        QCOMPARE(readDateTime(scalar(db, "select reset from passwordreset")).toSecsSinceEpoch(),
                 when.toSecsSinceEpoch());
        // Again while due: recorded twice, owed once.
        QVERIFY(resetPassword(db, person, number, "r3set", {kResetByTool, {}}, when));
        QCOMPARE(resets(db), (QStringList{"tavo_admin|1|" + kind + "|" + number,
                                          "storetool|-|" + kind + "|" + number}));
        QCOMPARE(count(db, "select count(*) from passwordchangedue"), 1);

        QCOMPARE(changeOwnPassword(db, person, number, "old", "mine"),
                 PasswordChange::WrongPassword);
        QCOMPARE(changeOwnPassword(db, person, "9", "r3set", "mine"), PasswordChange::Missing);
        QCOMPARE(changeOwnPassword(db, person, number, "r3set", "r3set"),
                 PasswordChange::Unchanged);
        QVERIFY(passwordChangeDue(db, person, number));
        QCOMPARE(changeOwnPassword(db, person, number, "r3set", "mine"), PasswordChange::Changed);
        QCOMPARE(passwordOf(db, person, number), QString("mine"));
        QVERIFY(!passwordChangeDue(db, person, number));
        // Not due any more: keeping the password is the person's own choice.
        QCOMPARE(changeOwnPassword(db, person, number, "mine", "mine"), PasswordChange::Changed);

        // A removed person's due change goes with the person; the record stays.
        QVERIFY(resetPassword(db, person, number, "r3set", {kResetByTool, {}}, when));
        if (person == Person::Clerk)
            QCOMPARE(removeClerk(db, number).result, ClerkRemoval::Removed);
        else
            QCOMPARE(removeAdministrator(db, number), AdministratorRemoval::Removed);
        QVERIFY(!passwordChangeDue(db, person, number));
        QCOMPARE(resets(db).size(), 3);
    }

    // The password, the due change and the record stand or fall together.
    void nothingHalfWritten_data() {
        QTest::addColumn<QString>("breakSql");
        QTest::addColumn<bool>("reset"); // else the own change
        QTest::newRow("reset, record fails") << "drop table passwordreset" << true;
        QTest::newRow("reset, due fails") << "drop table passwordchangedue" << true;
        QTest::newRow("change, clearing fails") << "drop table passwordchangedue" << false;
    }
    void nothingHalfWritten() {
        QFETCH(QString, breakSql);
        QFETCH(bool, reset);
        TestStore store;
        Db& db = store.db();
        addClerk(db, "1001", "王芳", "old");
        db.exec("break", breakSql);
        const auto write = [&] {
            if (reset)
                resetPassword(db, Person::Clerk, "1001", "new", {kResetByTool, {}},
                              QDateTime::currentDateTime());
            else
                changeOwnPassword(db, Person::Clerk, "1001", "old", "new");
        };
        QVERIFY_THROWS_EXCEPTION(DbError, write());
        QVERIFY(!db.inTransaction());
        QCOMPARE(passwordOf(db, Person::Clerk, "1001"), QString("old"));
        if (breakSql.contains("passwordchangedue"))
            QCOMPARE(resets(db).size(), 0);
    }

    // The forced change comes before any shift opens.
    void tillForcesTheChangeBeforeTheShift() {
        TillAfterReset till;
        Db& db = till.store.db();
        const auto noShift = [&] {
            QCOMPARE(count(db, "select count(*) from shyrzb"), 0);
            QCOMPARE(scalar(db, "select zt from jqb").toString(), kTillStandby);
            QVERIFY(!saleTableExists(db, "till-1"));
        };
        till.run.signOn("1001", "r3set");
        QCOMPARE(till.responder.shown(), QStringList{"你的密码已被重置,请先修改密码！"});
        QVERIFY(!signOnWindow()->isVisible());
        QPointer<QWidget> w = passwordWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(edit(w, "clerkNumber")->text(), QString("1001"));
        QVERIFY(edit(w, "clerkNumber")->isReadOnly() && edit(w, "oldPassword")->isReadOnly());
        QCOMPARE(w->focusWidget(), edit(w, "newPassword"));
        noShift();

        // Esc: back to the sign-on window, nothing open, the change still owed.
        till.responder.clear();
        QTest::keyClick(edit(w, "newPassword"), Qt::Key_Escape);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(till.responder.shown(), QStringList{"没有修改密码,登录没有完成！"});
        QVERIFY(signOnWindow()->isVisible());
        noShift();
        QVERIFY(till.due());

        // Again: keeping the reset password is refused; a new one signs on.
        till.run.signOn("1001", "r3set");
        w = passwordWindow();
        const auto enter = [&](const QString& a, const QString& b) {
            till.responder.clear();
            typeInto(edit(w, "newPassword"), a);
            QTest::keyClick(edit(w, "newPassword"), Qt::Key_Return);
            typeInto(edit(w, "newPasswordAgain"), b);
            QTest::keyClick(edit(w, "newPasswordAgain"), Qt::Key_Return);
            QTest::keyClick(button(w, "changeButton"), Qt::Key_Return);
        };
        enter("r3set", "r3set");
        QCOMPARE(till.responder.shown(), QStringList{"新密码不能与原密码相同,请重新输入！"});
        noShift();
        enter("mine", "mine");
        QTRY_VERIFY(w.isNull());
        QCOMPARE(till.responder.shown(),
                 (QStringList{"售货员 王芳 修改密码成功！", "售货员 王芳 登录成功!",
                              "此台计算机还有余额 150"}));
        QCOMPARE(tillLooks(), kOnDuty);
        QCOMPARE(count(db, "select count(*) from shyrzb where shyh='1001' and zxsj is null"), 1);
        QCOMPARE(passwordOf(db, Person::Clerk, "1001"), QString("mine"));
        QVERIFY(!till.due());
    }

    // Changed from the sign-on window's own button, the reset password no
    // longer forces anything.
    void tillOwnChangeClearsTheDueChange() {
        TillAfterReset till;
        button(signOnWindow(), "changePasswordButton")->click();
        QWidget* w = passwordWindow();
        QVERIFY(w && !edit(w, "clerkNumber")->isReadOnly());
        const QStringList typed{"1001", "r3set", "mine", "mine"};
        const char* boxes[] = {"clerkNumber", "oldPassword", "newPassword", "newPasswordAgain"};
        for (int i = 0; i < 4; ++i)
            edit(w, boxes[i])->setText(typed[i]);
        button(w, "changeButton")->click();
        QCOMPARE(till.responder.shown(), QStringList{"售货员 王芳 修改密码成功！"});
        QVERIFY(!till.due());
    }

    // The login completes only after the change.
    void backOfficeForcesTheChangeBeforeUnlocking() {
        AdminFixture office;
        insertAdministrator(office.db(), "2", "张经理", "old");
        resetPassword(office.db(), Person::Administrator, "2", "r3set", {kResetByBackOffice, "1"},
                      QDateTime::currentDateTime());
        office.start();
        auto& responder = office.responder;
        const auto signOnWithReset = [&] {
            responder.clear();
            office.typeLogin("2", "r3set");
            QTest::keyClick(office.loginButton("signOnButton"), Qt::Key_Return);
        };
        const auto locked = [&] {
            QCOMPARE(office.session().administrator(), QString());
            QVERIFY(!office.toolButton("personnelButton")->isEnabled());
        };
        signOnWithReset();
        QCOMPARE(responder.shown(), QStringList{"你的密码已被重置,请先修改密码！"});
        QVERIFY(!office.login().isVisible());
        admin::PasswordChangeWindow* w = office.login().passwordChangeWindow();
        QVERIFY(w && w->isVisible());
        QCOMPARE(ctl<QLineEdit>(w, "number")->text(), QString("2"));
        locked();

        QLineEdit* fresh = ctl<QLineEdit>(w, "newPassword");
        const auto enter = [&](const QString& a, const QString& b) {
            responder.clear();
            fresh->setFocus();
            QTest::keyClicks(fresh, a);
            QTest::keyClick(fresh, Qt::Key_Return);
            QTest::keyClicks(ctl<QLineEdit>(w, "confirmation"), b);
            QTest::keyClick(ctl<QLineEdit>(w, "confirmation"), Qt::Key_Return);
            QTest::keyClick(ctl<QPushButton>(w, "confirmButton"), Qt::Key_Return);
            return responder.shown();
        };
        QCOMPARE(enter("mine", "mien"), QStringList{"密码输入不一致,请重新输入密码！"});
        QCOMPARE(enter("r3set", "r3set"), QStringList{"新密码不能与重置的密码相同,请重新输入！"});

        // Esc cancels: the login is back, the back office stays locked.
        responder.clear();
        QTest::keyClick(fresh, Qt::Key_Escape);
        QCOMPARE(responder.shown(), QStringList{"没有修改密码,登录没有完成！"});
        QVERIFY(!w->isVisible() && office.login().isVisible());
        locked();
        QVERIFY(passwordChangeDue(office.db(), Person::Administrator, "2"));

        signOnWithReset();
        QCOMPARE(enter("mine", "mine"),
                 (QStringList{"管理员 张经理 修改密码成功！", "管理员张经理登录成功！"}));
        QVERIFY(!w->isVisible() && !office.login().isVisible());
        QCOMPARE(office.session().administrator(), QString("2"));
        QVERIFY(office.toolButton("personnelButton")->isEnabled());
        QCOMPARE(passwordOf(office.db(), Person::Administrator, "2"), QString("mine"));
        QVERIFY(!passwordChangeDue(office.db(), Person::Administrator, "2"));
    }

    void storetoolResetAdmin_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("existing") << QStringList{"1"} << 0 << "One-time password: ";
        QTest::newRow("unknown") << QStringList{"9"} << 1 << "has no administrator number \"9\"";
        QTest::newRow("no number") << QStringList{} << 2 << "reset-admin needs the administrator";
    }
    void storetoolResetAdmin() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        TestStore store;
        store.writeDataLink(store.folder());
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/../tools/storetool",
                   QStringList{"reset-admin", "--udl", store.folder() + "/link.udl"} + arguments);
        QVERIFY(tool.waitForFinished(60000));
        const QString output =
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QCOMPARE(tool.exitCode(), exitCode);
        QVERIFY2(output.contains(says), qPrintable(output));
        const QString password = passwordOf(store.db(), Person::Administrator, "1");
        if (exitCode != 0) {
            QCOMPARE(password, kFirstAdministratorPassword);
            QCOMPARE(resets(store.db()), QStringList());
            return;
        }
        // Printed as stored, readable: no 0/O, 1/l/I to mistake.
        QVERIFY2(QRegularExpression("One-time password: [2-9a-hjkmnp-z]{4}-[2-9a-hjkmnp-z]{4}\n")
                     .match(output)
                     .captured(0)
                     .contains(password),
                 qPrintable(output));
        QVERIFY(passwordChangeDue(store.db(), Person::Administrator, "1"));
        QCOMPARE(resets(store.db()), QStringList{"storetool|-|管理员|1"});
    }
};

STORE_TEST_MAIN(TestPasswordReset)
#include "tst_password_reset.moc"
