// The back office's list of returns (退货查询) driven through its controls,
// over sales charged and returns booked by the till's code.

#include "admin/returnlistwindow.h"
#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/personnel.h"
#include "storedb/salereturn.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QDateEdit>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>

using namespace testsupport;

class TestReturnList : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::ReturnListWindow* window = nullptr;

    template <typename T> T* c(const char* name) const { return ctl<T>(window, name); }
    QStringList shownRows() const {
        const QAbstractItemModel* m = c<QTableView>("ReturnGrid")->model();
        QStringList rows;
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int col = 0; col < m->columnCount(); ++col)
                cells << m->index(r, col).data().toString();
            cells[0] = m->index(r, 0).data().toDateTime().toString("yyyy-MM-dd HH:mm:ss");
            cells[8] = storedb::numberText(m->index(r, 8).data().toDouble());
            rows << cells.join('|');
        }
        return rows << c<QLabel>("Summary")->text();
    }
    void query(const QDate& first, const QDate& last) {
        c<QDateEdit>("FirstDay")->setDate(first);
        c<QDateEdit>("LastDay")->setDate(last);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(c<QDateEdit>("LastDay"), Qt::Key_Return);
    }

  private slots:
    // Two sales of ten 可乐 at 3.5 (bills 1, 2), then returns 3-7 of 1-5
    // pieces each, a second before, at the ends of and a second after
    // 2024-03-04 .. 06; clerk 1002 removed since.
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        storedb::Db& db = office->db();
        addCategory(db, "01", "饮料");
        storedb::sppztj(db, "01", "A1", "可乐");
        storedb::recordStockIn(db, {"A1", 2, 3.5, 50, "厂"}, "1", QDate(2024, 3, 1));
        addClerk(db, "1001", "张三", "1");
        addClerk(db, "1002", "李四", "2");
        db.exec("administrator", "insert into glyb(glyh,glym,mm) values('9','李明','9')");
        addTill(db, "till-r", 500);
        storedb::signOn(db, "till-r", "1001", QDateTime(QDate(2024, 3, 1), QTime(8, 0)));
        for (int sale = 1; sale <= 2; ++sale) {
            storedb::addSaleLine(db, "till-r", "A1", *storedb::hwhdw(db, "A1"), 10);
            QCOMPARE(storedb::chargeSale(db, "till-r", QDate(2024, 3, 1)).bill, sale);
        }
        const QList<std::tuple<QString, int, QString, QString>> returns{
            {"2024-03-03 23:59:59", 1, "1001", "1"},
            {"2024-03-04 00:00:00", 1, "1001", "1"},
            {"2024-03-05 12:00:00", 2, "1002", "9"},
            {"2024-03-06 23:59:59", 2, "1001", "9"},
            {"2024-03-07 00:00:00", 1, "1002", "1"}};
        int pieces = 0;
        for (const auto& [when, bill, shyh, glyh] : returns)
            storedb::bookReturn(db, "till-r", shyh, glyh, bill, {{"A1", 3.5, ++pieces}},
                                QDateTime::fromString(when, "yyyy-MM-dd HH:mm:ss"));
        QCOMPARE(storedb::removeClerk(db, "1002").result, storedb::ClerkRemoval::Removed);
        window = &office->windows().returnListWindow();
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(office->db());
        office.reset();
    }

    void listsTheReturnsFromTheFirstDaysStartToTheLastDaysEnd() {
        office->action("ReturnQuery")->trigger();
        QVERIFY(window->isVisible());
        QCOMPARE(c<QDateEdit>("FirstDay")->date(), QDate::currentDate());
        QCOMPARE(c<QDateEdit>("LastDay")->date(), QDate::currentDate());
        query(QDate(2024, 3, 4), QDate(2024, 3, 6));
        QCOMPARE(shownRows(), QStringList({"2024-03-04 00:00:00|till-r|1001|张三|1|管理员|1|4|7",
                                           "2024-03-05 12:00:00|till-r|1002||9|李明|2|5|10.5",
                                           "2024-03-06 23:59:59|till-r|1001|张三|9|李明|2|6|14",
                                           "共 3 笔退货,退款合计 31.5 元"}));
        query(QDate(2024, 3, 3), QDate(2024, 3, 3));
        QCOMPARE(shownRows(), QStringList({"2024-03-03 23:59:59|till-r|1001|张三|1|管理员|1|3|3.5",
                                           "共 1 笔退货,退款合计 3.5 元"}));
        QVERIFY(office->responder.shown().isEmpty());
        QTest::keyClick(c<QDateEdit>("LastDay"), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    // Neither a range that ends before it starts nor a failed read (logged)
    // leaves rows behind.
    void refusesAWrongRangeAndReportsAFailedRead() {
        office->action("ReturnQuery")->trigger();
        query(QDate(2024, 3, 4), QDate(2024, 3, 6));
        query(QDate(2024, 3, 6), QDate(2024, 3, 5));
        QCOMPARE(shownRows(), QStringList({""}));
        query(QDate(2024, 3, 4), QDate(2024, 3, 6));
        office->db().exec("break", "alter table salereturn rename to salereturn_away");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("ReturnListWindow/read"));
        query(QDate(2024, 3, 4), QDate(2024, 3, 6));
        office->db().exec("mend", "alter table salereturn_away rename to salereturn");
        QCOMPARE(shownRows(), QStringList({""}));
        QCOMPARE(office->responder.shown(),
                 QStringList({QString("请输入正确的时间范围!"),
                              "退货记录读取失败:" + storedb::kStatementFailed}));
    }
};

STORE_TEST_MAIN(TestReturnList)
#include "tst_return_list.moc"
