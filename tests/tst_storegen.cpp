// The benchmark store: what the generator writes adds up by the books check,
// holds what it says, and the same seed gives the same store.

#include "storegen.h"

#include "storedb/integrity.h"
#include "storedb/procedures.h"
#include "support/teststore.h"

#include <QCryptographicHash>
#include <QSqlQuery>

using namespace testsupport;

namespace {

storegen::Scale tinyScale() {
    storegen::Scale s;
    s.goods = 300;
    s.categories = 7;
    s.movements = 6000;
    s.tills = 3;
    s.clerks = 5;
    s.shifts = 100;
    s.days = 60;
    return s;
}

const QDate kLastDay(2026, 12, 8);

qint64 count(storedb::Db& db, const QString& sql) {
    QSqlQuery q = db.exec(QStringLiteral("count"), sql);
    return q.next() ? q.value(0).toLongLong() : -1;
}

// A digest of the log as the queries read it.
QByteArray logDigest(storedb::Db& db) {
    QSqlQuery q = db.exec(QStringLiteral("log"),
                          QStringLiteral("select hwh,hwlbh,dj,sl,rhj,crhsj,crk,num from hwrzb "
                                         "order by bh"));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    while (q.next())
        for (int c = 0; c < 8; ++c)
            hash.addData(q.value(c).toString().toUtf8() + '|');
    return hash.result();
}

} // namespace

class TestStoreGenerator : public QObject {
    Q_OBJECT
  private slots:
    void writesAStoreWhoseBooksAddUp() {
        TestStore store;
        const storegen::Scale scale = tinyScale();
        const storegen::Generated made = storegen::generate(store.db(), scale, 7, kLastDay);
        storedb::Db& db = store.db();

        QCOMPARE(storedb::findingTexts(storedb::checkBooks(db)), QStringList());
        QCOMPARE(count(db, "select count(*) from hwpzb"), scale.goods);
        QCOMPARE(count(db, "select count(*) from hwlbpzb"), qint64(scale.categories));
        QCOMPARE(count(db, "select count(*) from hwb"), scale.goods);
        QCOMPARE(count(db, "select count(*) from hwrzb"), made.movements);
        QCOMPARE(count(db, "select count(*) from shyrzb"), scale.shifts);
        QCOMPARE(count(db, "select count(*) from jqb"), qint64(scale.tills));
        QCOMPARE(count(db, "select count(*) from shyb"), qint64(scale.clerks));
        QCOMPARE(count(db, "select count(distinct num) from hwrzb"), made.bills);
        QCOMPARE(count(db, "select max(accountnum) from company"), made.bills);

        // Every goods number the log names is in the catalogue, with its category.
        QCOMPARE(count(db, "select count(*) from hwrzb r left join hwpzb g on g.hwh=r.hwh "
                           "where g.hwh is null or g.hwlbh<>r.hwlbh"),
                 0);
        QCOMPARE(storegen::goodsNumber(0), QStringLiteral("6900000000001"));
        QCOMPARE(count(db, "select count(*) from hwpzb where hwh='6900000000300'"), 1);

        // The log spans the days before the last day, none after it.
        QSqlQuery span = db.exec("span", "select min(crhsj),max(crhsj) from hwrzb");
        QVERIFY(span.next());
        QVERIFY(span.value(0).toString().startsWith(
                    kLastDay.addDays(-scale.days).toString(Qt::ISODate)) ||
                span.value(0).toDate() == kLastDay.addDays(-scale.days));
        QVERIFY(span.value(1).toDate() < kLastDay ||
                span.value(1).toString() < kLastDay.toString(Qt::ISODate));

        // One goods in fifty is low; the low-stock list has something to show.
        QVERIFY(count(db, "select count(*) from hwb where kcl<=9") >= scale.goods / 50);
        // The owed shifts, most of the busiest clerk's, owe what they took.
        QCOMPARE(count(db, "select count(*) from shyrzb where bj='未交'"), made.owedShifts);
        QVERIFY(
            count(db, QStringLiteral("select count(*) from shyrzb where bj='未交' and shyh='%1'")
                          .arg(made.busiestClerk)) >= made.owedShifts / 4);
        QCOMPARE(count(db, "select count(*) from shyrzb where qye+yye-xye<0 or yye<=0"), 0);
    }

    void theSameSeedGivesTheSameStore() {
        // One store at a time: a test store owns the program's one connection.
        const auto digestOf = [](quint64 seed) {
            TestStore store;
            storegen::generate(store.db(), tinyScale(), seed, kLastDay);
            return logDigest(store.db());
        };
        const QByteArray first = digestOf(11);
        QCOMPARE(digestOf(11), first);
        QVERIFY(digestOf(12) != first);
    }
};

QTEST_GUILESS_MAIN(TestStoreGenerator)
#include "tst_storegen.moc"
