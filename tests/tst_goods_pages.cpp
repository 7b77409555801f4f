// A catalogue longer than one page in the configuration window: the goods
// list opens with its first page and reads the rest as the grid scrolls, every
// goods once and in number order; the page statement continues exactly where
// the last page stopped.

#include "admin/goodsconfigwindow.h"
#include "storedb/procedures.h"
#include "storedb/queries.h"
#include "support/adminfixture.h"
#include "support/books.h"

#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

using namespace testsupport;

namespace {

// Goods G00001... in one statement; a page of the window is 1000.
void addGoods(storedb::Db& db, int from, int to) {
    const QString number = db.isSQLite() ? QStringLiteral("'G'||printf('%05d',i)")
                                         : QStringLiteral("'G'||lpad(i::text,5,'0')");
    const QString series = db.isSQLite()
                               ? QStringLiteral("with recursive s(i) as (select "
                                                "cast(:lo as integer) union all select "
                                                "i+1 from s where i<cast(:hi as integer))")
                               : QStringLiteral("with s(i) as (select generate_series("
                                                "cast(:lo as integer),cast(:hi as "
                                                "integer)))");
    db.exec("goods",
            "insert into hwpzb(hwh,hwm,hwlbh) " + series + " select " + number +
                ",'商品'||i,'01' from s",
            {{"lo", from}, {"hi", to}});
}

QString goodsNumber(int i) {
    return QStringLiteral("G%1").arg(i, 5, 10, QLatin1Char('0'));
}

QStringList column(const QTableView* grid, int col) {
    QStringList values;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        values.append(grid->model()->index(row, col).data().toString());
    return values;
}

// Scrolls to the end as a user would, page after page, until nothing more
// comes.
void scrollToEnd(QTableView* grid) {
    for (int step = 0; step < 100; ++step) {
        grid->scrollToBottom();
        QCoreApplication::processEvents();
        if (!grid->model()->canFetchMore({}) &&
            grid->verticalScrollBar()->value() == grid->verticalScrollBar()->maximum())
            return;
    }
    QFAIL("the list never ended");
}

} // namespace

class TestGoodsPages : public QObject {
    Q_OBJECT

    std::unique_ptr<AdminFixture> office;

  private slots:
    void init() {
        office = std::make_unique<AdminFixture>();
        office->startAndSignOn();
        addCategory(office->db(), "01", "饮料");
    }
    void cleanup() {
        if (office && !QTest::currentTestFailed())
            expectBooksBalance(office->db());
        office.reset();
    }

    void pagesFollowOneAnother() {
        storedb::Db& db = office->db();
        addGoods(db, 1, 7);
        QStringList seen;
        QString after;
        for (int pages = 0; pages < 10; ++pages) {
            QSqlQuery q = storedb::cataloguePage(db, after, 3);
            int rows = 0;
            while (q.next()) {
                seen << q.value(0).toString();
                ++rows;
            }
            if (rows < 3)
                break;
            after = seen.last();
        }
        QStringList all;
        for (int i = 1; i <= 7; ++i)
            all << goodsNumber(i);
        QCOMPARE(seen, all);
        QCOMPARE(storedb::cataloguePage(db, goodsNumber(7), 3).next(), false);
    }

    // Two and a half pages: the first on opening, the rest while scrolling;
    // then exactly two pages, where the last read finds nothing more.
    void longListReadWhileScrolling() {
        storedb::Db& db = office->db();
        addGoods(db, 1, 2500);
        admin::GoodsConfigWindow& w = office->windows().configurationWindow();
        auto* grid = ctl<QTableView>(&w, "goodsGrid");
        w.prepareGoodsPage();
        QCOMPARE(grid->model()->rowCount(), 1000);
        QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("商品号"));
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("商品名"));
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString("商品1"));
        scrollToEnd(grid);
        QStringList all;
        for (int i = 1; i <= 2500; ++i)
            all << goodsNumber(i);
        QCOMPARE(column(grid, 0), all);
        QCOMPARE(column(grid, 1).last(), QString("商品2500"));

        // Opened again: from the first page, as the catalogue now is.
        db.exec("fewer", "delete from hwpzb where hwh>:last", {{"last", goodsNumber(2000)}});
        w.close();
        w.prepareGoodsPage();
        QCOMPARE(grid->model()->rowCount(), 1000);
        scrollToEnd(grid);
        all = all.mid(0, 2000);
        QCOMPARE(column(grid, 0), all);
        QVERIFY(!grid->model()->canFetchMore({}));
    }
};

STORE_TEST_MAIN(TestGoodsPages)
#include "tst_goods_pages.moc"
