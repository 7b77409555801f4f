// The personnel window driven through its controls: administrators and
// clerks, their checks and messages, and the people who must not be removed.

#include "admin/personnelwindow.h"
#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/passwordreset.h"
#include "storedb/personnel.h"
#include "storedb/procedures.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

using namespace testsupport;

namespace {

QStringList column(const QTableView* grid, int col) {
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values.append(grid->model()->index(row, col).data().toString());
    return values;
}

// A person's row as text ("number|name|password"), or "none".
QString personRow(storedb::Db& db, const QString& table, const QString& number) {
    const QString key = table == "glyb" ? "glyh" : "shyh";
    QSqlQuery q = db.exec("person",
                          QString("select %1,%2,mm from %3 where %1=:n")
                              .arg(key, table == "glyb" ? "glym" : "shym", table),
                          {{"n", number}});
    if (!q.next())
        return "none";
    return QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString()}.join(
        '|');
}

void type(QLineEdit* edit, const QString& text) {
    edit->clear();
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void doubleClickRow(QTableView* grid, const QString& firstColumn) {
    const int row = column(grid, 0).indexOf(firstColumn);
    QVERIFY2(row >= 0, qPrintable(firstColumn));
    const QPoint at = grid->visualRect(grid->model()->index(row, 0)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

struct Controls {
    explicit Controls(const QWidget* w) : window(w) {}
    template <typename T> T* c(const char* name) const { return ctl<T>(window, name); }
    const QWidget* window;
    QTabWidget* pages = c<QTabWidget>("pages");
    QRadioButton* deleteAdministratorOption = c<QRadioButton>("deleteAdministratorOption");
    QRadioButton* modifyAdministratorOption = c<QRadioButton>("modifyAdministratorOption");
    QLineEdit* administratorNumber = c<QLineEdit>("administratorNumber");
    QLineEdit* administratorName = c<QLineEdit>("administratorName");
    QLineEdit* administratorPassword = c<QLineEdit>("administratorPassword");
    QLineEdit* administratorSecondPassword = c<QLineEdit>("administratorSecondPassword");
    QLabel* administratorPasswordCaption = c<QLabel>("administratorPasswordCaption");
    QLabel* administratorSecondPasswordCaption = c<QLabel>("administratorSecondPasswordCaption");
    QPushButton* administratorConfirmButton = c<QPushButton>("administratorConfirmButton");
    QPushButton* administratorCancelButton = c<QPushButton>("administratorCancelButton");
    QTableView* administratorsGrid = c<QTableView>("administratorsGrid");
    QRadioButton* deleteClerkOption = c<QRadioButton>("deleteClerkOption");
    QRadioButton* modifyClerkOption = c<QRadioButton>("modifyClerkOption");
    QLineEdit* clerkNumber = c<QLineEdit>("clerkNumber");
    QLineEdit* clerkName = c<QLineEdit>("clerkName");
    QPushButton* clerkConfirmButton = c<QPushButton>("clerkConfirmButton");
    QTableView* clerksGrid = c<QTableView>("clerksGrid");
};

// Another program's write transaction, held open for a moment on a
// connection of its own: a removal started meanwhile must wait for its
// outcome instead of deciding on what it read before.
class WriterInFlight {
  public:
    WriterInFlight(const TestStore& store, const QList<QPair<QString, storedb::Params>>& writes) {
        thread_ = std::thread([this, &store, writes] {
            try {
                auto other = store.openAnother("writer");
                other->begin();
                for (const auto& [sql, params] : writes)
                    other->exec("writer", sql, params);
                writing_ = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                other->commit();
            } catch (const storedb::Error& e) {
                failure_ = e.text();
                writing_ = true;
            }
        });
        while (!writing_)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~WriterInFlight() { join(); }
    // The writer's failure, if any, once it has finished.
    QString join() {
        if (thread_.joinable())
            thread_.join();
        return failure_;
    }

  private:
    std::thread thread_;
    std::atomic<bool> writing_{false};
    QString failure_;
};

} // namespace

class TestPersonnel : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::PersonnelWindow* window = nullptr;
    std::unique_ptr<Controls> ui;

    storedb::Db& db() { return office->db(); }
    const QStringList& shown() const { return office->responder.shown(); }
    QWidget* focused() const { return window->focusWidget(); }

    void administratorAction(const QString& glyh, const QString& glym, const QString& mm,
                             const QString& mm2) {
        ui->administratorNumber->setText(glyh);
        ui->administratorName->setText(glym);
        ui->administratorPassword->setText(mm);
        ui->administratorSecondPassword->setText(mm2);
        ui->administratorConfirmButton->click();
    }
    void clerkAction(const QString& shyh, const QString& shym) {
        ui->clerkNumber->setText(shyh);
        ui->clerkName->setText(shym);
        ui->clerkConfirmButton->click();
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        window = &office->windows().personnelWindow();
        ui = std::make_unique<Controls>(window);
        addClerk(db(), "1001", "王芳", "pw1");
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        ui.reset();
        window = nullptr;
        office.reset();
    }

    void openingFromTheMainWindow() {
        QCOMPARE(ui->administratorPasswordCaption->text(), QString("密   码"));
        QCOMPARE(ui->administratorSecondPasswordCaption->text(), QString("确认密码        "));
        QCOMPARE(ui->pages->currentIndex(), 1);
        ui->clerkNumber->setText("x");
        ui->administratorPassword->setText("y");

        office->action("administratorsAction")->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(ui->pages->currentIndex(), 0);
        QCOMPARE(ui->clerkNumber->text(), QString()); // the show cleared every box
        QCOMPARE(ui->administratorPassword->text(), QString());
        QCOMPARE(column(ui->administratorsGrid, 0), QStringList({"1"}));
        QCOMPARE(column(ui->administratorsGrid, 1), QStringList({"管理员"}));
        QCOMPARE(ui->administratorsGrid->columnWidth(0), 50);
        QCOMPARE(ui->administratorsGrid->columnWidth(1), 150);

        // Already up: the page and its list change, the boxes stay.
        ui->administratorNumber->setText("kept");
        office->action("clerksAction")->trigger();
        QCOMPARE(ui->pages->currentIndex(), 1);
        QCOMPARE(column(ui->clerksGrid, 0), QStringList({"1001"}));
        QCOMPARE(ui->clerksGrid->columnWidth(1), 150);
        QCOMPARE(ui->administratorNumber->text(), QString("kept"));

        // The user changing pages runs that page's list.
        ui->pages->setCurrentIndex(0);
        QCOMPARE(column(ui->administratorsGrid, 0), QStringList({"1"}));
        QCOMPARE(ui->administratorNumber->text(), QString("kept"));
        QVERIFY(shown().isEmpty());

        ui->administratorCancelButton->click();
        office->toolButton("personnelButton")->click();
        QCOMPARE(ui->administratorNumber->text(), QString());
    }

    void clerkAddedWithTheNumberAsPassword() {
        window->openClerks();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));

        ui->clerkConfirmButton->click();
        QCOMPARE(focused(), ui->clerkNumber);
        ui->clerkNumber->setText("007");
        ui->clerkConfirmButton->click();
        QCOMPARE(focused(), ui->clerkName);
        QCOMPARE(shown(), QStringList({"请输入售货员号！", "请输入售货员名！"}));
        QCOMPARE(personRow(db(), "shyb", "007"), QString("none"));

        // Enter walks number, name, OK.
        ui->clerkNumber->setFocus();
        QTest::keyClick(ui->clerkNumber, Qt::Key_Return);
        QCOMPARE(focused(), ui->clerkName);
        type(ui->clerkName, "张三");
        QTest::keyClick(ui->clerkName, Qt::Key_Return);
        QCOMPARE(focused(), ui->clerkConfirmButton);
        QTest::keyClick(ui->clerkConfirmButton, Qt::Key_Return);
        QCOMPARE(shown().last(), QString("售货员 张三 添加成功！"));
        QCOMPARE(personRow(db(), "shyb", "007"), QString("007|张三|007"));
        QCOMPARE(column(ui->clerksGrid, 0), QStringList({"1001", "007"}));
        QCOMPARE(ui->clerkNumber->text(), QString());
        QCOMPARE(ui->clerkName->text(), QString());
        QCOMPARE(focused(), ui->clerkNumber);

        clerkAction("007", "李四");
        QCOMPARE(shown().last(), QString("此售货员号已经被人占用,请重新输入！"));
        QCOMPARE(personRow(db(), "shyb", "007"), QString("007|张三|007"));
        QCOMPARE(ui->clerkName->text(), QString());
        QCOMPARE(shown().size(), 4);
    }

    void clerkPickedRenamedAndDeleted() {
        window->openClerks();
        ui->clerkNumber->setText("1001");
        ui->modifyClerkOption->click();
        QCOMPARE(ui->clerkNumber->text(), QString()); // a new action starts empty

        doubleClickRow(ui->clerksGrid, "1001");
        QCOMPARE(ui->clerkNumber->text(), QString("1001"));
        QCOMPARE(ui->clerkName->text(), QString("王芳"));
        type(ui->clerkName, "王芳芳");
        ui->clerkConfirmButton->click();
        QCOMPARE(shown(), QStringList({"售货员 王芳芳 修改成功！"}));
        QCOMPARE(personRow(db(), "shyb", "1001"), QString("1001|王芳芳|pw1"));
        QCOMPARE(column(ui->clerksGrid, 1), QStringList({"王芳芳"}));
        clerkAction("1002", "无此人");
        QCOMPARE(shown().last(), QString("此售货员号不存在,请重新输入！"));

        ui->deleteClerkOption->click();
        clerkAction("1001", "随便"); // the name is not compared
        clerkAction("1001", "随便");
        QCOMPARE(shown().mid(2),
                 QStringList({"售货员 随便 删除成功！", "此售货员号不存在,请重新输入！"}));
        QCOMPARE(personRow(db(), "shyb", "1001"), QString("none"));
        QCOMPARE(ui->clerksGrid->model()->rowCount(), 0);
    }

    void administratorAddChecksInOrder() {
        window->openAdministrators();
        const QStringList empty{"请输入管理员号！", "请输入管理员名！", "密码不能为空,请输入密码",
                                "密码不能为空,请输入密码"};
        const QList<QLineEdit*> boxes{ui->administratorNumber, ui->administratorName,
                                      ui->administratorPassword, ui->administratorSecondPassword};
        for (int filled = 0; filled < 4; ++filled) {
            office->responder.clear();
            administratorAction(filled > 0 ? "2" : "", filled > 1 ? "张经理" : "",
                                filled > 2 ? "abc" : "", "");
            QCOMPARE(shown(), QStringList({empty.at(filled)}));
            QCOMPARE(focused(), boxes.at(filled));
        }
        QCOMPARE(personRow(db(), "glyb", "2"), QString("none"));

        office->responder.clear();
        administratorAction("2", "张经理", "abc", "abd");
        QCOMPARE(shown(), QStringList({"密码输入不一致,请重新输入密码！"}));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("none"));
        QCOMPARE(ui->administratorPassword->text(), QString());
        QCOMPARE(ui->administratorSecondPassword->text(), QString());
        QCOMPARE(ui->administratorNumber->text(), QString("2"));
        QCOMPARE(focused(), ui->administratorPassword);

        // Enter walks the four boxes to OK.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        ui->administratorNumber->setFocus();
        for (QLineEdit* box : boxes) {
            QCOMPARE(focused(), box);
            if (box->text().isEmpty())
                QTest::keyClicks(box, "abc");
            QTest::keyClick(box, Qt::Key_Return);
        }
        QCOMPARE(focused(), ui->administratorConfirmButton);
        QTest::keyClick(ui->administratorConfirmButton, Qt::Key_Return);
        QCOMPARE(shown().last(), QString("管理员 张经理 添加成功！"));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("2|张经理|abc"));
        QCOMPARE(column(ui->administratorsGrid, 0), QStringList({"1", "2"}));
        for (QLineEdit* box : boxes)
            QCOMPARE(box->text(), QString());
        QCOMPARE(focused(), ui->administratorNumber);

        administratorAction("1", "别人", "x", "x");
        QCOMPARE(shown().last(), QString("此管理员号已经被人占用,请重新输入！"));
        QCOMPARE(ui->administratorNumber->text(), QString());
        QCOMPARE(ui->administratorName->text(), QString("别人")); // the number reset keeps the name
        QCOMPARE(ui->administratorPassword->text(), QString());
        QCOMPARE(personRow(db(), "glyb", "1"), QString("1|管理员|1234"));
    }

    void deleteAndModifyNeedTheStoredPassword() {
        storedb::insertAdministrator(db(), "2", "张经理", "abc");
        window->openAdministrators();

        ui->modifyAdministratorOption->click();
        QCOMPARE(ui->administratorPasswordCaption->text(), QString(" 原密码         "));
        QCOMPARE(ui->administratorSecondPasswordCaption->text(), QString(" 新密码       "));
        administratorAction("2", "张总", "abd", "new");
        QCOMPARE(shown().last(), QString("密码不正确,你无权修改!"));
        QCOMPARE(ui->administratorPassword->text(), QString());
        QCOMPARE(ui->administratorName->text(), QString("张总"));
        QCOMPARE(focused(), ui->administratorPassword);
        administratorAction("2", "张总", "abc", ""); // refused before anything is read
        QCOMPARE(shown().last(), QString("密码不能为空,请输入密码"));
        administratorAction("9", "张总", "abc", "new");
        QCOMPARE(shown().last(), QString("此管理员号不存在,请重新输入！"));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("2|张经理|abc"));
        doubleClickRow(ui->administratorsGrid, "2");
        QCOMPARE(ui->administratorNumber->text(), QString("2"));
        QCOMPARE(ui->administratorName->text(), QString("张经理"));
        administratorAction("2", "张总", "abc", "new");
        QCOMPARE(shown().last(), QString("管理员 张总 修改成功！"));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("2|张总|new"));
        QCOMPARE(column(ui->administratorsGrid, 1), QStringList({"管理员", "张总"}));
        QCOMPARE(shown().size(), 4);

        office->responder.clear();
        ui->deleteAdministratorOption->click();
        QCOMPARE(ui->administratorPasswordCaption->text(), QString("密           码         "));
        QCOMPARE(ui->administratorSecondPasswordCaption->text(), QString("确认密码       "));
        administratorAction("2", "任意", "new", "abc");
        administratorAction("2", "任意", "abc", "abc");
        administratorAction("3", "任意", "new", "new");
        QCOMPARE(shown(), QStringList({"密码输入不一致,请重新输入密码！", "密码不正确,你无权删除!",
                                       "此管理员号不存在,请重新输入！"}));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("2|张总|new"));
        administratorAction("2", "任意", "new", "new");
        QCOMPARE(shown().last(), QString("管理员 任意 删除成功！"));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("none"));
        QCOMPARE(column(ui->administratorsGrid, 0), QStringList({"1"}));

        // Captions follow the action; the show leaves them alone.
        window->close();
        window->openAdministrators();
        QCOMPARE(ui->administratorPasswordCaption->text(), QString("密           码         "));
        QVERIFY(ui->deleteAdministratorOption->isChecked());
    }

    void lastAdministratorIsKept() {
        storedb::insertAdministrator(db(), "2", "张经理", "abc");
        window->openAdministrators();
        ui->deleteAdministratorOption->click();
        // The one signed on may go while another is left.
        QCOMPARE(office->session().administrator(), QString("1"));
        administratorAction("1", "管理员", "1234", "1234");
        QCOMPARE(shown(), QStringList({"管理员 管理员 删除成功！"}));
        QCOMPARE(personRow(db(), "glyb", "1"), QString("none"));

        administratorAction("2", "张经理", "abc", "abc");
        QCOMPARE(shown().last(),
                 QString("此管理员是仅剩的一个管理员,不能删除！否则将无人能登录服务器端。"));
        QCOMPARE(personRow(db(), "glyb", "2"), QString("2|张经理|abc"));
        QCOMPARE(ui->administratorNumber->text(), QString());
        QCOMPARE(column(ui->administratorsGrid, 0), QStringList({"2"}));
        // Still the one who can sign on.
        QCOMPARE(storedb::glydl(db(), "2")->mm, std::optional<QString>("abc"));

        // With a second administrator again, the first may go.
        storedb::insertAdministrator(db(), "3", "李经理", "xyz");
        administratorAction("2", "张经理", "abc", "abc");
        QCOMPARE(shown().last(), QString("管理员 张经理 删除成功！"));
        QCOMPARE(storedb::removeAdministrator(db(), "3"), storedb::AdministratorRemoval::LastOne);
        QCOMPARE(storedb::removeAdministrator(db(), "9"), storedb::AdministratorRemoval::Missing);
    }

    // A reset from either page: the page's own checks, a question, the new
    // password with its due change and record.
    void passwordReset_data() {
        QTest::addColumn<bool>("administrators");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("storedName");
        QTest::newRow("管理员") << true << "2"
                                << "张经理";
        QTest::newRow("售货员") << false << "1001"
                                << "王芳";
    }
    void passwordReset() {
        QFETCH(bool, administrators);
        QFETCH(QString, number);
        QFETCH(QString, storedName);
        const QString who = QTest::currentDataTag();
        storedb::insertAdministrator(db(), "2", "张经理", "abc");
        const auto person =
            administrators ? storedb::Person::Administrator : storedb::Person::Clerk;
        const QString table = administrators ? "glyb" : "shyb";
        const QString before = personRow(db(), table, number);
        QLineEdit* numberBox = administrators ? ui->administratorNumber : ui->clerkNumber;
        QLineEdit* nameBox = administrators ? ui->administratorName : ui->clerkName;
        QLineEdit* first =
            administrators ? ui->administratorPassword : ctl<QLineEdit>(window, "clerkNewPassword");
        QLineEdit* second = administrators ? ui->administratorSecondPassword
                                           : ctl<QLineEdit>(window, "clerkConfirmation");
        QPushButton* ok = administrators ? ui->administratorConfirmButton : ui->clerkConfirmButton;
        administrators ? window->openAdministrators() : window->openClerks();
        QVERIFY(administrators || first->isHidden());
        ctl<QRadioButton>(window, administrators ? "resetAdministratorPasswordOption"
                                                 : "resetClerkPasswordOption")
            ->click();
        QVERIFY(!first->isHidden() && !second->isHidden());
        if (administrators)
            QCOMPARE(ui->administratorPasswordCaption->text(), QString(" 新密码         "));
        const auto act = [&](const QString& n, const QString& a, const QString& b) {
            office->responder.clear();
            numberBox->setText(n);
            nameBox->setText("任意");
            first->setText(a);
            second->setText(b);
            ok->click();
            return shown();
        };
        QCOMPARE(act(number, "x", ""), QStringList{"密码不能为空,请输入密码"});
        QCOMPARE(focused(), second);
        QCOMPARE(act("9", "x", "x"), QStringList{"此" + who + "号不存在,请重新输入！"});
        QCOMPARE(act(number, "x", "y"), QStringList{"密码输入不一致,请重新输入密码！"});
        QCOMPARE(numberBox->text() + "|" + first->text() + second->text(), number + "|");
        const QString question = "确实要重置" + who + " " + number + " " + storedName +
                                 " 的密码吗？重置后须在下次登录时修改密码。";
        office->responder.answer(false);
        QCOMPARE(act(number, "r3set", "r3set"), QStringList{question});
        QCOMPARE(personRow(db(), table, number), before);

        // Enter walks the boxes to OK, which asks and resets.
        office->responder.answer(true);
        act(number, "", "");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        nameBox->setFocus();
        QTest::keyClick(nameBox, Qt::Key_Return);
        for (QLineEdit* box : {first, second}) {
            QCOMPARE(focused(), box);
            type(box, "r3set");
            QTest::keyClick(box, Qt::Key_Return);
        }
        office->responder.clear();
        QTest::keyClick(ok, Qt::Key_Return);
        QCOMPARE(shown(), (QStringList{question, who + " " + storedName +
                                                     " 的密码已重置,下次登录时须修改密码！"}));
        QCOMPARE(personRow(db(), table, number).section('|', 2), QString("r3set"));
        QVERIFY(storedb::passwordChangeDue(db(), person, number));
        QSqlQuery record =
            db().exec("record", "select program||glyh||kind||number from passwordreset");
        QVERIFY(record.next());
        QCOMPARE(record.value(0).toString(), "tavo_admin1" + who + number);
        QCOMPARE(numberBox->text() + first->text(), QString());

        // The own password is changed knowing it, not reset.
        if (administrators) {
            QCOMPARE(act("1", "x", "x"),
                     QStringList{"不能重置自己的密码！请选“修改管理员项目”修改自己的密码。"});
            QCOMPARE(personRow(db(), "glyb", "1"), QString("1|管理员|1234"));
        }
    }

    // Shifts written by the till's own sign-on, charging and sign-off.
    void clerkWithAShiftToAccountForIsKept() {
        addTill(db(), "POS1", 150);
        addCategory(db(), "01", "饮料");
        addGoods(db(), "01", "6901", "可乐", 5, 100);
        addClerk(db(), "1002", "赵强", "pw2");
        const auto sell = [this](int pieces) {
            const auto goods = storedb::hwhdw(db(), "6901");
            QVERIFY(storedb::addSaleLine(db(), "POS1", "6901", *goods, pieces).added);
            storedb::chargeSale(db(), "POS1", QDate::currentDate());
        };
        window->openClerks();
        ui->deleteClerkOption->click();

        storedb::signOn(db(), "POS1", "1001", QDateTime::currentDateTime());
        clerkAction("1001", "王芳");
        QCOMPARE(shown(),
                 QStringList({"售货员 1001 正在计算机 POS1 上班,不能删除！请等其注销后再删除。"}));
        QCOMPARE(ui->clerkNumber->text(), QString());

        sell(20); // 100 yuan: 250 in the drawer, 100 handed in
        QCOMPARE(storedb::signOff(db(), "POS1", QDateTime::currentDateTime()).handIn, 100.0);
        clerkAction("1001", "王芳");
        QCOMPARE(shown().last(),
                 QString("售货员 1001 还有 100 元营业款未交,不能删除！请先结算营业款再删除。"));
        QCOMPARE(personRow(db(), "shyb", "1001"), QString("1001|王芳|pw1"));
        QCOMPARE(column(ui->clerksGrid, 0), QStringList({"1001", "1002"}));

        // A shift that took money but hands nothing in owes nothing.
        storedb::signOn(db(), "POS1", "1002", QDateTime::currentDateTime().addSecs(60));
        sell(1);
        QCOMPARE(storedb::signOff(db(), "POS1", QDateTime::currentDateTime().addSecs(120)).handIn,
                 0.0);
        clerkAction("1002", "赵强");
        QCOMPARE(shown().last(), QString("售货员 赵强 删除成功！"));

        // Settled, the clerk may go; the shift rows stay.
        db().exec("settle", "update shyrzb set bj=:bj where shyh=:shyh",
                  {{"bj", storedb::kHandedIn}, {"shyh", "1001"}});
        clerkAction("1001", "王芳");
        QCOMPARE(shown().last(), QString("售货员 王芳 删除成功！"));
        QCOMPARE(shown().size(), 4);
        QSqlQuery shifts = db().exec("shifts", "select count(*) from shyrzb");
        QVERIFY(shifts.next());
        QCOMPARE(shifts.value(0).toInt(), 2);
    }

    void clerkOfAShiftAtARemovedTillIsKept() {
        addTill(db(), "POS2", 80);
        storedb::signOn(db(), "POS2", "1001", QDateTime::currentDateTime());
        db().exec("removed meanwhile", "delete from jqb"); // as the back office once could
        const storedb::ClerkRemoval removal = storedb::removeClerk(db(), "1001");
        QCOMPARE(removal.result, storedb::ClerkRemoval::OnDuty);
        QCOMPARE(removal.jsj, QString("POS2"));
        storedb::signOff(db(), "POS2", QDateTime::currentDateTime());
        QCOMPARE(storedb::removeClerk(db(), "1001").result, storedb::ClerkRemoval::Removed);
        QCOMPARE(storedb::removeClerk(db(), "1001").result, storedb::ClerkRemoval::Missing);
    }
    // Removals decide inside their transaction: a write of another program
    // that is under way when they start is waited for, not overlooked.
    void removalsWaitForWritesInFlight() {
        storedb::insertAdministrator(db(), "2", "张经理", "abc");
        {
            WriterInFlight other(office->store,
                                 {{"delete from glyb where glyh=:glyh", {{"glyh", "2"}}}});
            QCOMPARE(storedb::removeAdministrator(db(), "1"),
                     storedb::AdministratorRemoval::LastOne);
            QCOMPARE(other.join(), QString());
        }
        QCOMPARE(personRow(db(), "glyb", "1"), QString("1|管理员|1234"));

        // A sign-on under way at a till, as the till writes it.
        addTill(db(), "POS1", 100);
        {
            WriterInFlight till(
                office->store,
                {{"update jqb set shyh=:shyh,zt=:zt where jsj='POS1'",
                  {{"shyh", "1001"}, {"zt", storedb::kTillOnline}}},
                 {"insert into shyrzb(shyh,jsj,dlsj,qye) values('1001','POS1',:dlsj,100)",
                  {{"dlsj", storedb::dateTimeParam(QDateTime::currentDateTime())}}}});
            QCOMPARE(storedb::removeClerk(db(), "1001").result, storedb::ClerkRemoval::OnDuty);
            QCOMPARE(till.join(), QString());
        }
        QCOMPARE(personRow(db(), "shyb", "1001"), QString("1001|王芳|pw1"));
        storedb::closeShift(db(), "POS1", QDateTime::currentDateTime());
    }
};

STORE_TEST_MAIN(TestPersonnel)
#include "tst_personnel.moc"
