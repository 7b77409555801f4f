// The correction window driven through its controls: the movement list, the
// correction of a logged movement, the price change, and the record of both.

#include "admin/correctionwindow.h"
#include "storedb/catalog.h"
#include "storedb/charge.h"
#include "storedb/correction.h"
#include "storedb/datetime.h"
#include "storedb/dayreport.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace testsupport;

namespace {

const QString kCorrected = QStringLiteral("出入库修改成功！");

double priceOf(storedb::Db& db, const QString& hwh) {
    QSqlQuery q =
        db.exec(QStringLiteral("price"), QStringLiteral("select dj from hwb where hwh=:hwh"),
                {{QStringLiteral("hwh"), hwh}});
    return q.next() ? q.value(0).toDouble() : -1;
}

} // namespace

class TestCorrection : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::CorrectionWindow* form = nullptr;
    const QDate today = QDate::currentDate();

    storedb::Db& db() { return office->db(); }
    template <class T = QLineEdit> T* c(const char* name) { return ctl<T>(form, name); }
    QTableView* grid() { return c<QTableView>("movementsGrid"); }
    QString cell(int row, int column) {
        return grid()->model()->index(row, column).data().toString();
    }
    // The log row bh as "sl dj rhj hwly".
    QString logged(int bh) {
        QSqlQuery q =
            db().exec("row", "select sl,dj,rhj,hwly from hwrzb where bh=:bh", {{"bh", bh}});
        if (!q.next())
            return {};
        return QStringList{q.value(0).toString(), storedb::numberText(q.value(1).toDouble()),
                           storedb::numberText(q.value(2).toDouble()), q.value(3).toString()}
            .join(' ');
    }

    void listDays(const QDate& from, const QDate& to) {
        c<QDateTimeEdit>("firstDay")->setDate(from);
        c<QDateTimeEdit>("lastDay")->setDate(to);
        c<QPushButton>("movementQueryButton")->click();
    }
    void pick(int row) {
        const QRect at = grid()->visualRect(grid()->model()->index(row, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, at.center());
        QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, at.center());
    }
    void correct(const QString& dj, const QString& sl) {
        c("unitPrice")->setText(dj);
        c("quantity")->setText(sl);
        c<QPushButton>("correctButton")->click();
    }
    bool canConfirm() { return c<QPushButton>("correctButton")->isEnabled(); }

    // Every change record as "glyh|kind|hwh|bh|day|old|new|amount", by id.
    QStringList records() {
        QSqlQuery q = db().exec("records", "select glyh,kind,hwh,bh,day,oldvalue,newvalue,amount "
                                           "from changerecord order by id");
        QStringList all;
        while (q.next()) {
            QStringList f;
            for (int i = 0; i < 8; ++i)
                f << (q.isNull(i) ? QString()
                      : i == 4    ? storedb::readDateTime(q.value(i)).toString("yyyy-MM-dd")
                      : i == 7    ? storedb::numberText(q.value(i).toDouble())
                                  : q.value(i).toString());
            all << f.join('|');
        }
        return all;
    }

  private slots:
    // A1: 20 received (row 1), 10 issued (row 2), 10 in stock.
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        form = &office->windows().correctionWindow();
        addCategory(db(), "01", "饮料");
        storedb::sppztj(db(), "01", "A1", "可乐");
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 20, "甲"}, "1", today);
        storedb::recordStockOut(db(), {"A1", 3.5, 10, ""}, "1", today);
        office->action("movementCorrectionAction")->trigger();
        QVERIFY(form->isVisible());
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        office.reset();
    }

    void listByDirectionAndDay() {
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 1, ""}, "1", today.addDays(-1));
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 1, ""}, "1", today.addDays(1));
        // The pickers open on today: the list asks for today's movements.
        c<QPushButton>("movementQueryButton")->click();
        QCOMPARE(grid()->model()->rowCount(), 1);
        listDays(today, today);
        QCOMPARE(grid()->model()->rowCount(), 1);
        QStringList titles, row;
        QList<int> widths;
        for (int i = 0; i < grid()->model()->columnCount(); ++i) {
            titles << grid()->model()->headerData(i, Qt::Horizontal).toString();
            widths << grid()->columnWidth(i);
            row << cell(0, i);
        }
        QCOMPARE(titles, QStringList({"编号", "商品号", "商品名", "商品类别", "单价", "数量",
                                      "入货价", "入库时间", "出入库", "货物来源"}));
        QCOMPARE(widths, QList<int>({45, 35, 40, 55, 25, 25, 40, 55, 40, 55}));
        QCOMPARE(row.mid(0, 7), QStringList({"1", "A1", "可乐", "饮料", "3.5", "20", "2"}));
        QCOMPARE(row.mid(8), QStringList({"入库", "甲"}));
        // The pickers kept their time of day, so the day before stays out.
        QCOMPARE(c<QDateTimeEdit>("firstDay")->dateTime(), QDateTime(today, QTime(20, 24, 30)));
        listDays(today.addDays(-1), today);
        QCOMPARE(grid()->model()->rowCount(), 2);

        c<QRadioButton>("stockOutOption")->click();
        QCOMPARE(grid()->model()->rowCount(), 0);
        QVERIFY(c("buyingPrice")->isHidden() && c("source")->isHidden());
        QCOMPARE(form->height(), 424);
        listDays(today, today);
        QCOMPARE(grid()->model()->columnCount(), 8);
        QCOMPARE(grid()->model()->headerData(6, Qt::Horizontal).toString(), QString("出库时间"));
        QCOMPARE(grid()->columnWidth(3), 70);
        QCOMPARE(cell(0, 5), QString("10"));
    }

    void correctionMovesStockByTheDifference() {
        listDays(today, today);
        pick(0);
        QVERIFY(canConfirm());
        QCOMPARE(c("unitPrice")->text() + "|" + c("quantity")->text() + "|" +
                     c("buyingPrice")->text() + "|" + c("source")->text(),
                 QString("3.5|20|2|甲"));
        c("buyingPrice")->setText("2.05");
        c("source")->setText("丙");
        correct("3.6", "17");
        QCOMPARE(stockOf(db(), "A1"), 7);
        QCOMPARE(logged(1), QString("17 3.6 2.05 丙"));
        QCOMPARE(cell(0, 5), QString("17")); // listed again
        QVERIFY(!canConfirm());
        QCOMPARE(c("unitPrice")->text() + c("quantity")->text() + c("buyingPrice")->text(),
                 QString());

        c<QRadioButton>("stockOutOption")->click();
        listDays(today, today);
        pick(0);
        correct("3.5", "7");
        QCOMPARE(stockOf(db(), "A1"), 10);
        QCOMPARE(logged(2), QString("7 3.5 0 "));
        QCOMPARE(office->responder.shown(), QStringList({kCorrected, kCorrected}));
    }

    void refusedCorrectionsChangeNothing() {
        listDays(today, today);
        pick(0);
        const QList<QStringList> refused = {
            {"", "20", "2", "'' 不是有效的数字"},
            {"3.55", "20", "2", "单价只能精确到角,请重新输入！"},
            {"3.5", "", "2", "'' 不是有效的整数"},
            {"3.5", "18", "", "'' 不是有效的数字"},
            {"3.5", "5", "2", "此商品现有库存10件,修改后库存将小于零,不能修改！"},
        };
        for (const QStringList& r : refused) {
            office->responder.clear();
            c("buyingPrice")->setText(r[2]);
            correct(r[0], r[1]);
            QCOMPARE(office->responder.shown(), QStringList({r[3]}));
            QCOMPARE(stockOf(db(), "A1"), 10);
            QCOMPARE(logged(1), QString("20 3.5 2 甲"));
            QVERIFY(canConfirm());
        }
        correct("3.5", "10"); // down to no stock at all
        QCOMPARE(stockOf(db(), "A1"), 0);
    }

    // The stock moves by the difference: what a till sold after the row was
    // picked stays sold.
    void saleBetweenPickAndCorrectionIsKept() {
        listDays(today, today);
        pick(0);
        addTill(db(), "T1", 50);
        addClerk(db(), "01", "张三", "01");
        auto till = office->store.openAnother("till");
        storedb::signOn(*till, "T1", "01", QDateTime::currentDateTime());
        QVERIFY(storedb::addSaleLine(*till, "T1", "A1", *storedb::hwhdw(*till, "A1"), 4).added);
        storedb::chargeSale(*till, "T1", today);
        correct("3.5", "17");
        QCOMPARE(office->responder.shown(), QStringList({kCorrected}));
        QCOMPARE(stockOf(db(), "A1"), 3);

        // The sale itself is not corrected: its money is in the takings.
        office->responder.clear();
        c<QRadioButton>("stockOutOption")->click();
        listDays(today, today);
        QCOMPARE(grid()->model()->rowCount(), 2);
        QCOMPARE(cell(1, 5), QString("4"));
        pick(1);
        correct("3.5", "1");
        QCOMPARE(office->responder.shown(),
                 QStringList({"这是收银台的销售记录,已计入营业额,不能修改！"}));
        QCOMPARE(logged(3), QString("4 3.5 0 "));
        QCOMPARE(stockOf(db(), "A1"), 3);
    }

    void selectionIsWithdrawnWhenDirectionOrPageChanges() {
        listDays(today, today);
        pick(0);
        c<QRadioButton>("stockOutOption")->click();
        QVERIFY(!canConfirm());
        QCOMPARE(c("quantity")->text(), QString());
        pick(0); // nothing listed
        QVERIFY(!canConfirm());

        listDays(today, today);
        pick(0);
        QVERIFY(canConfirm());
        c<QTabWidget>("pages")->setCurrentIndex(1);
        QVERIFY(!canConfirm());
        QVERIFY(c<QRadioButton>("stockInOption")->isChecked());
        QCOMPARE(form->height(), 459);
        QCOMPARE(logged(2), QString("10 3.5 0 "));
    }

    void priceChange() {
        storedb::sppztj(db(), "01", "B1", "雪碧");
        storedb::recordStockIn(db(), {"B1", 3, 5, 2, ""}, "1", today);
        office->action("priceChangeAction")->trigger();
        auto* look = c<QPushButton>("lookUpButton");
        auto* change = c<QPushButton>("changePriceButton");
        look->click();
        c("goodsNumber")->setText("ZZ");
        look->click();
        QVERIFY(!change->isEnabled());
        // Enter anywhere on the page looks the goods up.
        c("goodsNumber")->setText("A1");
        QTest::keyClick(c("goodsNumber"), Qt::Key_Return);
        QCOMPARE(c("goodsName")->text() + c("categoryName")->text() + c("oldPrice")->text(),
                 QString("可乐饮料3.5"));
        QVERIFY(change->isEnabled());
        change->click();
        c("newPrice")->setText("4.25");
        change->click();
        // The goods looked up get the price, whatever the box says by now.
        c("goodsNumber")->setText("B1");
        c("newPrice")->setText("4.2");
        change->click();
        QCOMPARE(priceOf(db(), "A1"), 4.2);
        QCOMPARE(priceOf(db(), "B1"), 5.0);
        QCOMPARE(c("oldPrice")->text() + c("newPrice")->text(), QString("4.2"));
        QVERIFY(!change->isEnabled());

        // Retyping the number, or "取消", takes the look-up back.
        look->click();
        QTest::keyClick(c("goodsNumber"), Qt::Key_2);
        QVERIFY(!change->isEnabled());
        QCOMPARE(c("goodsName")->text(), QString());
        c("goodsNumber")->setText("B1");
        look->click();
        c<QPushButton>("priceCancelButton")->click();
        QVERIFY(!change->isEnabled());

        c("goodsNumber")->setText("B1");
        look->click();
        storedb::deleteGoods(db(), "B1");
        QCOMPARE(records(), QStringList({"1|调价|A1|||单价 3.5|单价 4.2|"}));
        c("newPrice")->setText("6");
        change->click();
        QCOMPARE(office->responder.shown(),
                 QStringList({"请输入商品号!", "没有此商品号,请重新输入!", "请输入现单价!",
                              "现单价只能精确到角,请重新输入！", "单价修改成功！",
                              "此商品已被删除,单价没有修改!"}));
    }

    void correctionsOfRowsWhoseGoodsWent() {
        storedb::deleteGoods(db(), "A1");
        using Outcome = storedb::CorrectionOutcome;
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(storedb::correctMovement(db(), 2, {3.5, 7, 0, ""}, "1", now).result,
                 Outcome::Corrected);
        QCOMPARE(logged(2), QString("7 3.5 0 "));
        QCOMPARE(storedb::correctMovement(db(), 99, {3.5, 7, 0, ""}, "1", now).result,
                 Outcome::NoSuchMovement);
    }

    // Each change made writes one record in its transaction; one refused, or
    // whose record cannot be written, leaves no trace at all.
    void eachChangeRecordedWithIt_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("recordFails");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("shown");
        const QString day = today.toString("yyyy-MM-dd");
        QTest::newRow("stock-in") << "in" << false
                                  << "1|更正|A1|1|" + day +
                                         "|单价 3.5 数量 20 入货价 2 来源 甲|单价 3.6 数量 17 "
                                         "入货价 2.05 来源 丙|-5.15"
                                  << kCorrected;
        QTest::newRow("stock-out")
            << "out" << false << "1|更正|A1|2|" + day + "|单价 3.5 数量 10|单价 3.6 数量 7|-9.8"
            << kCorrected;
        QTest::newRow("price") << "price" << false << "1|调价|A1|||单价 3.5|单价 4.2|"
                               << "单价修改成功！";
        QTest::newRow("refused") << "negative" << false << ""
                                 << "此商品现有库存10件,修改后库存将小于零,不能修改！";
        QTest::newRow("money past the record") << "huge" << false << ""
                                               << "金额变化太大,不能修改！";
        QTest::newRow("stock-in, no record") << "in" << true << "" << storedb::kStatementFailed;
        QTest::newRow("price, no record") << "price" << true << "" << storedb::kStatementFailed;
    }
    void eachChangeRecordedWithIt() {
        QFETCH(QString, action);
        QFETCH(bool, recordFails);
        QFETCH(QString, record);
        QFETCH(QString, shown);
        if (recordFails)
            db().exec("hide", "alter table changerecord rename to changerecord_away");
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        if (action == "price") {
            c<QTabWidget>("pages")->setCurrentIndex(1);
            c("goodsNumber")->setText("A1");
            c<QPushButton>("lookUpButton")->click();
            c("newPrice")->setText("4.2");
            c<QPushButton>("changePriceButton")->click();
        } else {
            c<QRadioButton>(action == "out" ? "stockOutOption" : "stockInOption")->click();
            listDays(today, today);
            pick(0);
            c("buyingPrice")->setText(action == "huge" ? "99999999" : "2.05");
            c("source")->setText("丙");
            const QStringList pieces{"5", "17", "7", "1000000"};
            correct("3.6", pieces[QStringList({"negative", "in", "out", "huge"}).indexOf(action)]);
        }
        if (recordFails)
            db().exec("back", "alter table changerecord_away rename to changerecord");
        QCOMPARE(office->responder.shown(), QStringList({shown}));
        QCOMPARE(records(), record.isEmpty() ? QStringList() : QStringList({record}));
        if (record.isEmpty()) {
            QCOMPARE(logged(1) + "|" + logged(2) + "|" + storedb::numberText(priceOf(db(), "A1")),
                     QString("20 3.5 2 甲|10 3.5 0 |3.5"));
            QCOMPARE(stockOf(db(), "A1"), 10);
            return;
        }
        QSqlQuery q = db().exec("when", "select changed from changerecord");
        QVERIFY(q.next() && storedb::readDateTime(q.value(0)) >= before);
    }

    // The record page lists a date range, newest first; the day reports count
    // a day's changes and single out the corrections to earlier days.
    void recordListedForDateRange() {
        const QDate yesterday = today.addDays(-1);
        storedb::recordStockIn(db(), {"A1", 2, 3.5, 2, ""}, "1", yesterday); // row 3
        const auto at = [](const QDate& d, int hour) { return QDateTime(d, QTime(hour, 0)); };
        storedb::correctMovement(db(), 3, {3.5, 3, 2, ""}, "1", at(yesterday, 18));
        storedb::changeUnitPrice(db(), "A1", 4, "2", at(today, 9));
        storedb::correctMovement(db(), 3, {3.5, 4, 2, ""}, "1", at(today, 10));
        storedb::correctMovement(db(), 2, {3.5, 9, 0, ""}, "1", at(today, 11));
        storedb::changeUnitPrice(db(), "A1", 4.5, "1", at(today.addDays(1), 8));

        c<QTabWidget>("pages")->setCurrentIndex(2);
        auto* first = c<QDateTimeEdit>("ChangeFirstDay");
        auto* last = c<QDateTimeEdit>("ChangeLastDay");
        QCOMPARE(first->date(), today);
        QCOMPARE(last->date(), today);
        auto* list = c<QTableView>("ChangeGrid");
        // The titles, then each row as the grid shows it.
        const auto rows = [&] {
            c<QPushButton>("ChangeQueryButton")->click();
            QStringList all;
            for (int i = 0; i < list->model()->columnCount(); ++i)
                all << list->model()->headerData(i, Qt::Horizontal).toString();
            all = QStringList{all.join('|')};
            for (int r = 0; r < list->model()->rowCount(); ++r) {
                QStringList cells;
                for (int i = 0; i < list->model()->columnCount(); ++i) {
                    const QModelIndex cell = list->model()->index(r, i);
                    cells << static_cast<QStyledItemDelegate*>(list->itemDelegateForIndex(cell))
                                 ->displayText(cell.data(), {});
                }
                all << cells.join('|');
            }
            return all;
        };
        const QString d = today.toString("yyyy-MM-dd");
        const QStringList todays{"时间|管理员|类别|商品号|原值|新值|金额变化",
                                 d + " 11:00:00|1|更正|A1|单价 3.5 数量 10|单价 3.5 数量 9|-3.5",
                                 d + " 10:00:00|1|更正|A1|单价 3.5 数量 3 入货价 2|单价 3.5 "
                                     "数量 4 入货价 2|2",
                                 d + " 09:00:00|2|调价|A1|单价 3.5|单价 4|"};
        QCOMPARE(rows(), todays);
        first->setDate(yesterday);
        QCOMPARE(rows().size(), 5);
        QVERIFY(rows().last().startsWith(yesterday.toString("yyyy-MM-dd") + " 18:00:00|1|更正"));
        first->setDate(today.addDays(1));
        c<QPushButton>("ChangeQueryButton")->click();
        QCOMPARE(list->model()->rowCount(), 0);
        QCOMPARE(office->responder.shown(), QStringList({"请输入正确的时间范围!"}));

        // As the day reports count them.
        const auto counted = [&](const QDate& on) {
            const storedb::ChangeFigures day = storedb::dayFigures(db(), on).changes;
            QStringList t{QString::number(day.corrections), QString::number(day.priceChanges)};
            for (const storedb::EarlierDayCorrection& late : day.earlierDays)
                t << QString("%1 %2 %3").arg(late.bh).arg(late.day.toString()).arg(late.amount);
            return t.join('|');
        };
        QCOMPARE(counted(today), "2|1|3 " + yesterday.toString() + " 200");
        QCOMPARE(counted(yesterday), QString("1|0"));
    }
};

STORE_TEST_MAIN(TestCorrection)
#include "tst_correction.moc"
