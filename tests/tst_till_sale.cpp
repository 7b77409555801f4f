// Sale entry and charging on the till's sale panel, through its controls.

#include "till_harness.h"

#include "client/chargewindow.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/till.h"
#include "support/books.h"

#include <QHeaderView>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlQueryModel>

using namespace storedb;
using namespace testsupport;
using namespace tilltest;

namespace {
const QString kPrompt = QStringLiteral("输入删除的货物编号");

void arrangeShop(Db& db) {
    addTill(db, "till-1", 150);
    addClerk(db, "1001", "王芳", "pw");
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901", "可口可乐", 3.5, 20);
    addGoods(db, "01", "6902", "雪碧", 2.25, 20);
    addGoods(db, "01", "6903", "矿泉水", 1, 5);
}

// A till on duty with the sale panel open.
struct OpenPanel {
    TestStore store;
    formkit::ScriptedResponder responder;
    std::unique_ptr<TillRun> run;
    OpenPanel() {
        arrangeShop(store.db());
        store.writeDataLink(store.folder());
        run = std::make_unique<TillRun>(store.folder(), "till-1");
        run->start();
        run->signOn("1001", "pw");
        tool("openSalePanelAction")->trigger();
        responder.clear();
    }
    ~OpenPanel() { run.reset(); }
    Db& db() { return store.db(); }
};

QTableView* grid() {
    return ctl<QTableView>(mainWindow(), "saleLines");
}

QStringList gridColumn(int column) {
    QStringList cells;
    for (int row = 0; row < grid()->model()->rowCount(); ++row)
        cells << grid()->model()->index(row, column).data(Qt::DisplayRole).toString();
    return cells;
}

QList<int> gridWidths() {
    QList<int> widths;
    for (int column = 0; column < 5; ++column)
        widths << grid()->columnWidth(column);
    return widths;
}

void clickHandled(QWidget* widget) {
    // A mouse click travels through the application object, which shows what a
    // handler throws, as in the running program.
    QTest::mouseClick(widget, Qt::LeftButton);
}
} // namespace

class TestTillSale : public QObject {
    Q_OBJECT

  private slots:
    void openingThePanel() {
        OpenPanel till;
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(grid()->model()->columnCount(), 5);
        QStringList titles;
        for (int c = 0; c < 5; ++c)
            titles << grid()->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(titles, (QStringList{"编号", "货物名", "单价", "数量", "价格"}));
        QCOMPARE(grid()->model()->rowCount(), 0);
        QCOMPARE(gridWidths(), (QList<int>{56, 270, 140, 140, 140}));
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("0"));
        QCOMPARE(mainWindow()->focusWidget(), edit(mainWindow(), "goodsNumber"));
        // Right after sign-on the till has taken nothing.
        button(mainWindow(), "takingsButton")->click();
        QCOMPARE(till.responder.shown(), QStringList{"本机销售情况:共计 0 元"});
        jqbsf(till.db(), "till-1", 12.5);
        button(mainWindow(), "takingsButton")->click();
        QCOMPARE(till.responder.shown().last(), QString("本机销售情况:共计 12.5 元"));
    }

    void stockLimitsTheQuantity() {
        OpenPanel till;
        till.run->addLine("6903", "6");
        QCOMPARE(till.responder.shown(), QStringList{"此货库存量已不足,最多只能销售5件"});
        QCOMPARE(edit(mainWindow(), "quantity")->text(), QString("5"));
        QCOMPARE(edit(mainWindow(), "goodsNumber")->text(), QString("6903"));
        QCOMPARE(mainWindow()->focusWidget(), edit(mainWindow(), "quantity"));
        QVERIFY(saleLines(till.db(), "till-1").isEmpty());
        QCOMPARE(stockOf(till.db(), "6903"), 5);
        QCOMPARE(tillLooks(), kPanelOpen);
        // Selling exactly what is in stock is allowed.
        button(mainWindow(), "addLineButton")->click();
        QCOMPARE(stockOf(till.db(), "6903"), 0);
        QCOMPARE(saleLines(till.db(), "till-1").size(), 1);
        QCOMPARE(tillLooks(), kSalePending);
    }

    void refusalsWriteNothing() {
        OpenPanel till;
        button(mainWindow(), "addLineButton")->setDefault(true);
        till.run->addLine("7777", "1");
        QCOMPARE(till.responder.shown(),
                 QStringList{"此货物号不存在,请检查输入是否有误或通知管理员检查！"});
        QCOMPARE(edit(mainWindow(), "goodsNumber")->text(), QString());
        QCOMPARE(edit(mainWindow(), "quantity")->text(), QString("1"));
        QVERIFY(!button(mainWindow(), "addLineButton")->isDefault());
        till.responder.clear();
        till.run->addLine("6901", "0");
        QCOMPARE(till.responder.shown(), QStringList{"此货物不能销售！"});
        QCOMPARE(edit(mainWindow(), "goodsNumber")->text(), QString());
        // Pasted text passes the key filter; a negative quantity must not
        // put pieces into stock.
        till.responder.clear();
        till.run->addLine("6901", "-4");
        QCOMPARE(till.responder.shown(), QStringList{"此货物不能销售！"});
        // A quantity that is no whole number fails before anything is written.
        till.responder.clear();
        edit(mainWindow(), "goodsNumber")->setText("6901");
        edit(mainWindow(), "quantity")->setText("1.5");
        clickHandled(button(mainWindow(), "addLineButton"));
        QCOMPARE(till.responder.shown(), QStringList{"'1.5' 不是有效的整数"});
        QVERIFY(saleLines(till.db(), "till-1").isEmpty());
        QCOMPARE(stockOf(till.db(), "6901"), 20);
        QCOMPARE(tillLooks(), kPanelOpen);
    }

    void linesTakeStockAndGiveItBack() {
        OpenPanel till;
        till.run->addLine("6901", "3");
        QCOMPARE(stockOf(till.db(), "6901"), 17);
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("10.5"));
        till.run->addLine("6902", "3");
        // 2.25 is kept as 2.3, and the line priced at what is kept: 3 x 2.3,
        // not 6.75 rounded, which would not be 3 times the price shown.
        const QList<SaleLine> lines = saleLines(till.db(), "till-1");
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1].dj, 2.3);
        QCOMPARE(lines[1].jg, 6.9);
        QCOMPARE(lines[1].hwm, QString("雪碧"));
        QCOMPARE(lines[1].hwlbh, QString("01"));
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("17.4"));
        QCOMPARE(gridColumn(0), (QStringList{"1", "2"}));
        QCOMPARE(gridColumn(1), (QStringList{"可口可乐", "雪碧"}));
        QCOMPARE(gridColumn(2), (QStringList{"3.5", "2.3"}));
        QCOMPARE(gridColumn(4), (QStringList{"10.5", "6.9"}));
        QCOMPARE(gridWidths(), (QList<int>{53, 270, 140, 140, 140}));
        QCOMPARE(edit(mainWindow(), "goodsNumber")->text(), QString());

        // No: nothing happens but the fields are reset.
        typeInto(edit(mainWindow(), "lineToDelete"), "1");
        QVERIFY(button(mainWindow(), "deleteLineButton")->isEnabled());
        till.responder.answer(false);
        button(mainWindow(), "deleteLineButton")->click();
        QCOMPARE(till.responder.asked(), QStringList{"真的要删除吗？"});
        QCOMPARE(edit(mainWindow(), "lineToDelete")->text(), kPrompt);
        QVERIFY(!button(mainWindow(), "deleteLineButton")->isEnabled());
        QCOMPARE(stockOf(till.db(), "6901"), 17);
        // Yes: the line goes, its pieces come back; the sale stays pending.
        typeInto(edit(mainWindow(), "lineToDelete"), "1");
        till.responder.answer(true);
        button(mainWindow(), "deleteLineButton")->click();
        QCOMPARE(stockOf(till.db(), "6901"), 20);
        QCOMPARE(gridColumn(0), QStringList{"2"});
        QCOMPARE(gridWidths(), (QList<int>{56, 270, 140, 140, 140}));
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("6.9"));
        QCOMPARE(tillLooks(), kSalePending);
        QVERIFY(!button(mainWindow(), "deleteLineButton")->isEnabled());
        // A number that is not there.
        till.responder.clear();
        typeInto(edit(mainWindow(), "lineToDelete"), "99");
        button(mainWindow(), "deleteLineButton")->click();
        QCOMPARE(till.responder.shown(), QStringList{"你的输入的编号不存在，请重新输入！"});
        QCOMPARE(edit(mainWindow(), "lineToDelete")->text(), kPrompt);
        QVERIFY(!button(mainWindow(), "deleteLineButton")->isEnabled());
        // The last line: back to an open panel.
        typeInto(edit(mainWindow(), "lineToDelete"), "2");
        till.responder.answer(true);
        button(mainWindow(), "deleteLineButton")->click();
        QCOMPARE(stockOf(till.db(), "6902"), 20);
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("0"));
        QCOMPARE(grid()->model()->rowCount(), 0);
        QVERIFY(saleLines(till.db(), "till-1").isEmpty());
        expectBooksBalance(till.db());
    }

    void pickingALineFromTheGrid() {
        OpenPanel till;
        // An empty grid only resets the input fields.
        edit(mainWindow(), "goodsNumber")->setText("69");
        edit(mainWindow(), "quantity")->setText("7");
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QCOMPARE(edit(mainWindow(), "goodsNumber")->text(), QString());
        QCOMPARE(edit(mainWindow(), "quantity")->text(), QString("1"));
        QCOMPARE(edit(mainWindow(), "lineToDelete")->text(), kPrompt);
        QVERIFY(!button(mainWindow(), "deleteLineButton")->isEnabled());

        till.run->addLine("6901", "2");
        till.run->addLine("6902", "4");
        till.run->addLine("6903", "1");
        const QRect second = grid()->visualRect(grid()->model()->index(1, 1));
        // A double-click begins with a click, which picks the row.
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(edit(mainWindow(), "lineToDelete")->text(), QString("2"));
        QVERIFY(button(mainWindow(), "deleteLineButton")->isEnabled());
        // Esc anywhere in the main window presses 删除.
        till.responder.answer(true);
        QTest::keyClick(edit(mainWindow(), "goodsNumber"), Qt::Key_Escape);
        QCOMPARE(till.responder.asked(), QStringList{"真的要删除吗？"});
        QCOMPARE(gridColumn(0), (QStringList{"1", "3"}));
        QCOMPARE(stockOf(till.db(), "6902"), 20);
        // Esc with 删除 off does nothing.
        till.responder.clear();
        QTest::keyClick(edit(mainWindow(), "goodsNumber"), Qt::Key_Escape);
        QVERIFY(till.responder.shown().isEmpty());
    }

    void keyingALineByKeyboard() {
        OpenPanel till;
        QLineEdit* goods = edit(mainWindow(), "goodsNumber");
        QLineEdit* quantity = edit(mainWindow(), "quantity");
        // Enter in the quantity box does nothing before Enter in the goods box.
        QTest::keyClick(quantity, Qt::Key_Return);
        QVERIFY(till.responder.shown().isEmpty());
        QTest::keyClicks(goods, "6901", Qt::NoModifier, kClerkKeyMs);
        QCOMPARE(goods->text(), QString("6901"));
        QTest::keyClick(goods, Qt::Key_Return);
        QCOMPARE(mainWindow()->focusWidget(), quantity);
        QCOMPARE(quantity->text(), QString("1"));
        QVERIFY(button(mainWindow(), "addLineButton")->isDefault());
        // The preset 1 is selected: typing replaces it.
        QTest::keyClicks(quantity, "4");
        QTest::keyClick(quantity, Qt::Key_Return);
        QVERIFY(till.responder.shown().isEmpty());
        const QList<SaleLine> lines = saleLines(till.db(), "till-1");
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines[0].sl, 4);
        QCOMPARE(goods->text(), QString());
        QCOMPARE(mainWindow()->focusWidget(), goods);
        QVERIFY(!button(mainWindow(), "addLineButton")->isDefault());
        QCOMPARE(stockOf(till.db(), "6901"), 16);
        expectBooksBalance(till.db());
    }

    void decrementIsRefusedWhenAnotherTillWasFaster() {
        TestStore store;
        arrangeShop(store.db());
        createSaleTable(store.db(), "till-1");
        const GoodsAtTill seen = *hwhdw(store.db(), "6903"); // 5 in stock
        auto other = store.openAnother("other till");
        QVERIFY(hwbsf(*other, "6903", 3));
        const AddedLine refused = addSaleLine(store.db(), "till-1", "6903", seen, 5);
        QVERIFY(!refused.added);
        QCOMPARE(refused.stockLeft, 2);
        QCOMPARE(stockOf(store.db(), "6903"), 2);
        QVERIFY(saleLines(store.db(), "till-1").isEmpty());
        const AddedLine added = addSaleLine(store.db(), "till-1", "6903", seen, 2);
        QVERIFY(added.added);
        QCOMPARE(added.bh, 1);
        QCOMPARE(stockOf(store.db(), "6903"), 0);
        expectBooksBalance(store.db());
    }

    void tillsRacingForTheLastPieces() {
        TestStore store;
        arrangeShop(store.db());
        store.db().exec("stock", "update hwb set kcl=60 where hwh='6901'");
        store.writeDataLink(store.folder());
        const QString worker = QCoreApplication::applicationDirPath() + "/worker_till_race";
        QList<QProcess*> tills;
        for (const QString name : {"race-a", "race-b", "race-c"}) {
            auto* p = new QProcess(this);
            p->start(worker, {store.folder(), name, "6901", "40"});
            tills << p;
        }
        int sold = 0;
        for (QProcess* p : tills) {
            QVERIFY(p->waitForFinished(120000));
            QCOMPARE(p->exitCode(), 0);
            const int got = p->readAllStandardOutput().trimmed().toInt();
            sold += got;
            QCOMPARE(saleLines(store.db(), p->arguments().at(1)).size(), got);
            delete p;
        }
        QCOMPARE(sold, 60);
        QCOMPARE(stockOf(store.db(), "6901"), 0);
        expectBooksBalance(store.db());
    }

    void aWholeSaleWithoutTheMouse() {
        TestStore store;
        formkit::ScriptedResponder responder;
        arrangeShop(store.db());
        store.writeDataLink(store.folder());
        TillRun run(store.folder(), "till-1");
        run.start();
        run.signOn("1001", "pw");
        // Signing on hands the keyboard to the main window.
        QVERIFY(QTest::qWaitForWindowActive(mainWindow()));
        // F2 opens the panel, F5 charges, F4 signs off; each only where its
        // toolbar button would work.
        QTest::keyClick(mainWindow(), Qt::Key_F5);
        QCOMPARE(mainWindow()->chargeWindow(), nullptr);
        QTest::keyClick(mainWindow(), Qt::Key_F2);
        QCOMPARE(tillLooks(), kPanelOpen);
        QLineEdit* goods = edit(mainWindow(), "goodsNumber");
        QTest::keyClicks(goods, "6901", Qt::NoModifier, kClerkKeyMs);
        QTest::keyClick(goods, Qt::Key_Return);
        QTest::keyClick(edit(mainWindow(), "quantity"), Qt::Key_Return);
        QCOMPARE(tillLooks(), kSalePending);
        QTest::keyClick(mainWindow(), Qt::Key_F4); // no sign-off with a sale pending
        QCOMPARE(tillLooks(), kSalePending);
        QTest::keyClick(goods, Qt::Key_F5);
        // A button's key presses it the way a click looks: a moment later.
        QTRY_VERIFY(mainWindow()->chargeWindow());
        QPointer<ChargeWindow> window = mainWindow()->chargeWindow();
        QLineEdit* cash = edit(window, "cashReceived");
        QTest::keyClicks(cash, "5");
        QTest::keyClick(cash, Qt::Key_Return);
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(window.isNull());
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(count(store.db(), "select count(*) from hwrzb"), 1);
        responder.clear();
        QTest::keyClick(mainWindow(), Qt::Key_F6);
        QTRY_COMPARE(responder.shown(), QStringList{"本机销售情况:共计 3.5 元"});
        expectBooksBalance(store.db());
    }

    void chargingASale() {
        OpenPanel till;
        till.run->addLine("6901", "2");
        till.run->addLine("6902", "1");
        till.run->addLine("6903", "3");
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("12.3"));
        button(mainWindow(), "chargeButton")->click();
        QVERIFY(till.responder.shown().isEmpty());
        QPointer<ChargeWindow> window = mainWindow()->chargeWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(mainWindow()->state(), TillWindow::State::Charging);
        QCOMPARE(label(window, "dueLabel")->text(), QString("12.3"));

        // Booked: one bill, one movement per line, the takings.
        QCOMPARE(count(till.db(), "select count(distinct num) from hwrzb"), 1);
        QCOMPARE(count(till.db(),
                       "select count(*) from hwrzb where crk='出库' and rhj=0 and glyh is null "
                       "and hwly is null and num=1 and crhsj=:today",
                       {{"today", dateParam(QDate::currentDate())}}),
                 3);
        QCOMPARE(tillRow(till.db(), "till-1")->yye, 12.3);
        // The booked lines left the sale table with the booking; while the
        // charge window is up nothing more is keyed or charged.
        till.run->addLine("6901", "1");
        button(mainWindow(), "chargeButton")->click();
        QCOMPARE(saleLines(till.db(), "till-1").size(), 0);
        QCOMPARE(count(till.db(), "select count(*) from hwrzb"), 3);
        QCOMPARE(stockOf(till.db(), "6901"), 18);

        edit(window, "cashReceived")->setText("20");
        button(window, "confirmButton")->click();
        QTRY_VERIFY(window.isNull());
        QCOMPARE(mainWindow()->chargeWindow(), nullptr);
        QCOMPARE(tillLooks(), kPanelOpen);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("0"));
        QCOMPARE(edit(mainWindow(), "lineToDelete")->text(), kPrompt);
        QCOMPARE(grid()->model()->rowCount(), 0);
        QCOMPARE(gridWidths(), (QList<int>{56, 270, 140, 140, 140}));
        QVERIFY(saleLines(till.db(), "till-1").isEmpty());
        QCOMPARE(stockOf(till.db(), "6901"), 18);

        // Line numbers go on through the shift.
        till.run->addLine("6901", "1");
        QCOMPARE(gridColumn(0), QStringList{"4"});
        QCOMPARE(tillLooks(), kSalePending);
        expectBooksBalance(till.db());
    }

    void failedChargeKeepsTheSalePending() {
        OpenPanel till;
        till.run->addLine("6901", "2");
        till.run->addLine("6902", "2");
        if (till.db().isSQLite()) {
            till.db().exec("inject", "create trigger refuse_sales before insert on hwrzb "
                                     "begin select raise(abort,'injected failure'); end");
        } else {
            till.db().exec("inject",
                           "create function refuse_sales() returns trigger language plpgsql as "
                           "$$ begin raise exception 'injected failure'; end $$");
            till.db().exec("inject", "create trigger refuse_sales before insert on hwrzb "
                                     "for each row execute function refuse_sales()");
        }
        // The clerk reads a Chinese message; the driver's words go to the log.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("injected failure"));
        button(mainWindow(), "chargeButton")->click();
        QCOMPARE(till.responder.shown(), QStringList{storedb::kStatementFailed});
        QCOMPARE(mainWindow()->chargeWindow(), nullptr);
        QCOMPARE(tillLooks(), kSalePending);
        QCOMPARE(mainWindow()->state(), TillWindow::State::SalePending);
        QCOMPARE(saleLines(till.db(), "till-1").size(), 2);
        QCOMPARE(label(mainWindow(), "totalLabel")->text(), QString("11.6"));
        QCOMPARE(count(till.db(), "select count(*) from hwrzb"), 0);
        QCOMPARE(tillRow(till.db(), "till-1")->yye, 0.0);
        QCOMPARE(count(till.db(), "select accountnum from company"), 0);

        // Once the fault is gone the same sale charges.
        till.db().exec("mend", "drop trigger refuse_sales" +
                                   QString(till.db().isSQLite() ? "" : " on hwrzb"));
        button(mainWindow(), "chargeButton")->click();
        QVERIFY(mainWindow()->chargeWindow());
        QCOMPARE(count(till.db(), "select count(*) from hwrzb where num=1"), 2);
        // Takings and the logged sale agree to the fen (2 x 2.3, not 2 x 2.25).
        QCOMPARE(tillRow(till.db(), "till-1")->yye, 11.6);
        expectBooksBalance(till.db());
    }
};

STORE_TEST_MAIN(TestTillSale)
#include "tst_till_sale.moc"
