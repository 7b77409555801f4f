// Settling a clerk who owes hundreds of shifts: every listed shift is settled
// or none is, whichever shift no longer matches the list, and a till's name
// reaches the statement as it stands whatever characters it holds.

#include "storedb/datetime.h"
#include "storedb/procedures.h"
#include "storedb/settlement.h"
#include "support/teststore.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace testsupport;

namespace {

const QString kClerk = QStringLiteral("1001");
constexpr int kShifts = 450;

// Shift i of a clerk: signed on i hours into 2024, owing `due`.
void addShift(storedb::Db& db, const QString& shyh, const QVariant& jsj, int i, double due) {
    const QDateTime on = QDateTime(QDate(2024, 1, 1), QTime(0, 0)).addSecs(i * 3600);
    db.exec("shift",
            "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj) "
            "values(:shyh,:jsj,:dlsj,100,:zxsj,:yye,100,:bj)",
            {{"shyh", shyh},
             {"jsj", jsj},
             {"dlsj", storedb::dateTimeParam(on)},
             {"zxsj", storedb::dateTimeParam(on.addSecs(1800))},
             {"yye", due},
             {"bj", storedb::kNotHandedIn}});
}

int owedRows(storedb::Db& db, const QString& shyh) {
    QSqlQuery q = db.exec("owed", "select count(*) from shyrzb where shyh=:shyh and bj=:bj",
                          {{"shyh", shyh}, {"bj", storedb::kNotHandedIn}});
    return q.next() ? q.value(0).toInt() : -1;
}

QList<storedb::OwedShift> lookUp(storedb::Db& db) {
    QList<storedb::OwedShift> shifts;
    QSqlQuery q = storedb::owedShiftsOf(db, kClerk);
    while (q.next())
        shifts << storedb::owedShiftOf(q.record());
    return shifts;
}

void fill(storedb::Db& db) {
    // Names with the characters a list of keys has to escape.
    const QStringList tills{QStringLiteral("T0"),          QStringLiteral("收银台\"2\""),
                            QStringLiteral("C:\\till\\3"), QStringLiteral("T,4]"),
                            QStringLiteral("T'5"),         QStringLiteral(" T6 ")};
    for (int i = 0; i < kShifts; ++i)
        addShift(db, kClerk, tills.at(i % tills.size()), i, 50);
    addShift(db, kClerk, QVariant(QMetaType::fromType<QString>()), kShifts, 20); // no till
    addShift(db, kClerk, QStringLiteral("T0"), kShifts + 1, 0);                  // nothing due
    addShift(db, QStringLiteral("1002"), QStringLiteral("T0"), 3, 50);           // another clerk
}

} // namespace

class TestSettleMany : public QObject {
    Q_OBJECT

  private slots:
    void everyListedShiftSettled() {
        TestStore store;
        storedb::Db& db = store.db();
        fill(db);
        const QList<storedb::OwedShift> shifts = lookUp(db);
        QCOMPARE(shifts.size(), kShifts + 1);
        QCOMPARE(storedb::totalDue(shifts), kShifts * 50.0 + 20);
        QVERIFY(storedb::settleShifts(db, kClerk, shifts));
        QCOMPARE(owedRows(db, kClerk), 1); // the one with nothing due
        QCOMPARE(owedRows(db, "1002"), 1);
        QVERIFY(lookUp(db).isEmpty());
    }

    // One shift of the last statement's share settled by another back office
    // meanwhile, or one not listed sharing a listed one's keys: nothing is.
    void anyMismatchSettlesNothing() {
        for (const bool settledMeanwhile : {true, false}) {
            TestStore store;
            storedb::Db& db = store.db();
            fill(db);
            const QList<storedb::OwedShift> shifts = lookUp(db);
            const storedb::OwedShift& last = shifts.at(kShifts - 1);
            if (settledMeanwhile) {
                db.exec("meanwhile", "update shyrzb set bj='已交' where jsj=:jsj and dlsj=:dlsj",
                        {{"jsj", last.jsj}, {"dlsj", storedb::dateTimeParam(last.dlsj)}});
            } else {
                addShift(db, kClerk, last.jsj, kShifts - 1, 50);
            }
            const int before = owedRows(db, kClerk);
            QVERIFY(!storedb::settleShifts(db, kClerk, shifts));
            QCOMPARE(owedRows(db, kClerk), before);
        }
    }
};

STORE_TEST_MAIN(TestSettleMany)
#include "tst_settle_many.moc"
