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
    QTabWidget* PageControl1 = c<QTabWidget>("PageControl1");
    QRadioButton* RadioGroup1Item1 = c<QRadioButton>("RadioGroup1Item1");
    QRadioButton* RadioGroup1Item2 = c<QRadioButton>("RadioGroup1Item2");
    QLineEdit* Edit1 = c<QLineEdit>("Edit1");
    QLineEdit* Edit2 = c<QLineEdit>("Edit2");
    QPushButton* Button1 = c<QPushButton>("Button1");
    QPushButton* Button2 = c<QPushButton>("Button2");
    QTableView* DBGrid1 = c<QTableView>("DBGrid1");
    QRadioButton* RadioGroup2Item0 = c<QRadioButton>("RadioGroup2Item0");
    QRadioButton* RadioGroup2Item1 = c<QRadioButton>("RadioGroup2Item1");
    QRadioButton* RadioGroup2Item2 = c<QRadioButton>("RadioGroup2Item2");
    QComboBox* ComboBox1 = c<QComboBox>("ComboBox1");
    QLineEdit* Edit3 = c<QLineEdit>("Edit3");
    QLineEdit* Edit4 = c<QLineEdit>("Edit4");
    QPushButton* Button3 = c<QPushButton>("Button3");
    QPushButton* Button4 = c<QPushButton>("Button4");
    QTableView* DBGrid2 = c<QTableView>("DBGrid2");
    QLineEdit* Edit5 = c<QLineEdit>("Edit5");
    QLineEdit* Edit6 = c<QLineEdit>("Edit6");
    QLineEdit* Edit7 = c<QLineEdit>("Edit7");
    QPushButton* BitBtn1 = c<QPushButton>("BitBtn1");
    QPushButton* BitBtn2 = c<QPushButton>("BitBtn2");
};

} // namespace

class TestGoodsConfig : public QObject {
    Q_OBJECT

    // The back office started and signed on; the configuration window is
    // driven as the administrator would, the store checked on the test's
    // own connection.
    std::unique_ptr<AdminFixture> office;
    admin::GoodsConfigWindow* sppzForm = nullptr;
    std::unique_ptr<Controls> ui;

    storedb::Db& db() { return office->db(); }

    void showActive() {
        sppzForm->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(sppzForm));
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        sppzForm = &office->session().configurationWindow();
        ui = std::make_unique<Controls>(sppzForm);
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
        sppzForm = nullptr;
        office.reset();
    }

    void windowAndCategoryPageOpen() {
        formkit::ScriptedResponder& responder = office->responder;
        ui->Edit1->setText("left over");
        sppzForm->prepareCategoryPage();
        QVERIFY(sppzForm->isVisible());
        QCOMPARE(ui->PageControl1->currentIndex(), 0);
        // Selected by the main window: the page-change handler did not clear the boxes.
        QCOMPARE(ui->Edit1->text(), QString("left over"));
        QCOMPARE(column(ui->DBGrid1, 0), QStringList({"01", "02"}));
        QCOMPARE(ui->DBGrid1->columnWidth(0), 80);
        QCOMPARE(ui->DBGrid1->columnWidth(1), 130);
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料", "零食"}));
        QCOMPARE(ui->ComboBox1->currentText(), QString());
        QVERIFY(responder.shown().isEmpty());
    }

    void categoryAddAndRename() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareCategoryPage();

        ui->Edit1->clear();
        ui->Button1->click();
        type(ui->Edit1, "03");
        type(ui->Edit2, "饮料"); // a name already in use is accepted
        ui->Button1->click();
        type(ui->Edit1, "01");
        type(ui->Edit2, "别的");
        ui->Button1->click();
        QCOMPARE(responder.shown(),
                 QStringList({"请输入商品类别号！", "已有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->Edit1->text(), QString());
        QCOMPARE(ui->Edit2->text(), QString("别的"));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbm='饮料'"), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbm='别的'"), 0);
        QCOMPARE(column(ui->DBGrid1, 0), QStringList({"01", "02", "03"}));
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料", "零食", "饮料"}));

        responder.clear();
        ui->RadioGroup1Item2->click();
        type(ui->Edit1, "09");
        type(ui->Edit2, "新名");
        ui->Button1->click();
        QCOMPARE(responder.shown(), QStringList({"没有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->Edit1->text(), QString("09")); // rename keeps the number
        type(ui->Edit1, "03");
        ui->Button1->click();
        QCOMPARE(responder.shown().size(), 1);
        QCOMPARE(storedb::categoryNameOf(db(), "03"), std::optional<QString>("新名"));
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料", "零食", "新名"}));
        QCOMPARE(column(ui->DBGrid1, 1), QStringList({"饮料", "零食", "新名"}));
        QCOMPARE(ui->DBGrid1->columnWidth(1), 130);
    }

    void categoryLookupAndRowPick() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareCategoryPage();
        showActive();

        // Adding: Enter only moves on, and a double-click copies nothing.
        ui->Edit1->setFocus();
        type(ui->Edit1, "77");
        QTest::keyClick(ui->Edit1, Qt::Key_Return);
        QVERIFY(ui->Edit2->hasFocus());
        doubleClickRow(ui->DBGrid1, "02");
        QCOMPARE(ui->Edit1->text(), QString("77"));
        QCOMPARE(ui->Edit2->text(), QString());
        QVERIFY(responder.shown().isEmpty());

        ui->RadioGroup1Item1->click();
        ui->Edit1->setFocus();
        type(ui->Edit1, "77");
        QTest::keyClick(ui->Edit1, Qt::Key_Return);
        QCOMPARE(responder.shown(), QStringList({"没有这种商品类别号！请重新输入！"}));
        QCOMPARE(ui->Edit1->text(), QString());
        QVERIFY(ui->Edit1->hasFocus());

        type(ui->Edit1, "02");
        QTest::keyClick(ui->Edit1, Qt::Key_Return);
        QCOMPARE(ui->Edit2->text(), QString("零食"));
        QVERIFY(ui->Edit2->hasFocus());
        QCOMPARE(responder.shown().size(), 1); // the look-up ran once

        // Leaving the box by Tab runs the same look-up.
        ui->Edit1->setFocus();
        type(ui->Edit1, " 01"); // a leading blank makes another number
        QTest::keyClick(ui->Edit1, Qt::Key_Tab);
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(ui->Edit1->text(), QString());
        QVERIFY(ui->Edit1->hasFocus());
        type(ui->Edit1, "01");
        QTest::keyClick(ui->Edit1, Qt::Key_Tab);
        QCOMPARE(ui->Edit2->text(), QString("饮料"));
        QCOMPARE(responder.shown().size(), 2);

        ui->RadioGroup1Item2->click();
        doubleClickRow(ui->DBGrid1, "02");
        QCOMPARE(ui->Edit1->text(), QString("02"));
        QCOMPARE(ui->Edit2->text(), QString("零食"));
    }

    void categoryDeleteTakesGoodsAndStockButNotLog() {
        formkit::ScriptedResponder& responder = office->responder;
        storedb::sppztj(db(), "01", "A2", "雪碧"); // goods without a stock row
        storedb::jrhwrzb(db(), storedb::Movement{"A1", "01", 3, 10, 2, QDate(2026, 1, 5), "1",
                                                 storedb::kStockIn, "厂家"});
        sppzForm->prepareCategoryPage();
        ui->RadioGroup1Item1->click();
        type(ui->Edit1, "01");

        responder.answer(false);
        ui->Button1->click();
        QCOMPARE(responder.asked(), QStringList({"真的要删除吗？"}));
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 2);

        responder.answer(true);
        ui->Button1->click();
        QCOMPARE(responder.shown(), QStringList({"真的要删除吗？", "真的要删除吗？"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwb where hwlbh='01'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwrzb where hwh='A1'"), 1);
        QCOMPARE(stockOf(db(), "B1"), 4); // the other category is untouched
        QCOMPARE(column(ui->DBGrid1, 0), QStringList({"02"}));
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"零食"}));
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
        sppzForm->prepareCategoryPage();
        showActive();
        ui->RadioGroup1Item1->click();
        type(ui->Edit1, "01");
        responder.answer(true);
        // The user reads a Chinese message; the driver's words go to the log.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused"));
        QTest::mouseClick(ui->Button1, Qt::LeftButton);
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(responder.shown().at(1), storedb::kStatementFailed);

        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 1);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwlbh='01'"), 1);
        QCOMPARE(stockOf(db(), "A1"), 10);

        // The connection is left usable: once the obstacle is gone the delete goes through.
        db().exec("drop",
                  QString("drop trigger refuse%1").arg(db().isSQLite() ? "" : " on " + table));
        responder.answer(true);
        QTest::mouseClick(ui->Button1, Qt::LeftButton);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='01'"), 0);
        QCOMPARE(stockOf(db(), "A1"), -1);
        QCOMPARE(responder.shown().size(), 3);
    }

    void goodsCategorySwitchAndAdd() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareGoodsPage();
        showActive();
        QCOMPARE(ui->PageControl1->currentIndex(), 1);
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"A1", "B1"}));
        QCOMPARE(ui->DBGrid2->columnWidth(1), 130);

        ui->ComboBox1->setFocus();
        QTest::keyClick(ui->ComboBox1, Qt::Key_Down); // picks the first entry
        QCOMPARE(ui->ComboBox1->currentText(), QString("饮料"));
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"A1"}));
        QCOMPARE(ui->DBGrid2->columnWidth(0), 80);
        QCOMPARE(ui->DBGrid2->columnWidth(1), 110);

        // Enter walks the boxes and from the last one runs the action.
        QTest::keyClick(ui->ComboBox1, Qt::Key_Return);
        QVERIFY(ui->Edit3->hasFocus());
        QTest::keyClicks(ui->Edit3, "A9");
        QTest::keyClick(ui->Edit3, Qt::Key_Return);
        type(ui->Edit4, "可乐"); // a goods name used before is accepted
        QTest::keyClick(ui->Edit4, Qt::Key_Return);
        QVERIFY(ui->Button3->hasFocus());
        QTest::keyClick(ui->Button3, Qt::Key_Return);
        QVERIFY(responder.shown().isEmpty());
        QCOMPARE(ui->Edit3->text(), QString());
        QCOMPARE(ui->Edit4->text(), QString());
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"A1", "A9"}));
        QCOMPARE(ui->DBGrid2->columnWidth(1), 110);
        QCOMPARE(storedb::categoryOfGoods(db(), "A9"), std::optional<QString>("01"));
        QCOMPARE(count(db(), "select count(*) from hwb where hwh='A9'"), 0);

        // A number used in another category is refused.
        type(ui->Edit3, "B1");
        type(ui->Edit4, "别的");
        ui->Button3->click();
        type(ui->Edit3, "");
        ui->Button3->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品号！请重新输入！", "请输入商品号！"}));
        QCOMPARE(storedb::categoryOfGoods(db(), "B1"), std::optional<QString>("02"));
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 3);
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料", "零食"}));
        QCOMPARE(ui->ComboBox1->currentText(), QString("饮料")); // the shown text stays
    }

    void goodsAddNeedsAnExistingCategory() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareGoodsPage();
        for (const QString& picked : {QString(), QString("不存在")}) {
            ui->ComboBox1->setEditText(picked);
            type(ui->Edit3, "C1");
            type(ui->Edit4, "牛奶");
            ui->Button3->click();
            QCOMPARE(responder.shown().last(), QString("没有这种商品类别！请重新选择！"));
            QVERIFY(!storedb::goodsExists(db(), "C1"));
            QCOMPARE(ui->Edit3->text(), QString("C1")); // kept for a second try
            QCOMPARE(ui->ComboBox1->currentText(), picked);
        }
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 2);
        QCOMPARE(responder.shown().size(), 2);

        // A category deleted by someone else after the pick list was filled.
        storedb::deleteCategory(db(), "02");
        ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText("零食"));
        ui->Button3->click();
        QCOMPARE(responder.shown().size(), 3);
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 1);
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料"}));
    }

    void goodsDeleteAndRename() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareGoodsPage();
        showActive();
        ui->RadioGroup2Item1->click();

        // Row pick from the list of all goods: boxes, category and list follow the goods.
        doubleClickRow(ui->DBGrid2, "B1");
        QCOMPARE(ui->Edit3->text(), QString("B1"));
        QCOMPARE(ui->Edit4->text(), QString("薯片"));
        QCOMPARE(ui->ComboBox1->currentText(), QString("零食"));
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"B1"}));
        QCOMPARE(ui->DBGrid2->columnWidth(1), 110);

        responder.answer(false);
        ui->Button3->click();
        QCOMPARE(ui->Edit3->text(), QString("B1")); // not confirmed: nothing at all changes
        QVERIFY(storedb::goodsExists(db(), "B1"));
        responder.answer(true);
        ui->Button3->click();
        QVERIFY(!storedb::goodsExists(db(), "B1"));
        QCOMPARE(ui->Edit3->text(), QString());
        QCOMPARE(ui->DBGrid2->model()->rowCount(), 0);
        QCOMPARE(responder.asked().size(), 2);

        type(ui->Edit3, "B1");
        ui->Button3->click();
        ui->RadioGroup2Item2->click();
        type(ui->Edit3, "B1");
        ui->Button3->click();
        QCOMPARE(responder.shown().mid(2),
                 QStringList({"没有这种商品号！请重新输入！", "没有这种商品号！请重新输入！"}));
        QCOMPARE(ui->Edit3->text(), QString());

        ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText("饮料"));
        type(ui->Edit3, "A1");
        type(ui->Edit4, "百事可乐");
        ui->Button3->click();
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(column(ui->DBGrid2, 1), QStringList({"百事可乐"}));
        QCOMPARE(stockOf(db(), "A1"), 10);

        // Adding: a double-click copies nothing.
        ui->RadioGroup2Item0->click();
        doubleClickRow(ui->DBGrid2, "A1");
        QCOMPARE(ui->Edit3->text(), QString());
    }

    void pageSwitchResetsBoxesAndLists() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='小店',welcome='欢迎',sl=5");
        sppzForm->prepareGoodsPage();
        showActive();
        ui->ComboBox1->setFocus();
        QTest::keyClick(ui->ComboBox1, Qt::Key_Down);
        QTest::keyClick(ui->ComboBox1, Qt::Key_Down);
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"B1"}));
        ui->Edit1->setText("x");
        ui->Edit3->setText("y");
        addCategory(db(), "03", "日用");

        QTest::mouseClick(ui->PageControl1->tabBar(), Qt::LeftButton, {},
                          ui->PageControl1->tabBar()->tabRect(0).center());
        QCOMPARE(ui->PageControl1->currentIndex(), 0);
        QCOMPARE(ui->Edit1->text(), QString());
        QCOMPARE(ui->Edit3->text(), QString());
        QCOMPARE(ui->ComboBox1->currentText(), QString());
        QCOMPARE(column(ui->DBGrid1, 0), QStringList({"01", "02", "03"}));
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"A1", "B1"}));
        QCOMPARE(ui->DBGrid2->columnWidth(1), 130);
        QCOMPARE(ui->Edit5->text(), QString("小店"));
        QCOMPARE(ui->Edit7->text(), QString("5"));
        QVERIFY(responder.shown().isEmpty());
    }

    void settingsChecksSaveAndReload() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='旧店',welcome='旧话',sl=3");
        sppzForm->prepareSettingsPage();
        QCOMPARE(ui->PageControl1->currentIndex(), 2);
        QCOMPARE(ui->Edit5->text(), QString("旧店"));
        QCOMPARE(ui->Edit6->text(), QString("旧话"));
        QCOMPARE(ui->Edit7->text(), QString("3"));

        type(ui->Edit5, "   ");
        ui->BitBtn1->click();
        type(ui->Edit5, "  新店");
        type(ui->Edit6, "");
        ui->BitBtn1->click();
        type(ui->Edit6, "欢迎光临");
        ui->Edit7->clear();
        ui->BitBtn1->click();
        QCOMPARE(responder.shown(),
                 QStringList({"请输入超市名字!", "请输入欢迎信息!", "请输入报警库存量!"}));
        QCOMPARE(count(db(), "select count(*) from company where company='旧店'"), 1);

        // Only digits reach the level box; Backspace is dropped too.
        QTest::keyClicks(ui->Edit7, "1a2-.");
        QTest::keyClick(ui->Edit7, Qt::Key_Backspace);
        QCOMPARE(ui->Edit7->text(), QString("12"));

        QTest::keyClicks(ui->Edit7, "345678901"); // 12345678901: beyond an integer
        ui->BitBtn1->click();
        QCOMPARE(responder.shown().last(), QString("数据操作失败!"));
        QVERIFY(sppzForm->isVisible());
        QCOMPARE(ui->Edit7->text(), QString("12345678901"));
        QCOMPARE(count(db(), "select count(*) from company where company='旧店'"), 1);

        ui->Edit7->setText("2147483647");
        ui->BitBtn1->click();
        QCOMPARE(responder.shown().last(), QString("设置成功!"));
        QVERIFY(!sppzForm->isVisible());
        QSqlQuery q = db().exec("read", "select company,welcome,sl,accountnum from company");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("  新店"));
        QCOMPARE(q.value(1).toString(), QString("欢迎光临"));
        QCOMPARE(q.value(2).toLongLong(), 2147483647LL);
        QVERIFY(!q.next());

        ui->Edit5->setText("changed on screen");
        sppzForm->prepareSettingsPage();
        QCOMPARE(ui->Edit5->text(), QString("  新店"));
        QCOMPARE(ui->Edit7->text(), QString("2147483647"));
    }

    void settingsTooLongOrEmptyTable() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("empty", "delete from company");
        sppzForm->prepareSettingsPage();
        QCOMPARE(ui->Edit5->text(), QString());
        QCOMPARE(ui->Edit7->text(), QString("0"));

        // Longer than the column: refused alike on every engine, saying why.
        ui->Edit5->setText(QString(51, QChar(0x5E97)));
        ui->Edit6->setText("欢迎");
        ui->Edit7->setText("8");
        ui->BitBtn1->click();
        QCOMPARE(responder.shown(), QStringList({"超市名字不能超过50个字符！"}));
        QVERIFY(sppzForm->isVisible());
        QCOMPARE(count(db(), "select count(*) from company"), 0);

        // Enter chains to the save button; the first row is created.
        showActive();
        ui->Edit5->setFocus();
        ui->Edit5->setText(QString(50, QChar(0x5E97)));
        QTest::keyClick(ui->Edit5, Qt::Key_Return);
        QTest::keyClick(ui->Edit6, Qt::Key_Return);
        QTest::keyClick(ui->Edit7, Qt::Key_Return);
        QVERIFY(ui->BitBtn1->hasFocus());
        QTest::keyClick(ui->BitBtn1, Qt::Key_Return);
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
        sppzForm->prepareGoodsPage();
        ui->RadioGroup2Item1->click();
        type(ui->Edit3, "A1");
        responder.answer(true);
        ui->Button3->click();
        QCOMPARE(responder.asked(), QStringList({"真的要删除吗？"}));
        QVERIFY(!storedb::goodsExists(db(), "A1"));
        QCOMPARE(count(db(), "select count(*) from hwb where hwh='A1'"), 0);
        QCOMPARE(count(db(), "select count(*) from hwrzb where hwh='A1'"), 1);
        QCOMPARE(stockOf(db(), "B1"), 4);

        ui->RadioGroup2Item0->click();
        ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText("饮料"));
        type(ui->Edit3, "A1");
        type(ui->Edit4, "可乐");
        ui->Button3->click();
        QCOMPARE(responder.shown().size(), 1);
        QCOMPARE(storedb::categoryOfGoods(db(), "A1"), std::optional<QString>("01"));
        QCOMPARE(stockOf(db(), "A1"), -1);
    }

    // Numbers and names are kept without trailing blanks: the same text
    // serves the existence check and the write, and what the store will not
    // keep is refused in Chinese with nothing written.
    void categoryNumbersAndNamesFollowTheStoreRule() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareCategoryPage();

        type(ui->Edit1, "01 ");
        type(ui->Edit2, "别的");
        ui->Button1->click();
        type(ui->Edit1, "   ");
        ui->Button1->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品类别号！请重新输入！", "请输入商品类别号！"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 2);

        type(ui->Edit1, "03\t ");
        type(ui->Edit2, "日用　"); // ends in a full-width blank
        ui->Button1->click();
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb where hwlbh='03' and hwlbm='日用'"), 1);
        QCOMPARE(pickList(ui->ComboBox1), QStringList({"饮料", "零食", "日用"}));

        type(ui->Edit1, QString(51, QChar('9')));
        type(ui->Edit2, "长");
        ui->Button1->click();
        type(ui->Edit1, "04");
        type(ui->Edit2, QString(51, QChar(0x957F)));
        ui->Button1->click();
        QCOMPARE(responder.shown().mid(2),
                 QStringList({"商品类别号不能超过50个字符！", "商品类别名不能超过50个字符！"}));
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 3);
        type(ui->Edit1, QString(50, QChar('9')));
        type(ui->Edit2, QString(50, QChar(0x957F)));
        ui->Button1->click();
        QCOMPARE(responder.shown().size(), 4);
        QCOMPARE(count(db(), "select count(*) from hwlbpzb"), 4);

        // Rename and look-up find the number typed with trailing blanks.
        responder.clear();
        ui->RadioGroup1Item2->click();
        showActive();
        ui->Edit1->setFocus();
        type(ui->Edit1, "02  ");
        QTest::keyClick(ui->Edit1, Qt::Key_Return);
        QCOMPARE(ui->Edit2->text(), QString("零食"));
        type(ui->Edit2, "小吃 ");
        ui->Button1->click();
        QVERIFY(responder.shown().isEmpty());
        QCOMPARE(storedb::categoryNameOf(db(), "02"), std::optional<QString>("小吃"));
    }

    void goodsNumbersAndNamesFollowTheStoreRule() {
        formkit::ScriptedResponder& responder = office->responder;
        sppzForm->prepareGoodsPage();
        ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText("零食"));

        type(ui->Edit3, "A1 "); // exists in another category
        type(ui->Edit4, "别的");
        ui->Button3->click();
        type(ui->Edit3, " \t");
        ui->Button3->click();
        QCOMPARE(responder.shown(),
                 QStringList({"已有这种商品号！请重新输入！", "请输入商品号！"}));

        type(ui->Edit3, "B2  ");
        type(ui->Edit4, "饼干 ");
        ui->Button3->click();
        QCOMPARE(responder.shown().size(), 2);
        QCOMPARE(count(db(), "select count(*) from hwpzb where hwh='B2' and hwm='饼干'"), 1);
        QCOMPARE(column(ui->DBGrid2, 0), QStringList({"B1", "B2"}));

        type(ui->Edit3, QString(51, QChar('7')));
        type(ui->Edit4, "长");
        ui->Button3->click();
        QCOMPARE(responder.shown().last(), QString("商品号不能超过50个字符！"));
        QCOMPARE(count(db(), "select count(*) from hwpzb"), 3);

        ui->RadioGroup2Item2->click();
        type(ui->Edit3, "B2 ");
        type(ui->Edit4, QString(51, QChar(0x957F)));
        ui->Button3->click();
        QCOMPARE(responder.shown().last(), QString("商品名称不能超过50个字符！"));
        type(ui->Edit3, "B2 ");
        type(ui->Edit4, "苏打饼干 ");
        ui->Button3->click();
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
        sppzForm->prepareGoodsPage();
        showActive();
        ui->ComboBox1->setCurrentIndex(ui->ComboBox1->findText("饮料"));
        type(ui->Edit3, typed);
        type(ui->Edit4, "新品");
        ui->Button3->setFocus();
        if (!question.isEmpty()) {
            responder.answer(false);
            ui->Button3->click();
            QCOMPARE(responder.asked(), QStringList({question}));
            QVERIFY(!storedb::goodsExists(db(), hwh));
            QCOMPARE(ui->Edit3->text(), typed);
            QCOMPARE(ui->Edit4->text(), QString("新品"));
            QVERIFY(ui->Edit3->hasFocus());
            responder.answer(true);
        }
        ui->Button3->click();
        QCOMPARE(responder.asked().size(), question.isEmpty() ? 0 : 2);
        QCOMPARE(responder.shown(), responder.asked());
        QCOMPARE(storedb::categoryOfGoods(db(), hwh), std::optional<QString>("01"));
        QCOMPARE(ui->Edit3->text(), QString());
    }

    // However "-5" got into the level box (a paste, a program), it is not
    // saved: the store's refusal is shown and the boxes stay for a correction.
    void negativeAlarmLevelIsRefused() {
        formkit::ScriptedResponder& responder = office->responder;
        db().exec("settings", "update company set company='旧店',welcome='旧话',sl=3");
        sppzForm->prepareSettingsPage();
        ui->Edit7->setText("-5");
        ui->BitBtn1->click();
        QCOMPARE(responder.shown(), QStringList({"报警库存量必须是大于或等于0的整数！"}));
        QVERIFY(sppzForm->isVisible());
        QCOMPARE(ui->Edit7->text(), QString("-5"));
        QCOMPARE(count(db(), "select sl from company"), 3);

        ui->Edit7->setText("0");
        ui->BitBtn1->click();
        QCOMPARE(responder.shown().last(), QString("设置成功!"));
        QCOMPARE(count(db(), "select sl from company"), 0);
    }

    void closeButtonsHideWithoutSaving() {
        formkit::ScriptedResponder& responder = office->responder;
        for (QPushButton* button : {ui->Button2, ui->Button4, ui->BitBtn2}) {
            sppzForm->prepareSettingsPage();
            ui->Edit5->setText("不保存");
            button->click();
            QVERIFY(!sppzForm->isVisible());
        }
        QCOMPARE(count(db(), "select count(*) from company where company='不保存'"), 0);
        QVERIFY(responder.shown().isEmpty());
    }
};

STORE_TEST_MAIN(TestGoodsConfig)
#include "tst_goods_config.moc"
