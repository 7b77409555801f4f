// The profit estimate as the administrator opens it from the main window,
// over movements written by the back office's stock code and sales charged
// by the till's.

#include "admin/profitwindow.h"
#include "storedb/charge.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"
#include "storedb/till.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");
const QString kClerk = QStringLiteral("1001");
const QDate kDay(2024, 6, 12);

void stockIn(storedb::Db& db, const QString& hwh, int sl, double rhj, double dj) {
    const storedb::MovementOutcome done =
        storedb::recordStockIn(db, {hwh, rhj, dj, sl, QStringLiteral("供货商")},
                               storedb::kFirstAdministratorNumber, kDay.addDays(-3));
    QCOMPARE(done.result, storedb::MovementOutcome::Recorded);
}

void stockOut(storedb::Db& db, const QString& hwh, int sl, double dj) {
    const storedb::MovementOutcome done = storedb::recordStockOut(
        db, {hwh, dj, sl, QStringLiteral("退货")}, storedb::kFirstAdministratorNumber, kDay);
    QCOMPARE(done.result, storedb::MovementOutcome::Recorded);
}

// One shift at the till that charges one sale at the goods' current price.
void sell(storedb::Db& db, const QString& hwh, int sl) {
    const QDateTime at(kDay, QTime(9, 0));
    storedb::signOn(db, kTill, kClerk, at);
    const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db, hwh);
    QVERIFY(goods);
    QVERIFY(storedb::addSaleLine(db, kTill, hwh, *goods, sl).added);
    storedb::chargeSale(db, kTill, kDay);
    storedb::signOff(db, kTill, at.addSecs(3600));
}

} // namespace

class TestProfit : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;
    admin::ProfitWindow* ylform = nullptr;

    storedb::Db& db() { return office->db(); }
    QString box(const char* name) const { return ctl<QLineEdit>(ylform, name)->text(); }
    QStringList figures() const {
        return {box("totalCost"), box("totalTurnover"), box("stockValue"), box("estimatedProfit")};
    }
    // As the administrator does it: the tool button "盈利预算".
    void openFromMainWindow() {
        office->toolButton("profitEstimateButton")->click();
        QVERIFY(ylform->isVisible());
    }
    void close() {
        ctl<QPushButton>(ylform, "closeButton")->click();
        QVERIFY(!ylform->isVisible());
    }

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        ylform = &office->windows().profitWindow();
        addTill(db(), kTill, 100);
        addClerk(db(), kClerk, "王芳", "pw");
        addCategory(db(), "01", "饮料");
        storedb::sppztj(db(), "01", "A", "可乐");
        storedb::sppztj(db(), "01", "B", "雪碧");
        storedb::sppztj(db(), "01", "C", "果汁");
    }

    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(db());
        ylform = nullptr;
        office.reset();
    }

    // Cost 10 x 5 + 20 x 3, turnover 8 x 9 (sold at the till and taken out
    // by the back office alike), 22 pieces left at 9.
    void estimateOfSalesAndStockOuts() {
        stockIn(db(), "A", 10, 5, 9);
        stockIn(db(), "B", 20, 3, 9);
        sell(db(), "A", 5);
        stockOut(db(), "B", 3, 9);
        openFromMainWindow();
        QCOMPARE(figures(), QStringList({"110 元", "72 元", "198 元", "160 元"}));

        // Figures stand while the window is up, and are worked out afresh
        // when it is shown again: 2 more of B out at 12.
        stockOut(db(), "B", 2, 12);
        QCOMPARE(figures(), QStringList({"110 元", "72 元", "198 元", "160 元"}));
        close();
        openFromMainWindow();
        QCOMPARE(figures(), QStringList({"110 元", "96 元", "180 元", "166 元"}));
        QVERIFY(office->responder.shown().isEmpty());
    }

    void lossShowsWithMinusSign() {
        stockIn(db(), "C", 10, 20.05, 12);
        sell(db(), "C", 4);
        openFromMainWindow();
        QCOMPARE(figures(), QStringList({"200.5 元", "48 元", "72 元", "-80.5 元"}));
    }

    // Sums over no rows at all are 0, not empty boxes.
    void emptySumsShowAsZero() {
        openFromMainWindow();
        QCOMPARE(figures(), QStringList({"0 元", "0 元", "0 元", "0 元"}));
        close();
        // Stock whose coming in the log does not hold (set up by hand).
        storedb::xghwb2(db(), "01", "A", 3.5, 4);
        openFromMainWindow();
        QCOMPARE(figures(), QStringList({"0 元", "0 元", "14 元", "14 元"}));
    }
};

STORE_TEST_MAIN(TestProfit)
#include "tst_profit.moc"
