// The configuration window driven through its controls: categories, goods
// and shop settings, on the engine under test.

#include "admin/goodsconfigwindow.h"
#include "storedb/catalog.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "support/adminfixture.h"
#include "support/books.h"
#include "support/combos.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace testsupport;

namespace {

int count(storedb::Db& db, const QString& sql, const storedb::Params& params = {}) {
    QSqlQuery q = db.exec(QStringLiteral("count"), sql, params);
    return q.next() ? q.value(0).toInt() : -1;
}

QStringList column(const QTableView* grid, int col) {
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values.append(grid->model()->index(row, col).data().toString());
    return values;
}

// Types the text key by key, Chinese characters included.
void type(QLineEdit* edit, const QString& text) {
    edit->clear();
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void doubleClickRow(QTableView* grid, const QString& firstColumn) {
    const int row = column(grid, 0).indexOf(firstColumn);
    QVERIFY2(row >= 0, qPrintable(firstColumn));
    const QRect cell = grid->visualRect(grid->model()->index(row, 0));
    // A real double-click: press and release, then the second press.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
}

// The window's controls, found by name.
struct Controls {
    explicit Controls(const QWidget* w) : window(w) {}
    template <typename T> T* c(const char* name) const { return ctl<T>(window, name); }
    const QWidget* window;
    QTabWidget* pages = c<QTabWidget>("pages");
    QRadioButton* deleteCategoryOption = c<QRadioButton>("deleteCategoryOption");
    QRadioButton* renameCategoryOption = c<QRadioButton>("renameCategoryOption");
    QLineEdit* categoryNumber = c<QLineEdit>("categoryNumber");
    QLineEdit* categoryName = c<QLineEdit>("categoryName");
    QPushButton* categoryConfirmButton = c<QPushButton>("categoryConfirmButton");
    QPushButton* categoryCloseButton = c<QPushButton>("categoryCloseButton");
    QTableView* categoriesGrid = c<QTableView>("categoriesGrid");
    QRadioButton* addGoodsOption = c<QRadioButton>("addGoodsOption");
    QRadioButton* deleteGoodsOption = c<QRadioButton>("deleteGoodsOption");
    QRadioButton* renameGoodsOption = c<QRadioButton>("renameGoodsOption");
    QComboBox* goodsCategory = c<QComboBox>("goodsCategory");
    QLineEdit* goodsNumber = c<QLineEdit>("goodsNumber");
    QLineEdit* goodsName = c<QLineEdit>("goodsName");
    QPushButton* goodsConfirmButton = c<QPushButton>("goodsConfirmButton");
    QPushButton* goodsCloseButton = c<QPushButton>("goodsCloseButton");
    QTableView* goodsGrid = c<QTableView>("goodsGrid");
    QLineEdit* shopName = c<QLineEdit>("shopName");
    QLineEdit* welcomeMessage = c<QLineEdit>("welcomeMessage");
    QLineEdit* lowStockLevel = c<QLineEdit>("lowStockLevel");
    QPushButton* settingsConfirmButton = c<QPushButton>("settingsConfirmButton");
    QPushButton* settingsCloseButton = c<QPushButton>("settingsCloseButton");
};

} // namespace

class TestGoodsConfig : public QObject {
    Q_OBJECT

    // The back office started and signed on; the configuration window is
    // driven as the administrator would, the store checked on the test's
    // own connection.
    std::unique_ptr<AdminFixture> office;
    admin::GoodsConfigWindow* config = nullptr;
    std::unique_ptr<Controls> ui;

    storedb::Db& db() { return office->db(); }

    void showActive() {
        config->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(config));
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        config = &office->windows().configurationWindow();
        ui = std::make_unique<Controls>(config);
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食");
        addGoods(db(), "01", "A1", "可乐", 3, 10);
        addGoods(db(), "02", "B1", "薯片", 5, 4);
    }

    void cleanup() {
        // Whatever the scenario did to categories and goods, the books add up.
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        ui.reset();
        config = nullptr;
        office.reset();
    }

    void windowAndCategoryPageOpen() {
        formkit::ScriptedResponder& responder = office->responder;
        ui->categoryNumber->setText("left over");
        config->prepareCategoryPage();
        QVERIFY(config->isVisible());
        QCOMPARE(ui->pages->currentIndex(), 0);
        // Selected by the main window: the page-change handler did not clear the boxes.
        QCOMPARE(ui->categoryNumber->text(), QString("left over"));
        QCOMPARE(column(ui->categoriesGrid, 0), QStringList({"01", "02"}));
        QCOMPARE(ui->categoriesGrid->columnWidth(0), 80);
        QCOMPARE(ui->categoriesGrid->columnWidth(1), 130);
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料", "零食"}));
        QCOMPARE(ui->goodsCategory->currentText(), QString());
        QVERIFY(responder.shown().isEmpty());
    }

    void categoryAddAndRename() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareCategoryPage();

        ui->categoryNumber->clear();
        ui->categoryConfirmButton->click();
        type(ui->categoryNumber, "03");
        type(ui->categoryName, "饮料"); // a name already in use is accepted
        ui->categoryConfirmButton->click();
        type(ui->categoryNumber, "01");
        type(ui->categoryName, "别的");
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown(),
                 QStringList({"请输入商品类别号！", "已有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->categoryNumber->text(), QString());
        QCOMPARE(ui->categoryName->text(), QString("别的"));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbm='饮料'"), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbm='别的'"), 0);
        QCOMPARE(column(ui->categoriesGrid, 0), QStringList({"01", "02", "03"}));
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料", "零食", "饮料"}));

        responder.clear();
        ui->renameCategoryOption->click();
        type(ui->categoryNumber, "09");
        type(ui->categoryName, "新名");
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown(), QStringList({"没有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->categoryNumber->text(), QString("09")); // rename keeps the number
        type(ui->categoryNumber, "03");
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown().size(), 1);
        QCOMPARE(storedb::categoryNameOf(db(), "03"), std::optional<QString>("新名"));
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料", "零食", "新名"}));
        QCOMPARE(column(ui->categoriesGrid, 1), QStringList({"饮料", "零食", "新名"}));
        QCOMPARE(ui->categoriesGrid->columnWidth(1), 130);
    }

    void categoryLookupAndRowPick() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareCategoryPage();
        showActive();

        // Adding: Enter only moves on, and a double-click copies nothing.
        ui->categoryNumber->setFocus();
        type(ui->categoryNumber, "77");
        QTest::keyClick(ui->categoryNumber, Qt::Key_Return);
        QVERIFY(ui->categoryName->hasFocus());
        doubleClickRow(ui->categoriesGrid, "02");
        QCOMPARE(ui->categoryNumber->text(), QString("77"));
        QCOMPARE(ui->categoryName->text(), QString());
        QVERIFY(responder.shown().isEmpty());

        ui->deleteCategoryOption->click();
        ui->categoryNumber->setFocus();
        type(ui->categoryNumber, "77");
        QTest::keyClick(ui->categoryNumber, Qt::Key_Return);
        QCOMPARE(responder.shown(), QStringList({"没有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->categoryNumber->text(), QString());
        QVERIFY(ui->categoryNumber->hasFocus());

        type(ui->categoryNumber, "02");
        QTest::keyClick(ui->categoryNumber, Qt::Key_Return);
        QCOMPARE(ui->categoryName->text(), QString("零食"));
        QVERIFY(ui->categoryName->hasFocus());
        QCOMPARE(responder.shown().size(), 1); // the look-up ran once

        // Leaving the box by Tab runs the same look-up.
        ui->categoryNumber->setFocus();
        type(ui->categoryNumber, " 01"); // a leading blank makes another number
        QTest::keyClick(ui->categoryNumber, Qt::Key_Tab);
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(ui->categoryNumber->text(), QString());
        QVERIFY(ui->categoryNumber->hasFocus());
        type(ui->categoryNumber, "01");
        QTest::keyClick(ui->categoryNumber, Qt::Key_Tab);
        QCOMPARE(ui->categoryName->text(), QString("饮料"));
        QCOMPARE(responder.shown().size(), 2);

        ui->renameCategoryOption->click();
        doubleClickRow(ui->categoriesGrid, "02");
        QCOMPARE(ui->categoryNumber->text(), QString("02"));
        QCOMPARE(ui->categoryName->text(), QString("零食"));
    }

    void categoryDeleteTakesGoodsAndStockButNotLog() {
        formkit::ScriptedResponder& responder = office->responder;
        storedb::sppztj(db(), "01", "A2", "雪碧"); // goods without a stock row
        storedb::jrhwrzb(db(), storedb::Movement{"A1", "01", 3, 10, 2, QDate(2026, 1, 5), "1",
                                                 storedb::kStockIn, "厂家"});
        config->prepareCategoryPage();
        ui->deleteCategoryOption->click();
        type(ui->categoryNumber, "01");

        responder.answer(false);
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.asked(), QStringList({"真的要删除吗？"}));
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 2);

        responder.answer(true);
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown(), QStringList({"真的要删除吗？", "真的要删除吗？"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwrzb where hwh='A1'"), 1);
        QCOMPARE(stockOf(db(), "B1"), 4); // the other category is untouched
        QCOMPARE(column(ui->categoriesGrid, 0), QStringList({"02"}));
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"零食"}));
    }

    void categoryDeleteIsAllOrNothing_data() {
        QTest::addColumn<QString>("table");
        QTest::newRow("stock rows fail") << "hwb";
        QTest::newRow("goods rows fail") << "hwpzb";
    }

    void categoryDeleteIsAllOrNothing() {
        QFETCH(QString, table);
        if (db().isSQLite()) {
            db().exec("trigger", QString("create trigger refuse before delete on %1 "
                                         "begin select raise(abort, 'refused'); end")
                                     .arg(table));
        } else {
            db().exec("function", "create function refuse() returns trigger as $$ "
                                  "begin raise exception 'refused'; end $$ language plpgsql");
            db().exec("trigger", QString("create trigger refuse before delete on %1 "
                                         "for each row execute function refuse()")
                                     .arg(table));
        }
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareCategoryPage();
        showActive();
        ui->deleteCategoryOption->click();
        type(ui->categoryNumber, "01");
        responder.answer(true);
        // The user reads a Chinese message; the driver's words go to the log.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
        QTest::mouseClick(ui->categoryConfirmButton, Qt::LeftButton);
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(responder.shown().at(1), storedb::kStatementFailed);

        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 1);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 1);
        QCOMPARE(stockOf(db(), "A1"), 10);

        // The connection is left usable: once the obstacle is gone the delete goes through.
        db().exec("drop",
                  QString("drop trigger refuse%1").arg(db().isSQLite() ? "" : " on " + table));
        responder.answer(true);
        QTest::mouseClick(ui->categoryConfirmButton, Qt::LeftButton);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 0);
        QCOMPARE(stockOf(db(), "A1"), -1);
        QCOMPARE(responder.shown().size(), 3);
    }

    void goodsCategorySwitchAndAdd() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareGoodsPage();
        showActive();
        QCOMPARE(ui->pages->currentIndex(), 1);
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"A1", "B1"}));
        QCOMPARE(ui->goodsGrid->columnWidth(1), 130);

        ui->goodsCategory->setFocus();
        QTest::keyClick(ui->goodsCategory, Qt::Key_Down); // picks the first entry
        QCOMPARE(ui->goodsCategory->currentText(), QString("饮料"));
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"A1"}));
        QCOMPARE(ui->goodsGrid->columnWidth(0), 80);
        QCOMPARE(ui->goodsGrid->columnWidth(1), 110);

        // Enter walks the boxes and from the last one runs the action.
        QTest::keyClick(ui->goodsCategory, Qt::Key_Return);
        QVERIFY(ui->goodsNumber->hasFocus());
        QTest::keyClicks(ui->goodsNumber, "A9");
        QTest::keyClick(ui->goodsNumber, Qt::Key_Return);
        type(ui->goodsName, "可乐"); // a goods name used before is accepted
        QTest::keyClick(ui->goodsName, Qt::Key_Return);
        QVERIFY(ui->goodsConfirmButton->hasFocus());
        QTest::keyClick(ui->goodsConfirmButton, Qt::Key_Return);
        QVERIFY(responder.shown().isEmpty());
        QCOMPARE(ui->goodsNumber->text(), QString());
        QCOMPARE(ui->goodsName->text(), QString());
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"A1", "A9"}));
        QCOMPARE(ui->goodsGrid->columnWidth(1), 110);
        QCOMPARE(storedb::categoryOfGoods(db(), "A9"), std::optional<QString>("01"));
        QCOMPARE(count(db(), "select count(*) from hwb where hwh='A9'"), 0);

        // A number used in another category is refused.
        type(ui->goodsNumber, "B1");
        type(ui->goodsName, "别的");
        ui->goodsConfirmButton->click();
        type(ui->goodsNumber, "");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品号！请重新输入！", "请输入商品号！"}));
        QCOMPARE(storedb::categoryOfGoods(db(), "B1"), std::optional<QString>("02"));
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 3);
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料", "零食"}));
        QCOMPARE(ui->goodsCategory->currentText(), QString("饮料")); // the shown text stays
    }

    void goodsAddNeedsAnExistingCategory() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareGoodsPage();
        for (const QString& picked : {QString(), QString("不存在")}) {
            ui->goodsCategory->setEditText(picked);
            type(ui->goodsNumber, "C1");
            type(ui->goodsName, "牛奶");
            ui->goodsConfirmButton->click();
            QCOMPARE(responder.shown().last(), QString("没有这种商品类别！请重新选择！"));
            QVERIFY(!storedb::goodsExists(db(), "C1"));
            QCOMPARE(ui->goodsNumber->text(), QString("C1")); // kept for a second try
            QCOMPARE(ui->goodsCategory->currentText(), picked);
        }
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 2);
        QCOMPARE(responder.shown().size(), 2);

        // A category deleted by someone else after the pick list was filled.
        storedb::deleteCategory(db(), "02");
        ui->goodsCategory->setCurrentIndex(ui->goodsCategory->findText("零食"));
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().size(), 3);
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 1);
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料"}));
    }

    void goodsDeleteAndRename() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareGoodsPage();
        showActive();
        ui->deleteGoodsOption->click();

        // Row pick from the list of all goods: boxes, category and list follow the goods.
        doubleClickRow(ui->goodsGrid, "B1");
        QCOMPARE(ui->goodsNumber->text(), QString("B1"));
        QCOMPARE(ui->goodsName->text(), QString("薯片"));
        QCOMPARE(ui->goodsCategory->currentText(), QString("零食"));
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"B1"}));
        QCOMPARE(ui->goodsGrid->columnWidth(1), 110);

        responder.answer(false);
        ui->goodsConfirmButton->click();
        QCOMPARE(ui->goodsNumber->text(), QString("B1")); // not confirmed: nothing at all changes
        QVERIFY(storedb::goodsExists(db(), "B1"));
        responder.answer(true);
        ui->goodsConfirmButton->click();
        QVERIFY(!storedb::goodsExists(db(), "B1"));
        QCOMPARE(ui->goodsNumber->text(), QString());
        QCOMPARE(ui->goodsGrid->model()->rowCount(), 0);
        QCOMPARE(responder.asked().size(), 2);

        type(ui->goodsNumber, "B1");
        ui->goodsConfirmButton->click();
        ui->renameGoodsOption->click();
        type(ui->goodsNumber, "B1");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().mid(2),
                 QStringList({"没有这种商品号！请重新输入！", "没有这种商品号！请重新输入！"}));
        QCOMPARE(ui->goodsNumber->text(), QString());

        ui->goodsCategory->setCurrentIndex(ui->goodsCategory->findText("饮料"));
        type(ui->goodsNumber, "A1");
        type(ui->goodsName, "百事可乐");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(column(ui->goodsGrid, 1), QStringList({"百事可乐"}));
        QCOMPARE(stockOf(db(), "A1"), 10);

        // Adding: a double-click copies nothing.
        ui->addGoodsOption->click();
        doubleClickRow(ui->goodsGrid, "A1");
        QCOMPARE(ui->goodsNumber->text(), QString());
    }

    void pageSwitchResetsBoxesAndLists() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='小店',welcome='欢迎',sl=5");
        config->prepareGoodsPage();
        showActive();
        ui->goodsCategory->setFocus();
        QTest::keyClick(ui->goodsCategory, Qt::Key_Down);
        QTest::keyClick(ui->goodsCategory, Qt::Key_Down);
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"B1"}));
        ui->categoryNumber->setText("x");
        ui->goodsNumber->setText("y");
        addCategory(db(), "03", "日用");

        QTest::mouseClick(ui->pages->tabBar(), Qt::LeftButton, {},
                          ui->pages->tabBar()->tabRect(0).center());
        QCOMPARE(ui->pages->currentIndex(), 0);
        QCOMPARE(ui->categoryNumber->text(), QString());
        QCOMPARE(ui->goodsNumber->text(), QString());
        QCOMPARE(ui->goodsCategory->currentText(), QString());
        QCOMPARE(column(ui->categoriesGrid, 0), QStringList({"01", "02", "03"}));
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"A1", "B1"}));
        QCOMPARE(ui->goodsGrid->columnWidth(1), 130);
        QCOMPARE(ui->shopName->text(), QString("小店"));
        QCOMPARE(ui->lowStockLevel->text(), QString("5"));
        QVERIFY(responder.shown().isEmpty());
    }

    void settingsChecksSaveAndReload() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='旧店',welcome='旧话',sl=3");
        config->prepareSettingsPage();
        QCOMPARE(ui->pages->currentIndex(), 2);
        QCOMPARE(ui->shopName->text(), QString("旧店"));
        QCOMPARE(ui->welcomeMessage->text(), QString("旧话"));
        QCOMPARE(ui->lowStockLevel->text(), QString("3"));

        type(ui->shopName, "   ");
        ui->settingsConfirmButton->click();
        type(ui->shopName, "  新店");
        type(ui->welcomeMessage, "");
        ui->settingsConfirmButton->click();
        type(ui->welcomeMessage, "欢迎光临");
        ui->lowStockLevel->clear();
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown(),
                 QStringList({"请输入超市名字!", "请输入欢迎信息!", "请输入报警库存量!"}));
        QCOMPARE(count(db(), "select count(*) from company where company='旧店'"), 1);

        // Only digits reach the level box; Backspace is dropped too.
        QTest::keyClicks(ui->lowStockLevel, "1a2-.");
        QTest::keyClick(ui->lowStockLevel, Qt::Key_Backspace);
        QCOMPARE(ui->lowStockLevel->text(), QString("12"));

        QTest::keyClicks(ui->lowStockLevel, "345678901"); // 12345678901: beyond an integer
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown().last(), QString("数据操作失败!"));
        QVERIFY(config->isVisible());
        QCOMPARE(ui->lowStockLevel->text(), QString("12345678901"));
        QCOMPARE(count(db(), "select count(*) from company where company='旧店'"), 1);

        ui->lowStockLevel->setText("2147483647");
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown().last(), QString("设置成功!"));
        QVERIFY(!config->isVisible());
        QSqlQuery q = db().exec("read", "select company,welcome,sl,accountnum from company");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("  新店"));
        QCOMPARE(q.value(1).toString(), QString("欢迎光临"));
        QCOMPARE(q.value(2).toLongLong(), 2147483647LL);
        QVERIFY(!q.next());

        ui->shopName->setText("changed on screen");
        config->prepareSettingsPage();
        QCOMPARE(ui->shopName->text(), QString("  新店"));
        QCOMPARE(ui->lowStockLevel->text(), QString("2147483647"));
    }

    void settingsTooLongOrEmptyTable() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("empty", "delete from company");
        config->prepareSettingsPage();
        QCOMPARE(ui->shopName->text(), QString());
        QCOMPARE(ui->lowStockLevel->text(), QString("0"));

        // Longer than the column: refused alike on every engine, saying why.
        ui->shopName->setText(QString(51, QChar(0x5E97)));
        ui->welcomeMessage->setText("欢迎");
        ui->lowStockLevel->setText("8");
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown(), QStringList({"超市名字不能超过50个字符！"}));
        QVERIFY(config->isVisible());
        QCOMPARE(count(db(), "select count(*) from company"), 0);

        // Enter chains to the save button; the first row is created.
        showActive();
        ui->shopName->setFocus();
        ui->shopName->setText(QString(50, QChar(0x5E97)));
        QTest::keyClick(ui->shopName, Qt::Key_Return);
        QTest::keyClick(ui->welcomeMessage, Qt::Key_Return);
        QTest::keyClick(ui->lowStockLevel, Qt::Key_Return);
        QVERIFY(ui->settingsConfirmButton->hasFocus());
        QTest::keyClick(ui->settingsConfirmButton, Qt::Key_Return);
        QCOMPARE(responder.shown().last(), QString("设置成功!"));
        QCOMPARE(count(db(), "select count(*) from company"), 1);
        QCOMPARE(count(db(), "select sl from company"), 8);
        QCOMPARE(count(db(), "select accountnum from company"), 0);
        const storedb::ShopSettings s = storedb::loadShopSettings(db());
        QCOMPARE(s.company, QString(50, QChar(0x5E97)));
        QCOMPARE(s.welcome, QString("欢迎"));
    }

    // Deleted goods leave no stock behind: goods added again under the
    // number start without the old pieces and price.
    void deletingGoodsTakesTheirStockRow() {
        formkit::ScriptedResponder& responder = office->responder;
        storedb::jrhwrzb(db(), storedb::Movement{"A1", "01", 3, 10, 2, QDate(2026, 1, 5), "1",
                                                 storedb::kStockIn, "厂家"});
        config->prepareGoodsPage();
        ui->deleteGoodsOption->click();
        type(ui->goodsNumber, "A1");
        responder.answer(true);
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.asked(), QStringList({"真的要删除吗？"}));
        QVERIFY(!storedb::goodsExists(db(), "A1"));
        QCOMPARE(count(db(), "select count(*) from hwb where hwh='A1'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwrzb where hwh='A1'"), 1);
        QCOMPARE(stockOf(db(), "B1"), 4);

        ui->addGoodsOption->click();
        ui->goodsCategory->setCurrentIndex(ui->goodsCategory->findText("饮料"));
        type(ui->goodsNumber, "A1");
        type(ui->goodsName, "可乐");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().size(), 1);
        QCOMPARE(storedb::categoryOfGoods(db(), "A1"), std::optional<QString>("01"));
        QCOMPARE(stockOf(db(), "A1"), -1);
    }

    // Numbers and names are kept without trailing blanks: the same text
    // serves the existence check and the write, and what the store will not
    // keep is refused in Chinese with nothing written.
    void categoryNumbersAndNamesFollowTheStoreRule() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareCategoryPage();

        type(ui->categoryNumber, "01 ");
        type(ui->categoryName, "别的");
        ui->categoryConfirmButton->click();
        type(ui->categoryNumber, "   ");
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品类别号！请重新输入！", "请输入商品类别号！"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 2);

        type(ui->categoryNumber, "03\t ");
        type(ui->categoryName, "日用　"); // ends in a full-width blank
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='03' and hwlbm='日用'"), 1);
        QCOMPARE(pickList(ui->goodsCategory), QStringList({"饮料", "零食", "日用"}));

        type(ui->categoryNumber, QString(51, QChar('9')));
        type(ui->categoryName, "长");
        ui->categoryConfirmButton->click();
        type(ui->categoryNumber, "04");
        type(ui->categoryName, QString(51, QChar(0x957F)));
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown().mid(2),
                 QStringList({"商品类别号不能超过50个字符！", "商品类别名不能超过50个字符！"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 3);
        type(ui->categoryNumber, QString(50, QChar('9')));
        type(ui->categoryName, QString(50, QChar(0x957F)));
        ui->categoryConfirmButton->click();
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 4);

        // Rename and look-up find the number typed with trailing blanks.
        responder.clear();
        ui->renameCategoryOption->click();
        showActive();
        ui->categoryNumber->setFocus();
        type(ui->categoryNumber, "02  ");
        QTest::keyClick(ui->categoryNumber, Qt::Key_Return);
        QCOMPARE(ui->categoryName->text(), QString("零食"));
        type(ui->categoryName, "小吃 ");
        ui->categoryConfirmButton->click();
        QVERIFY(responder.shown().isEmpty());
        QCOMPARE(storedb::categoryNameOf(db(), "02"), std::optional<QString>("小吃"));
    }

    void goodsNumbersAndNamesFollowTheStoreRule() {
        formkit::ScriptedResponder& responder = office->responder;
        config->prepareGoodsPage();
        ui->goodsCategory->setCurrentIndex(ui->goodsCategory->findText("零食"));

        type(ui->goodsNumber, "A1 "); // exists in another category
        type(ui->goodsName, "别的");
        ui->goodsConfirmButton->click();
        type(ui->goodsNumber, " \t");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品号！请重新输入！", "请输入商品号！"}));

        type(ui->goodsNumber, "B2  ");
        type(ui->goodsName, "饼干 ");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwh='B2' and hwm='饼干'"), 1);
        QCOMPARE(column(ui->goodsGrid, 0), QStringList({"B1", "B2"}));

        type(ui->goodsNumber, QString(51, QChar('7')));
        type(ui->goodsName, "长");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().last(), QString("商品号不能超过50个字符！"));
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 3);

        ui->renameGoodsOption->click();
        type(ui->goodsNumber, "B2 ");
        type(ui->goodsName, QString(51, QChar(0x957F)));
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().last(), QString("商品名称不能超过50个字符！"));
        type(ui->goodsNumber, "B2 ");
        type(ui->goodsName, "苏打饼干 ");
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwh='B2' and hwm='苏打饼干'"), 1);
    }

    // A barcode typed with a wrong check digit is questioned before it is
    // saved; No keeps the boxes for a correction.
    void goodsCheckDigitQuestion_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("question"); // empty: none asked
        const QString q = "商品号 %1 的校验位应为 %2,可能输错了。仍然保存吗？";
        QTest::newRow("EAN-13 wrong") << "4006381333932" << q.arg("4006381333932", "1");
        QTest::newRow("UPC-A wrong") << "036000291453" << q.arg("036000291453", "2");
        QTest::newRow("EAN-8 wrong, blank") << "73513538 " << q.arg("73513538", "7");
        QTest::newRow("EAN-13 right") << "4006381333931" << QString();
        QTest::newRow("UPC-A right") << "036000291452" << QString();
        QTest::newRow("ten digits") << "4006381333" << QString();
        QTest::newRow("letters") << "A1234567" << QString();
    }
    void goodsCheckDigitQuestion() {
        QFETCH(QString, typed);
        QFETCH(QString, question);
        formkit::ScriptedResponder& responder = office->responder;
        const QString hwh = typed.trimmed();
        config->prepareGoodsPage();
        showActive();
        ui->goodsCategory->setCurrentIndex(ui->goodsCategory->findText("饮料"));
        type(ui->goodsNumber, typed);
        type(ui->goodsName, "新品");
        ui->goodsConfirmButton->setFocus();
        if (!question.isEmpty()) {
            responder.answer(false);
            ui->goodsConfirmButton->click();
            QCOMPARE(responder.asked(), QStringList({question}));
            QVERIFY(!storedb::goodsExists(db(), hwh));
            QCOMPARE(ui->goodsNumber->text(), typed);
            QCOMPARE(ui->goodsName->text(), QString("新品"));
            QVERIFY(ui->goodsNumber->hasFocus());
            responder.answer(true);
        }
        ui->goodsConfirmButton->click();
        QCOMPARE(responder.asked().size(), question.isEmpty() ? 0 : 2);
        QCOMPARE(responder.shown(), responder.asked());
        QCOMPARE(storedb::categoryOfGoods(db(), hwh), std::optional<QString>("01"));
        QCOMPARE(ui->goodsNumber->text(), QString());
    }

    // However "-5" got into the level box (a paste, a program), it is not
    // saved: the store's refusal is shown and the boxes stay for a correction.
    void negativeAlarmLevelIsRefused() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='旧店',welcome='旧话',sl=3");
        config->prepareSettingsPage();
        ui->lowStockLevel->setText("-5");
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown(), QStringList({"报警库存量必须是大于或等于0的整数！"}));
        QVERIFY(config->isVisible());
        QCOMPARE(ui->lowStockLevel->text(), QString("-5"));
        QCOMPARE(count(db(), "select sl from company"), 3);

        ui->lowStockLevel->setText("0");
        ui->settingsConfirmButton->click();
        QCOMPARE(responder.shown().last(), QString("设置成功!"));
        QCOMPARE(count(db(), "select sl from company"), 0);
    }

    void closeButtonsHideWithoutSaving() {
        formkit::ScriptedResponder& responder = office->responder;
        for (QPushButton* button :
             {ui->categoryCloseButton, ui->goodsCloseButton, ui->settingsCloseButton}) {
            config->prepareSettingsPage();
            ui->shopName->setText("不保存");
            button->click();
            QVERIFY(!config->isVisible());
        }
        QCOMPARE(count(db(), "select count(*) from company where company='不保存'"), 0);
        QVERIFY(responder.shown().isEmpty());
    }
};

STORE_TEST_MAIN(TestGoodsConfig)
#include "tst_goods_config.moc"
