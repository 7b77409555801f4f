// The stock movement window driven from the keyboard, as the administrator
// works it.

#include "admin/stockwindow.h"
#include "storedb/datetime.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

using namespace testsupport;

namespace {

const QString kNoSuchGoods = QStringLiteral("没有此商品，请先到商品配置里配置！");

int count(storedb::Db& db, const QString& sql) {
    QSqlQuery q = db.exec(QStringLiteral("count"), sql);
    return q.next() ? q.value(0).toInt() : -1;
}

// Keys typed into whatever has the keyboard, Chinese characters included.
void type(const QString& text) {
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(ch),
                            Qt::NoModifier);
}
void enter() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}

// The log rows, one line each: hwh hwlbh dj sl rhj day glyh crk hwly.
QStringList logRows(storedb::Db& db) {
    QStringList rows;
    QSqlQuery q = db.exec(QStringLiteral("log"),
                          QStringLiteral("select hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly "
                                         "from hwrzb order by bh"));
    while (q.next()) {
        const QDateTime day = storedb::readDateTime(q.value(5));
        rows << QStringList{q.value(0).toString(),
                            q.value(1).toString(),
                            storedb::numberText(q.value(2).toDouble()),
                            q.value(3).toString(),
                            storedb::numberText(q.value(4).toDouble()),
                            day.time() == QTime(0, 0) ? day.date().toString(Qt::ISODate)
                                                      : day.toString(Qt::ISODate),
                            q.value(6).toString(),
                            q.value(7).toString(),
                            q.value(8).toString()}
                    .join(QLatin1Char(' '));
    }
    return rows;
}

} // namespace

class TestStockMovement : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::StockWindow* form = nullptr;
    const QString today = QDate::currentDate().toString(Qt::ISODate);

    storedb::Db& db() { return office->db(); }
    QLineEdit* edit(const char* name) { return ctl<QLineEdit>(form, name); }
    QString label(const char* name) { return ctl<QLabel>(form, name)->text(); }
    QWidget* focus() { return QApplication::focusWidget(); }

    // Opened from the main menu; the window takes the keyboard.
    void open(const char* entry) {
        office->action(entry)->trigger();
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCOMPARE(focus(), edit("goodsNumber"));
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        form = &office->windows().stockWindow();
        addCategory(db(), "01", "饮料");
        addCategory(db(), "02", "零食");
        storedb::sppztj(db(), "01", "A1", "可乐"); // catalogued, never stocked
        storedb::sppztj(db(), "02", "B1", "薯片");
        storedb::recordStockIn(db(), {"B1", 3, 4.5, 5, "乙"}, "1", QDate::currentDate());
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
    }

    void stockInFirstAndSecondTime() {
        open("stockInAction");
        type("A1");
        enter();
        QCOMPARE(focus(), edit("movementPrice"));
        // Leaving the box looked the goods up once more.
        QCOMPARE(label("goodsNameLabel"), QString("可乐") + QString(13, ' '));
        QCOMPARE(label("categoryNameLabel"), QString("饮料") + QString(15, ' '));
        for (const char* text : {"2.35", "3.5", "10", "甲公司"}) {
            type(QString::fromUtf8(text));
            enter();
        }
        QCOMPARE(focus(), ctl<QPushButton>(form, "confirmButton"));
        office->responder.answer(true);
        office->responder.answer(true);
        enter();
        QCOMPARE(office->responder.shown(), QStringList({"真的要入库吗？", "你还要继续入库吗？"}));
        QCOMPARE(stockOf(db(), "A1"), 10);
        // Ready for the next line, which keeps this one's values.
        QCOMPARE(focus(), edit("goodsNumber"));
        QCOMPARE(edit("goodsNumber")->text() + label("goodsNameLabel") + label("categoryNameLabel"),
                 QString());
        QCOMPARE(QStringList({edit("movementPrice")->text(), edit("unitPrice")->text(),
                              edit("quantity")->text(), edit("source")->text()}),
                 QStringList({"2.35", "3.5", "10", "甲公司"}));

        office->responder.answer(true);
        office->responder.answer(false);
        type("A1");
        for (int i = 0; i < 6; ++i) // through every box to "确定", and press it
            enter();
        QVERIFY(form->isHidden());
        QVERIFY(office->action("stockInAction")->isEnabled() &&
                office->action("stockOutAction")->isEnabled());
        QCOMPARE(stockOf(db(), "A1"), 20);
        const QString row = "A1 01 3.5 10 2.35 " + today + " 1 入库 甲公司";
        QCOMPARE(logRows(db()).mid(1), QStringList({row, row}));
    }

    void stockOutOfTheStockAndOneMore() {
        open("stockOutAction");
        type("B1");
        enter();
        type("4.5");
        enter();
        QCOMPARE(focus(), edit("quantity")); // the hidden unit price is skipped
        type("6.x");                         // whole pieces only
        QCOMPARE(edit("quantity")->text(), QString("6"));
        enter();
        enter();
        enter();
        QCOMPARE(office->responder.shown(), QStringList({"此商品库存不足，最多只能销售5 件"}));
        QCOMPARE(edit("quantity")->text(), QString("5"));
        QCOMPARE(focus(), edit("quantity"));
        QCOMPARE(logRows(db()).size(), 1);

        office->responder.answer(true);
        office->responder.answer(false);
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(stockOf(db(), "B1"), 0);
        QCOMPARE(logRows(db()).last(), "B1 02 4.5 5 0 " + today + " 1 出库 ");
    }

    void stockOutOfGoodsWithoutStockRow() {
        open("stockOutAction");
        edit("goodsNumber")->setText("A1");
        edit("movementPrice")->setText("3");
        edit("quantity")->setText("1");
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(office->responder.shown(), QStringList({"此商品库存不足，最多只能销售0 件"}));
        QCOMPARE(edit("quantity")->text(), QString("0"));
        QCOMPARE(count(db(), "select count(*) from hwb where hwh='A1'"), 0);
        QCOMPARE(logRows(db()).size(), 1);
    }

    void unknownGoodsHoldTheNumberBox() {
        open("stockOutAction");
        type("ZZ");
        enter();
        QTest::keyClick(focus(), Qt::Key_Tab);
        QCOMPARE(office->responder.shown(), QStringList({kNoSuchGoods, kNoSuchGoods}));
        QCOMPARE(focus(), edit("goodsNumber"));
        // Confirming it anyway writes nothing and asks nothing.
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(office->responder.shown().size(), 3);

        // "取消" takes the number back without a word.
        ctl<QPushButton>(form, "cancelButton")->setFocus(Qt::MouseFocusReason);
        ctl<QPushButton>(form, "cancelButton")->click();
        QCOMPARE(focus(), edit("goodsNumber"));
        QCOMPARE(edit("goodsNumber")->text(), QString());
        QCOMPARE(office->responder.shown().size(), 3);

        // An empty box may be left; a known number draws the keyboard to the price.
        QTest::keyClick(focus(), Qt::Key_Tab);
        QVERIFY(focus() != edit("goodsNumber"));
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(office->responder.shown().last(), QString("请输入商品号！"));
        edit("goodsNumber")->setFocus();
        type("B1");
        edit("source")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(focus(), edit("movementPrice"));
        QCOMPARE(label("goodsNameLabel"), QString("薯片") + QString(13, ' '));
        QCOMPARE(office->responder.shown().size(), 4);
        QCOMPARE(logRows(db()).size(), 1);
    }

    void refusedLinesWriteNothing_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("boxes"); // movementPrice, unitPrice, quantity
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("unit price in fen") << "stockInAction" << QStringList{"2", "2.45", "1"}
                                           << QStringList{"单价只能精确到角,请重新输入！"};
        QTest::newRow("selling price in fen") << "stockOutAction" << QStringList{"2.45", "", "1"}
                                              << QStringList{"出货价只能精确到角,请重新输入！"};
        QTest::newRow("no quantity")
            << "stockInAction" << QStringList{"2", "3", ""} << QStringList{"'' 不是有效的整数"};
        QTest::newRow("no pieces")
            << "stockOutAction" << QStringList{"3", "", "0"} << QStringList{"数量至少是1件！"};
        QTest::newRow("answered no")
            << "stockInAction" << QStringList{"2", "3", "1"} << QStringList{"真的要入库吗？"};
    }
    void refusedLinesWriteNothing() {
        QFETCH(QString, entry);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, shown);
        open(qPrintable(entry));
        edit("goodsNumber")->setText("B1");
        edit("movementPrice")->setText(boxes[0]);
        edit("unitPrice")->setText(boxes[1]);
        edit("quantity")->setText(boxes[2]);
        office->responder.answer(false);
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(office->responder.shown(), shown);
        QVERIFY(form->isVisible());
        QCOMPARE(stockOf(db(), "B1"), 5);
        QCOMPARE(logRows(db()).size(), 1);
    }

    // B1 holds 5: the stock may reach the column's largest count exactly,
    // never one past it.
    void stockInUpToTheLargestCount_data() {
        QTest::addColumn<QString>("pieces");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("stock");
        QTest::newRow("to the largest")
            << "2147483642" << QStringList{"真的要入库吗？", "你还要继续入库吗？"} << 2147483647;
        QTest::newRow("one past") << "2147483643"
                                  << QStringList{"真的要入库吗？",
                                                 "库存不能超过2147483647件,请检查数量！"}
                                  << 5;
    }
    void stockInUpToTheLargestCount() {
        QFETCH(QString, pieces);
        QFETCH(QStringList, shown);
        QFETCH(int, stock);
        open("stockInAction");
        edit("goodsNumber")->setText("B1");
        edit("movementPrice")->setText("0.01");
        edit("unitPrice")->setText("4.5");
        edit("quantity")->setText(pieces);
        const bool recorded = stock != 5;
        office->responder.answer(true);
        if (recorded)
            office->responder.answer(false); // no further line
        ctl<QPushButton>(form, "confirmButton")->click();
        QCOMPARE(office->responder.shown(), shown);
        QCOMPARE(office->responder.pendingAnswers(), 0);
        QCOMPARE(stockOf(db(), "B1"), stock);
        QCOMPARE(logRows(db()).size(), recorded ? 2 : 1);
        if (recorded)
            QCOMPARE(logRows(db()).last(), "B1 02 4.5 " + pieces + " 0.01 " + today + " 1 入库 ");
    }
};

STORE_TEST_MAIN(TestStockMovement)
#include "tst_stock_movement.moc"
