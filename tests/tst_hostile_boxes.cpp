// Every input box of the till and of the back office's login and
// configuration windows fed garbage by keys, by paste and by program text:
// the user sees a Chinese message or nothing happens, the store holds only
// what the window itself would write, and nothing crashes. Then computer
// names that would make a dangerous table: refused at the till's sign-on and
// at registration, with no table made or dropped.

#include "till_harness.h"

#include "admin/goodsconfigwindow.h"
#include "client/chargewindow.h"
#include "storedb/columntext.h"
#include "storedb/errors.h"
#include "storedb/schema.h"
#include "support/adminfixture.h"
#include "support/hostile.h"

#include <QApplication>
#include <QComboBox>
#include <QRadioButton>

#include <cmath>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {

void arrangeTill(Db& db) {
    addTill(db, "till-1", 150);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
}

// A till at the sign-on window.
struct Till {
    TestStore store;
    formkit::ScriptedResponder responder;
    std::unique_ptr<TillRun> run;
    QStringList tablesAtStart;
    Till() {
        arrangeTill(store.db());
        store.writeDataLink(store.folder());
        tablesAtStart = tables(store.db());
        responder.onUnanswered = [](const QString&) {}; // anything but Yes: No
        run = std::make_unique<TillRun>(store.folder(), "till-1");
        run->start();
    }
    ~Till() { run.reset(); }
    Db& db() { return store.db(); }
    void onDutyWithPanel() {
        run->signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        responder.clear();
    }
    // Lines of the open sale plus the stock left: the pieces never change.
    void verifyStockBalances(const QByteArray& where) {
        const int kcl = stockOf(db(), "6901");
        const int inSale = count(db(), "select coalesce(sum(sl),0) from \"till-1\"");
        const int sold = count(db(), "select coalesce(sum(sl),0) from hwrzb");
        QVERIFY2(kcl + inSale + sold == 20, where);
        QVERIFY2(kcl >= 0, where);
        QCOMPARE(count(db(), "select count(*) from \"till-1\" where sl<1 or hwh<>'6901'"), 0);
    }
};

ChargeWindow* chargeWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<ChargeWindow*>(w); window && window->isVisible())
            return window;
    }
    return nullptr;
}

QString mmOf(Db& db) {
    return scalar(db, "select mm from shyb where shyh='1001'").toString();
}

} // namespace

class TestHostileBoxes : public QObject {
    Q_OBJECT

  private slots:
    void tillSignOnBoxes() {
        Till till;
        QVERIFY(signOnWindow()->isVisible());
        QLineEdit* number = edit(signOnWindow(), "clerkNumber");
        QLineEdit* password = edit(signOnWindow(), "password");
        const QStringList refused{QStringLiteral("你的输入有误,请重新输入！")};
        auto check = [&](const QString&, const QByteArray& where) {
            QVERIFY2(till.responder.shown() == refused, where);
            QVERIFY2(signOnWindow()->isVisible(), where);
            QVERIFY2(count(till.db(), "select count(*) from shyrzb") == 0, where);
            QVERIFY2(count(till.db(), "select count(*) from jqb where zt='待机' and shyh is null "
                                      "and ye=150") == 1,
                     where);
            QVERIFY2(tables(till.db()) == till.tablesAtStart, where);
        };
        auto signOn = [] { button(signOnWindow(), "signOnButton")->click(); };
        feedAll(
            till.responder, number, [&] { password->setText("pw"); }, signOn, check);
        feedAll(
            till.responder, password, [&] { number->setText("1001"); }, signOn, check);
    }

    void tillPasswordBoxes() {
        Till till;
        button(signOnWindow(), "changePasswordButton")->click();
        QWidget* w = passwordWindow();
        QVERIFY(w && w->isVisible());
        QLineEdit* boxes[] = {edit(w, "clerkNumber"), edit(w, "oldPassword"),
                              edit(w, "newPassword"), edit(w, "newPasswordAgain")};
        auto fill = [&](const QString& shyh, const QString& old, const QString& fresh) {
            boxes[0]->setText(shyh);
            boxes[1]->setText(old);
            boxes[2]->setText(fresh);
            boxes[3]->setText(fresh);
        };
        auto change = [&] { button(w, "changeButton")->click(); };
        // Number or old password garbage: the password stays.
        auto unchanged = [&](const QString&, const QByteArray& where) {
            QVERIFY2(mmOf(till.db()) == "pw", where);
            QVERIFY2(till.responder.shown().size() == 1, where);
        };
        feedAll(
            till.responder, boxes[0], [&] { fill("", "pw", "n1"); }, change, unchanged);
        feedAll(
            till.responder, boxes[1], [&] { fill("1001", "", "n1"); }, change, unchanged);
        // Garbage as the new password, typed twice alike: kept exactly as
        // typed when the store can keep it, else refused with the old one left.
        QString current = mmOf(till.db());
        feedAll(
            till.responder, boxes[2], [&] { fill("1001", current, ""); },
            [&] {
                boxes[3]->setText(boxes[2]->text());
                change();
            },
            [&](const QString& held, const QByteArray& where) {
                const QString now = mmOf(till.db());
                QVERIFY2(till.responder.shown().size() == 1, where);
                const bool told = till.responder.shown().at(0).contains("修改密码成功");
                // Told of success: the typed text is the password now;
                // refused: the old one stands.
                QVERIFY2(now == (told ? held : current), where);
                QVERIFY2(!told || (!held.isEmpty() && columnCharacters(held) <= kCodeWidth), where);
                current = now;
            });
        QVERIFY(w->isVisible());
    }

    void tillSalePanelBoxes() {
        Till till;
        till.onDutyWithPanel();
        QCOMPARE(tillLooks(), kPanelOpen);
        QLineEdit* goods = edit(mainWindow(), "goodsNumber");
        QLineEdit* quantity = edit(mainWindow(), "quantity");
        QLineEdit* line = edit(mainWindow(), "lineToDelete");
        auto add = [] { button(mainWindow(), "addLineButton")->click(); };
        auto books = [&](const QString&, const QByteArray& where) {
            till.verifyStockBalances(where);
            QVERIFY2(count(till.db(), "select count(*) from hwrzb") == 0, where);
            QStringList expected = till.tablesAtStart + QStringList{"till-1"};
            expected.sort();
            QVERIFY2(tables(till.db()) == expected, where);
        };
        // No goods has a garbage number.
        feedAll(
            till.responder, goods, [&] { quantity->setText("1"); }, add,
            [&](const QString& held, const QByteArray& where) {
                books(held, where);
                QVERIFY2(count(till.db(), "select count(*) from \"till-1\"") == 0, where);
            });
        // A line is added only for a whole number of pieces the stock holds.
        int lines = 0;
        feedAll(
            till.responder, quantity, [&] { goods->setText("6901"); }, add,
            [&](const QString& held, const QByteArray& where) {
                books(held, where);
                const int now = count(till.db(), "select count(*) from \"till-1\"");
                if (now != lines) {
                    QVERIFY2(now == lines + 1 && till.responder.shown().isEmpty(), where);
                    bool whole = false;
                    const int sl = held.trimmed().toInt(&whole);
                    QVERIFY2(whole && sl >= 1, where);
                    QVERIFY2(count(till.db(), "select sl from \"till-1\" order by bh desc "
                                              "limit 1") == sl,
                             where);
                }
                lines = now;
            });
        // At least "1" (the quantity left by refusals) sold a piece.
        QVERIFY(lines > 0);
        // Garbage line numbers name no line; a question is answered No.
        feedAll(
            till.responder, line, [] {},
            [] {
                if (button(mainWindow(), "deleteLineButton")->isEnabled())
                    button(mainWindow(), "deleteLineButton")->click();
            },
            [&](const QString& held, const QByteArray& where) {
                books(held, where);
                QVERIFY2(count(till.db(), "select count(*) from \"till-1\"") == lines, where);
            });
    }

    void cashReceivedBox() {
        Till till;
        till.onDutyWithPanel();
        int charges = 0;
        auto openCharge = [&] {
            if (chargeWindow())
                return;
            till.run->addLine("6901", "1");
            button(mainWindow(), "chargeButton")->click();
            ++charges;
        };
        openCharge();
        QVERIFY(chargeWindow());
        // Every charge opens a new window: feed each one as it comes.
        for (const auto& [tag, text] : corpus()) {
            for (const Feed& feed : kFeeds) {
                if (text.size() > 100 && feed.put == typeKeys)
                    continue;
                const QByteArray where = QByteArray("cash ") + tag + " by " + feed.how;
                openCharge();
                ChargeWindow* window = chargeWindow();
                QVERIFY2(window, where);
                QLineEdit* cash = edit(window, "cashReceived");
                till.responder.clear();
                feed.put(cash, text);
                const QString held = cash->text();
                button(window, "confirmButton")->click();
                for (const QString& shown : till.responder.shown())
                    QVERIFY2(hasCjk(shown) && !driverText(shown), where);
                bool number = false;
                const double received = held.trimmed().toDouble(&number);
                const bool finished = chargeWindow() == nullptr;
                // The sale is finished only with enough cash for it.
                QVERIFY2(finished == (number && std::isfinite(received) && received >= 3.5), where);
                QVERIFY2(count(till.db(), "select count(*) from hwrzb") == charges, where);
                QVERIFY2(scalar(till.db(), "select yye from jqb").toDouble() == 3.5 * charges,
                         where);
                till.verifyStockBalances(where);
            }
        }
    }

    // The return window's bill number and pieces: nothing returned but what
    // was sold, whatever the boxes held.
    void tillReturnBoxes() {
        Till till;
        till.onDutyWithPanel();
        till.run->addLine("6901", "2");
        button(mainWindow(), "chargeButton")->click();
        edit(chargeWindow(), "cashReceived")->setText("10");
        button(chargeWindow(), "confirmButton")->click();
        const qint64 bill = session().lastSale().value_or(0);
        const auto window = [] {
            if (!mainWindow()->returnWindow())
                tool("returnGoods")->trigger();
            return mainWindow()->returnWindow();
        };
        const auto returned = [&] {
            return -count(till.db(), "select coalesce(sum(sl),0) from hwrzb where sl<0");
        };
        for (const bool billBox : {true, false}) {
            for (const auto& [tag, text] : corpus()) {
                for (const Feed& feed : kFeeds) {
                    if (text.size() > 100 && feed.put == typeKeys)
                        continue;
                    const QByteArray where =
                        QByteArray(billBox ? "bill " : "pieces ") + tag + " by " + feed.how;
                    ReturnWindow* w = window();
                    QVERIFY2(w, where);
                    till.responder.clear();
                    const int before = returned();
                    if (billBox) {
                        feed.put(edit(w, "billNumber"), text);
                        button(w, "find")->click();
                    } else {
                        edit(w, "billNumber")->setText(QString::number(bill));
                        button(w, "find")->click();
                        QLineEdit* pieces = edit(w, "pieces0");
                        QVERIFY2(pieces, where);
                        feed.put(pieces, text);
                        edit(w, "adminNumber")->setText("1");
                        edit(w, "adminPassword")->setText("1234");
                        const int held = pieces->text().trimmed().toInt();
                        button(w, "confirm")->click();
                        // Booked only when the box held a count that was left.
                        const bool booked = returned() > before;
                        QVERIFY2(booked == (held > 0 && held <= 2 - before),
                                 where + till.responder.shown().join("/").toUtf8() + " held " +
                                     QByteArray::number(held));
                    }
                    for (const QString& shown : till.responder.shown())
                        QVERIFY2(hasCjk(shown) && !driverText(shown), where);
                    QVERIFY2(returned() <= 2, where);
                    till.verifyStockBalances(where);
                }
            }
        }
    }

    void adminLoginBoxes() {
        AdminFixture office;
        office.responder.onUnanswered = [](const QString&) {};
        office.start();
        const QStringList refused{QStringLiteral("你的输入有误，请重新输入！")};
        auto check = [&](const QString&, const QByteArray& where) {
            QVERIFY2(office.responder.shown() == refused, where);
            QVERIFY2(office.login().isVisible(), where);
            QVERIFY2(office.session().administrator().isEmpty(), where);
            QVERIFY2(!office.action("goodsMenu")->isEnabled(), where);
        };
        auto signOn = [&] { office.loginButton("signOnButton")->click(); };
        feedAll(
            office.responder, office.loginBox("administratorNumber"),
            [&] { office.loginBox("password")->setText(kFirstAdministratorPassword); }, signOn,
            check);
        feedAll(
            office.responder, office.loginBox("password"),
            [&] { office.loginBox("administratorNumber")->setText(kFirstAdministratorNumber); },
            signOn, check);
    }

    void categoryAndGoodsBoxes() {
        AdminFixture office;
        office.responder.onUnanswered = [](const QString&) {};
        office.startAndSignOn();
        Db& db = office.db();
        addCategory(db, "01", "饮料");
        admin::GoodsConfigWindow& form = office.windows().configurationWindow();
        form.prepareCategoryPage();
        auto box = [&](const char* name) { return ctl<QLineEdit>(&form, name); };
        auto press = [&](const char* name) { ctl<QPushButton>(&form, name)->click(); };

        // Rows appear only under the text typed, as the store keeps text.
        QStringList numbers{"01"};
        auto categoriesKept = [&](const QByteArray& where) {
            QSqlQuery q = db.exec("rows", "select hwlbh,hwlbm from hwlbpzb");
            while (q.next()) {
                verifyStoredText(q.value(0).toString(), true, where);
                verifyStoredText(q.value(1).toString(), false, where);
                QVERIFY2(numbers.contains(q.value(0).toString()), where);
            }
        };
        int fresh = 0;
        feedAll(
            office.responder, box("categoryNumber"), [&] { box("categoryName")->setText("类"); },
            [&] { press("categoryConfirmButton"); },
            [&](const QString& held, const QByteArray& where) {
                numbers << normalizeCode(held);
                categoriesKept(where);
            });
        feedAll(
            office.responder, box("categoryName"),
            [&] { box("categoryNumber")->setText(QStringLiteral("K%1").arg(++fresh)); },
            [&] {
                numbers << box("categoryNumber")->text();
                press("categoryConfirmButton");
            },
            [&](const QString&, const QByteArray& where) { categoriesKept(where); });
        // Delete and rename with garbage numbers find nothing to change.
        const int categories = count(db, "select count(*) from hwlbpzb");
        for (const char* action : {"deleteCategoryOption", "renameCategoryOption"}) {
            ctl<QRadioButton>(&form, action)->setChecked(true);
            feedAll(
                office.responder, box("categoryNumber"), [] {},
                [&] { press("categoryConfirmButton"); },
                [&](const QString&, const QByteArray& where) {
                    QVERIFY2(count(db, "select count(*) from hwlbpzb") == categories, where);
                    categoriesKept(where);
                });
        }

        form.prepareGoodsPage();
        ctl<QComboBox>(&form, "goodsCategory")->setCurrentText("饮料");
        QStringList goodsNumbers;
        auto goodsKept = [&](const QByteArray& where) {
            QSqlQuery q = db.exec("rows", "select hwh,hwm,hwlbh from hwpzb");
            while (q.next()) {
                verifyStoredText(q.value(0).toString(), true, where);
                verifyStoredText(q.value(1).toString(), false, where);
                QVERIFY2(goodsNumbers.contains(q.value(0).toString()), where);
                QVERIFY2(q.value(2).toString() == "01", where);
            }
            // Goods get their stock row from the first stock-in only.
            QVERIFY2(count(db, "select count(*) from hwb") == 0, where);
        };
        feedAll(
            office.responder, box("goodsNumber"),
            [&] {
                box("goodsName")->setText("货");
                ctl<QComboBox>(&form, "goodsCategory")->setCurrentText("饮料");
            },
            [&] { press("goodsConfirmButton"); },
            [&](const QString& held, const QByteArray& where) {
                goodsNumbers << normalizeCode(held);
                goodsKept(where);
            });
        feedAll(
            office.responder, box("goodsName"),
            [&] {
                box("goodsNumber")->setText(QStringLiteral("G%1").arg(++fresh));
                ctl<QComboBox>(&form, "goodsCategory")->setCurrentText("饮料");
            },
            [&] {
                goodsNumbers << box("goodsNumber")->text();
                press("goodsConfirmButton");
            },
            [&](const QString&, const QByteArray& where) { goodsKept(where); });
    }

    void settingsBoxes() {
        AdminFixture office;
        office.responder.onUnanswered = [](const QString&) {};
        office.startAndSignOn();
        Db& db = office.db();
        admin::GoodsConfigWindow& form = office.windows().configurationWindow();
        auto box = [&](const char* name) { return ctl<QLineEdit>(&form, name); };
        struct Row {
            QString company, welcome;
            qint64 sl;
        };
        auto stored = [&] {
            QSqlQuery q = db.exec("company", "select company,welcome,sl from company");
            Row row;
            if (q.next())
                row = {q.value(0).toString(), q.value(1).toString(), q.value(2).toLongLong()};
            return row;
        };
        const char* names[] = {"shopName", "welcomeMessage", "lowStockLevel"};
        for (int target = 0; target < 3; ++target) {
            Row before;
            Row typed;
            feedAll(
                office.responder, box(names[target]),
                [&] {
                    form.prepareSettingsPage();
                    box("shopName")->setText("好又多超市");
                    box("welcomeMessage")->setText("欢迎光临");
                    box("lowStockLevel")->setText("10");
                    before = stored();
                },
                [&] {
                    bool whole = false;
                    typed = {box("shopName")->text(), box("welcomeMessage")->text(),
                             box("lowStockLevel")->text().trimmed().toLongLong(&whole)};
                    if (!whole)
                        typed.sl = -1;
                    ctl<QPushButton>(&form, "settingsConfirmButton")->click();
                },
                [&](const QString&, const QByteArray& where) {
                    const Row now = stored();
                    const bool saved = office.responder.shown() == QStringList{"设置成功!"};
                    const Row& expected = saved ? typed : before;
                    QVERIFY2(now.company == expected.company && now.welcome == expected.welcome &&
                                 now.sl == expected.sl,
                             where);
                    QVERIFY2(saved != form.isVisible(), where);
                    QVERIFY2(now.sl >= 0 && columnCharacters(now.company) <= 50 &&
                                 columnCharacters(now.welcome) <= 100,
                             where);
                });
        }
    }

    // ---------------------------------------------------------------------
    // Computer names

    void dangerousComputerNames_data() {
        QTest::addColumn<QString>("jsj");
        QTest::newRow("single quote") << "till'1";
        QTest::newRow("double quote") << "till\"1";
        QTest::newRow("semicolon") << "till;1";
        QTest::newRow("sql") << "x\";drop table jqb;--";
        QTest::newRow("reserved word") << "select";
        QTest::newRow("reserved word, upper case") << "SELECT";
        QTest::newRow("reserved word drop") << "Drop";
        QTest::newRow("200 characters") << QString(200, QLatin1Char('t'));
        QTest::newRow("blank inside") << "till 1";
        QTest::newRow("control character inside") << "till\x01"
                                                     "1";
        QTest::newRow("brackets") << "[till]";
        QTest::newRow("sqlite_x") << "sqlite_x";
        QTest::newRow("SQLITE_master") << "SQLITE_master";
        QTest::newRow("pg_x") << "pg_x";
        for (const QString& table : permanentTables()) {
            QString mixed = table;
            mixed[0] = mixed[0].toUpper();
            QTest::newRow(qPrintable("permanent " + table)) << table;
            QTest::newRow(qPrintable("permanent " + mixed)) << mixed;
            QTest::newRow(qPrintable("permanent " + table.toUpper())) << table.toUpper();
        }
    }

    void dangerousComputerNames() {
        QFETCH(QString, jsj);
        TestStore store;
        Db& db = store.db();
        arrangeTill(db);
        // Registered behind the back office's back, where the column holds it.
        if (columnCharacters(jsj) <= kCodeWidth)
            db.exec("register", "insert into jqb(jsj,ye,yye,zt) values(:jsj,0,0,:zt)",
                    {{"jsj", jsj}, {"zt", kTillStandby}});
        store.writeDataLink(store.folder());
        const QStringList before = tables(db);
        const int tills = count(db, "select count(*) from jqb");
        {
            formkit::ScriptedResponder responder;
            TillRun run(store.folder(), jsj);
            run.start();
            QCOMPARE(responder.shown().size(), 1);
            const QString shown = responder.shown().at(0);
            QVERIFY2(shown.contains("不能用作收款机") && shown.contains(jsj), qPrintable(shown));
            QVERIFY(run.ended());
            QVERIFY(!button(signOnWindow(), "signOnButton")->isEnabled());
        }
        QCOMPARE(tables(db), before);
        QCOMPARE(count(db, "select count(*) from jqb"), tills);
        QCOMPARE(count(db, "select count(*) from shyrzb"), 0);

        // Nor may the back office register it.
        try {
            checkTillName(jsj);
            QFAIL("registration accepted the name");
        } catch (const storedb::Error& refused) {
            QVERIFY2(hasCjk(refused.userText()), qPrintable(refused.userText()));
        }
    }

    void plainComputerNamesWork_data() {
        QTest::addColumn<QString>("jsj");
        QTest::newRow("hyphen") << "till-1";
        QTest::newRow("windows default") << "DESKTOP-4F2K9QZ";
        QTest::newRow("chinese") << "收银台-1";
        QTest::newRow("dots and underscore") << "pos_2.shop";
        QTest::newRow("word inside a name") << "selection";
        QTest::newRow("table name inside a name") << "jqb2";
        QTest::newRow("fifty characters") << QString(50, QLatin1Char('p'));
    }

    void plainComputerNamesWork() {
        QFETCH(QString, jsj);
        checkTillName(jsj);
        TestStore store;
        addClerk(store.db(), "1001", "王芳", "pw");
        addTill(store.db(), jsj, 80);
        store.writeDataLink(store.folder());
        formkit::ScriptedResponder responder;
        TillRun run(store.folder(), jsj);
        run.start();
        QVERIFY2(responder.shown().isEmpty(), qPrintable(responder.shown().join('|')));
        run.signOn("1001", "pw");
        QCOMPARE(tillLooks(), kOnDuty);
        QVERIFY(saleTableExists(store.db(), jsj));
    }
};

STORE_TEST_MAIN(TestHostileBoxes)
#include "tst_hostile_boxes.moc"
