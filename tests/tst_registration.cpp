// The till registration window driven through its controls: registering
// with an opening float, the name rules, and removing tills by double-click.

#include "admin/tillregistrationwindow.h"
#include "storedb/backoffice.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/till.h"
#include "storedb/tilllease.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

using namespace testsupport;

namespace {

QStringList column(const QTableView* grid, int col) {
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values.append(grid->model()->index(row, col).data(Qt::DisplayRole).toString());
    return values;
}

// Every till row as "jsj|shyh|ye|yye|zt", null shown as "null".
QStringList tills(storedb::Db& db) {
    QStringList rows;
    QSqlQuery q = db.exec("tills", "select jsj,shyh,ye,yye,zt from jqb order by jsj");
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < 5; ++i)
            row << (q.value(i).isNull() ? "null"
                    : i == 2 || i == 3  ? storedb::numberText(q.value(i).toDouble())
                                        : q.value(i).toString());
        rows << row.join('|');
    }
    return rows;
}

void doubleClickAt(QTableView* grid, const QPoint& at) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

void doubleClickRow(QTableView* grid, const QString& jsj) {
    const int row = column(grid, 0).indexOf(jsj);
    QVERIFY2(row >= 0, qPrintable(jsj));
    doubleClickAt(grid, grid->visualRect(grid->model()->index(row, 0)).center());
}

} // namespace

class TestRegistration : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::TillRegistrationWindow* window = nullptr;
    QLineEdit* tillName = nullptr;
    QLineEdit* floatAmount = nullptr;
    QPushButton* registerButton = nullptr;
    QTableView* tillsGrid = nullptr;

    storedb::Db& db() { return office->db(); }
    const QStringList& shown() const { return office->responder.shown(); }

    void registerTill(const QString& jsj, const QString& amount) {
        tillName->setText(jsj);
        floatAmount->setText(amount);
        registerButton->click();
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        window = &office->windows().registrationWindow();
        tillName = ctl<QLineEdit>(window, "tillName");
        floatAmount = ctl<QLineEdit>(window, "floatAmount");
        registerButton = ctl<QPushButton>(window, "registerButton");
        tillsGrid = ctl<QTableView>(window, "tillsGrid");
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
    }

    void registeringPos1AndAgain() {
        tillName->setText("left over");
        office->action("tillRegistrationAction")->trigger();
        QVERIFY(window->isVisible());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(tillName->text(), QString());
        QCOMPARE(floatAmount->text(), QString("0"));
        QCOMPARE(window->focusWidget(), tillName);
        QCOMPARE(tillsGrid->model()->rowCount(), 0);
        QCOMPARE(tillsGrid->model()->headerData(1, Qt::Horizontal).toString(), QString("余额"));

        // Enter walks name, amount, OK; the amount takes digits and one point only.
        QTest::keyClicks(tillName, "POS1");
        QTest::keyClick(tillName, Qt::Key_Return);
        QCOMPARE(window->focusWidget(), floatAmount);
        QTest::keyClick(floatAmount, Qt::Key_Backspace);
        QTest::keyClicks(floatAmount, "a-1x2.5.0");
        QCOMPARE(floatAmount->text(), QString("12.50"));
        QTest::keyClick(floatAmount, Qt::Key_Return);
        QCOMPARE(window->focusWidget(), registerButton);
        QTest::keyClick(registerButton, Qt::Key_Return);

        QCOMPARE(shown(), QStringList({"计算机 POS1 注册成功！"}));
        QCOMPARE(tills(db()), QStringList({"POS1|null|12.5|0|待机"}));
        QCOMPARE(column(tillsGrid, 0), QStringList({"POS1"}));
        QCOMPARE(column(tillsGrid, 2), QStringList({"待机"}));
        QCOMPARE(tillsGrid->columnWidth(0), 160);
        QCOMPARE(tillsGrid->columnWidth(1), 160);
        QCOMPARE(tillsGrid->columnWidth(2), 140);
        QCOMPARE(tillName->text(), QString());
        QCOMPARE(floatAmount->text(), QString("0"));
        QCOMPARE(window->focusWidget(), tillName);

        // Letter case makes no other till: on SQLite both would be one sale table.
        registerTill("POS1", "0");
        registerTill("pos1", "5");
        QCOMPARE(shown().mid(1), QStringList({"此计算机已经注册！", "此计算机已经注册！"}));
        QCOMPARE(tills(db()), QStringList({"POS1|null|12.5|0|待机"}));
        QCOMPARE(floatAmount->text(), QString("0"));

        // Registered, the till signs on under its name.
        addClerk(db(), "1001", "王芳", "pw");
        QCOMPARE(storedb::signOn(db(), "POS1", "1001", QDateTime::currentDateTime()).till.ye, 12.5);
        storedb::signOff(db(), "POS1", QDateTime::currentDateTime());
    }

    void namesAndAmountsRefused() {
        window->show();
        registerTill("", "7");
        QCOMPARE(shown(), QStringList({"请输入计算机名!"}));
        QCOMPARE(floatAmount->text(), QString("0"));

        // Names that would clash with the store's own tables, or that the
        // till could never find, are refused; the boxes stay for a correction.
        for (const QString& name : {QString("JQB"), QString("shyrzb"), QString(" POS2")}) {
            office->responder.clear();
            registerTill(name, "10");
            QCOMPARE(shown().size(), 1);
            QVERIFY2(shown().at(0).contains(name == " POS2" ? "前后不能有空格" : "同名"),
                     qPrintable(shown().at(0)));
            QCOMPARE(tillName->text(), name);
            QCOMPARE(floatAmount->text(), QString("10"));
        }
        for (const QString& amount : {QString(), QString("1.2.3"), QString(".")}) {
            office->responder.clear();
            registerTill("POS2", amount);
            QCOMPARE(shown(), QStringList({QString("'%1' 不是有效的数字").arg(amount)}));
            QCOMPARE(floatAmount->text(), amount);
        }
        QCOMPARE(tills(db()), QStringList());

        // More than one decimal is rounded to one.
        registerTill("POS2", "12.36");
        registerTill("POS3", "0.04");
        QCOMPARE(tills(db()), QStringList({"POS2|null|12.4|0|待机", "POS3|null|0|0|待机"}));
    }

    void removingAskedAndRefusedForBusyTills() {
        addTill(db(), "POS1", 100);
        addTill(db(), "POS2", 50);
        addTill(db(), "POS3", 0);
        addClerk(db(), "1001", "王芳", "pw");
        window->show();
        QCOMPARE(column(tillsGrid, 0).size(), 3);

        office->responder.answer(false);
        doubleClickRow(tillsGrid, "POS1");
        QCOMPARE(shown(), QStringList({"真的要删除计算机 POS1 吗？"}));
        QCOMPARE(tills(db()).size(), 3);

        office->responder.answer(true);
        doubleClickRow(tillsGrid, "POS1");
        QCOMPARE(shown().size(), 2); // no message after a removal
        QCOMPARE(tills(db()), QStringList({"POS2|null|50|0|待机", "POS3|null|0|0|待机"}));
        QCOMPARE(column(tillsGrid, 0).contains("POS1"), false);

        // A clerk on duty: the till stays, and the list shows it online while
        // the till renews its lease.
        storedb::TillLease lease(storedb::storeIdentity(office->store.link()), "POS2");
        lease.take(db());
        storedb::signOn(db(), "POS2", "1001", QDateTime::currentDateTime());
        office->responder.answer(true);
        doubleClickRow(tillsGrid, "POS2");
        QCOMPARE(shown().last(), QString("该营业端正在营业,不能删除！请等售货员注销后再删除。"));
        const int pos2 = column(tillsGrid, 0).indexOf("POS2");
        QCOMPARE(column(tillsGrid, 2).at(pos2), QString("在线"));
        storedb::signOff(db(), "POS2", QDateTime::currentDateTime());

        // Takings on a till's row are refused as well; under a yuan they are
        // still money, not a whole number that truncates to nothing.
        for (const double takings : {35.0, 0.5}) {
            storedb::jqbsf(db(), "POS3", takings);
            office->responder.answer(true);
            doubleClickRow(tillsGrid, "POS3");
            QCOMPARE(shown().last(),
                     QString("该营业端还有 %1 元营业额没有结账,不能删除！请在该营业端登录并注销后"
                             "再删除。")
                         .arg(storedb::numberText(takings)));
            QCOMPARE(tills(db()).size(), 2);
            QCOMPARE(tills(db()).last(), "POS3|null|0|" + storedb::numberText(takings) + "|待机");
            storedb::jqbsf(db(), "POS3", -takings);
        }
        QCOMPARE(shown().size(), 8);
        QCOMPARE(office->responder.pendingAnswers(), 0);
    }

    void doubleClickOnAnEmptyGridDeletesNothing() {
        window->show();
        QCOMPARE(tillsGrid->model()->rowCount(), 0);
        // An unanswered question would fail the test.
        doubleClickAt(tillsGrid, QPoint(40, 40));
        addTill(db(), "POS1", 0);
        registerTill("POS2", "0");
        QCOMPARE(tillsGrid->model()->rowCount(), 2);
        const QRect last = tillsGrid->visualRect(tillsGrid->model()->index(1, 0));
        doubleClickAt(tillsGrid, last.center() + QPoint(0, 3 * last.height()));
        QCOMPARE(shown(), QStringList({"计算机 POS2 注册成功！"}));
        QCOMPARE(tills(db()).size(), 2);
    }

    // A standby till's float, picked from the list or typed; checked as at
    // registration, refused on duty, recorded when changed.
    void changingTheFloat_data() {
        QTest::addColumn<QString>("jsj");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<bool>("onDuty");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<double>("ye");
        const QString asked = "真的要把计算机 POS1 的余额改为 %1 元吗？";
        QTest::newRow("standby") << "POS1"
                                 << "200.06" << false
                                 << QStringList{asked.arg("200.1"),
                                                "计算机 POS1 的余额已改为 200.1 元。"}
                                 << 200.1;
        QTest::newRow("name in other letters, to nothing")
            << "pos1"
            << "0" << false << QStringList{asked.arg("0"), "计算机 POS1 的余额已改为 0 元。"}
            << 0.0;
        QTest::newRow("on duty") << "POS1"
                                 << "50" << true
                                 << QStringList{asked.arg("50"), "该营业端正在营业,不能修改余额！"
                                                                 "请等售货员注销后再修改。"}
                                 << 100.0;
        QTest::newRow("not registered")
            << "POS9"
            << "50" << false << QStringList{"计算机 POS9 没有注册！"} << 100.0;
        QTest::newRow("too much") << "POS1"
                                  << "100000000" << false
                                  << QStringList{"初始营业额必须是0到99999999.9之间的数！"}
                                  << 100.0;
        QTest::newRow("no name") << ""
                                 << "5" << false << QStringList{"请输入计算机名!"} << 100.0;
    }
    void changingTheFloat() {
        QFETCH(QString, jsj);
        QFETCH(QString, amount);
        QFETCH(bool, onDuty);
        QFETCH(QStringList, messages);
        QFETCH(double, ye);
        addTill(db(), "POS1", 100);
        addClerk(db(), "1001", "王芳", "pw");
        if (onDuty)
            storedb::signOn(db(), "POS1", "1001", QDateTime::currentDateTime());
        window->show();
        tillsGrid->setCurrentIndex(tillsGrid->model()->index(0, 0));
        QCOMPARE(tillName->text() + "|" + floatAmount->text(), QString("POS1|100"));

        tillName->setText(jsj);
        floatAmount->setText(amount);
        office->responder.answer(true);
        ctl<QPushButton>(window, "changeFloatButton")->click();
        QCOMPARE(shown(), messages);
        QCOMPARE(storedb::tillRow(db(), "POS1")->ye, ye);
        QSqlQuery record = db().exec("record", "select oldvalue,newvalue,glyh from changerecord");
        QCOMPARE(record.next(), ye != 100);
        if (ye != 100)
            QCOMPARE(QStringList({record.value(0).toString(), record.value(1).toString(),
                                  record.value(2).toString()}),
                     QStringList({"收款机 POS1 余额 100",
                                  "收款机 POS1 余额 " + storedb::numberText(ye), "1"}));
    }

    void registeredNameIgnoresCase() {
        QVERIFY(!storedb::registeredTillName(db(), "POS1"));
        addTill(db(), "Pos1", 0);
        QCOMPARE(storedb::registeredTillName(db(), "POS1"), std::optional<QString>("Pos1"));
        QCOMPARE(storedb::registeredTillName(db(), "pos1"), std::optional<QString>("Pos1"));
        QVERIFY(!storedb::registeredTillName(db(), "pos"));
        QVERIFY(!storedb::registeredTillName(db(), "pos1 "));
        // Spellings registered before the rule: the exact one is the till's.
        addTill(db(), "POS1", 0);
        QCOMPARE(storedb::registeredTillName(db(), "POS1"), std::optional<QString>("POS1"));
        QCOMPARE(storedb::registeredTillName(db(), "Pos1"), std::optional<QString>("Pos1"));
        QVERIFY(!storedb::registerTill(db(), "pOS1", 0));
        QVERIFY(storedb::registerTill(db(), "收银台-1", 99999999.9));
        QCOMPARE(storedb::registeredTillName(db(), "收银台-1"), std::optional<QString>("收银台-1"));
        QCOMPARE(tills(db()).size(), 3);
    }
};

STORE_TEST_MAIN(TestRegistration)
#include "tst_registration.moc"
