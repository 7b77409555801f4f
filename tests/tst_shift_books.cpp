// A shift's money in the store: sign-on as one transaction, closing a shift
// whose log row is missing, and a till removed by the back office mid-shift.

#include "storedb/backoffice.h"
#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/till.h"
#include "support/teststore.h"

#include <QSqlQuery>
#include <QSqlRecord>

using namespace storedb;
using namespace testsupport;

namespace {
const QString kTill = QStringLiteral("till-1");

// Everything a sign-on or sign-off may change, as text.
QString books(Db& db) {
    QStringList text;
    for (const char* sql : {"select * from jqb", "select * from shyrzb order by dlsj",
                            "select hwh,kcl from hwb order by hwh"}) {
        QSqlQuery q = db.exec("books", sql);
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                text << q.value(i).toString() + (q.value(i).isNull() ? "null" : "");
    }
    if (saleTableExists(db, kTill))
        for (const SaleLine& l : saleLines(db, kTill))
            text << QString("%1x%2").arg(l.hwh).arg(l.sl);
    return text.join(',');
}

QVariant scalar(Db& db, const QString& sql) {
    QSqlQuery q = db.exec("scalar", sql);
    return q.next() ? q.value(0) : QVariant();
}
} // namespace

class TestShiftBooks : public QObject {
    Q_OBJECT
    std::unique_ptr<TestStore> store;
    Db& db() { return store->db(); }
    void sell(const QString& hwh, int sl, bool charge) {
        QVERIFY(addSaleLine(db(), kTill, hwh, *hwhdw(db(), hwh), sl).added);
        if (charge) {
            chargeSale(db(), kTill, QDate::currentDate());
            clearSaleTable(db(), kTill);
        }
    }

  private slots:
    void init() {
        store = std::make_unique<TestStore>();
        addTill(db(), kTill, 150);
        addCategory(db(), "01", "饮料");
        addGoods(db(), "01", "6901", "可乐", 3.5, 20);
        addGoods(db(), "01", "6902", "雪碧", 3, 20);
        QVERIFY(!signOn(db(), kTill, "1001", QDateTime::currentDateTime()).woundUp);
    }
    void cleanup() { store.reset(); }

    void signOnWindsUpUnfinishedShift() {
        sell("6901", 3, true);  // 10.5 charged
        sell("6902", 2, false); // pending when the program stops
        const SignedOn next = signOn(db(), kTill, "1002", QDateTime::currentDateTime());
        QVERIFY(next.woundUp);
        QCOMPARE(stockOf(db(), "6902"), 20); // pending pieces back, sold ones gone
        QCOMPARE(stockOf(db(), "6901"), 17);
        QCOMPARE(next.till.ye, 160.5); // 150 + 10.5: below 200, nothing handed in
        QCOMPARE(next.till.shyh.toString(), QString("1002"));
        QCOMPARE(scalar(db(), "select yye from shyrzb where zxsj is not null").toDouble(), 10.5);
        QCOMPARE(scalar(db(), "select qye from shyrzb where zxsj is null").toDouble(), 160.5);
    }

    void failedSignOnLeavesStoreAsBefore_data() {
        QTest::addColumn<QString>("cause");
        QTest::newRow("till removed") << "delete from jqb";
        QTest::newRow("old shift has no log row") << "delete from shyrzb";
        QTest::newRow("new shift row refused")
            << (engineUnderTest() == Engine::SQLite
                    ? "create trigger t before insert on shyrzb "
                      "begin select raise(abort,'injected'); end"
                    : "create rule r as on insert to shyrzb do instead "
                      "select 1/0");
    }
    void failedSignOnLeavesStoreAsBefore() {
        QFETCH(QString, cause);
        jqbsf(db(), kTill, 80);
        sell("6901", 2, false);
        db().exec("cause", cause);
        const QString before = books(db());
        QVERIFY_THROWS_EXCEPTION(Error, signOn(db(), kTill, "1002", QDateTime::currentDateTime()));
        QVERIFY(!db().inTransaction());
        QCOMPARE(books(db()), before);
    }

    void closingWithoutShiftRowKeepsTheTakings() {
        jqbsf(db(), kTill, 80);
        db().exec("lose", "delete from shyrzb");
        const QString before = books(db());
        QVERIFY_THROWS_EXCEPTION(ShiftLogMissingError,
                                 signOff(db(), kTill, QDateTime::currentDateTime()));
        // Outside a transaction too: nothing is written before the check.
        QVERIFY_THROWS_EXCEPTION(ShiftLogMissingError,
                                 closeShift(db(), kTill, QDateTime::currentDateTime()));
        QCOMPARE(books(db()), before);
        // Without money to account for, the shift closes without its row.
        db().exec("none", "update jqb set yye=0");
        QCOMPARE(signOff(db(), kTill, QDateTime::currentDateTime()).left, 150.0);
    }

    void tillRemovedDuringShiftStillSignsOff() {
        sell("6901", 10, true); // 35
        sell("6902", 5, true);  // 15
        try {
            removeTill(db(), kTill);
            QFAIL("an online till was removed");
        } catch (const TillOnlineError& e) {
            QCOMPARE(e.userText(), QString("该营业端正在营业,不能删除！请等售货员注销后再删除。"));
        }
        db().exec("remove", "delete from jqb"); // as the back office once could

        const ShiftFigures figures = signOff(db(), kTill, QDateTime::currentDateTime());
        QVERIFY(!figures.tillRegistered);
        QCOMPARE(figures.takings, 50.0);
        QCOMPARE(figures.handIn, 100.0); // 150 + 50 in the drawer
        QCOMPARE(scalar(db(), "select qye+yye-xye from shyrzb where bj='未交'").toDouble(), 100.0);
        QVERIFY(!saleTableExists(db(), kTill));
        try {
            signOn(db(), kTill, "1001", QDateTime::currentDateTime());
            QFAIL("an unregistered till signed on");
        } catch (const TillNotRegisteredError& e) {
            QCOMPARE(e.userText(), QString("此计算机 till-1 没有注册，请通知管理员注册！"));
        }
        // A till at rest may go, once.
        addTill(db(), kTill, 100);
        QVERIFY(removeTill(db(), kTill));
        QVERIFY(!removeTill(db(), kTill));
    }
};

STORE_TEST_MAIN(TestShiftBooks)
#include "tst_shift_books.moc"
