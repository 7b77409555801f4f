// The day's report (X) and its closing (Z): a day of sales, a return, shifts
// across both midnights, a settlement with a difference, the back office's
// movements and changes, every figure worked out by hand; the Zs' numbers,
// grand total and refusals; the chain check against a tampered table.

#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/dayreport.h"
#include "storedb/integrity.h"
#include "storedb/procedures.h"
#include "storedb/salereturn.h"
#include "storedb/till.h"
#include "support/teststore.h"

#include <QJsonDocument>
#include <functional>

using namespace storedb;
using namespace testsupport;

namespace {

const QDate kDay(2026, 3, 10);

QDateTime at(int dayOffset, int h, int m = 0, int s = 0) {
    return QDateTime(kDay.addDays(dayOffset), QTime(h, m, s));
}

void sell(Db& db, const QString& till, const QString& hwh, int sl, int dayOffset) {
    QVERIFY(addSaleLine(db, till, hwh, *hwhdw(db, hwh), sl).added);
    chargeSale(db, till, kDay.addDays(dayOffset));
}

void office(Db& db, const QString& crk, const QString& hwh, int sl, double dj, double rhj,
            int dayOffset) {
    jrhwrzb(db, Movement{hwh, QStringLiteral("01"), dj, sl, rhj, kDay.addDays(dayOffset),
                         QStringLiteral("1"), crk, QStringLiteral("供货商")});
}

void settlement(Db& db, const QDateTime& when, double owed, double received) {
    db.exec("settlement",
            "insert into settlement(settled,glyh,shyh,owed,received,difference) "
            "values(:t,'1','1002',:o,:r,:d)",
            {{"t", dateTimeParam(when)}, {"o", owed}, {"r", received}, {"d", received - owed}});
}

void change(Db& db, const QDateTime& when, const QString& kind, int rowDayOffset, double amount) {
    db.exec("change",
            "insert into changerecord(changed,glyh,kind,hwh,bh,day,oldvalue,newvalue,amount) "
            "values(:t,'1',:k,'G1',7,:d,'1','2',:a)",
            {{"t", dateTimeParam(when)},
             {"k", kind},
             {"d", dateParam(kDay.addDays(rowDayOffset))},
             {"a", amount}});
}

// Bills 1 (B, the day before), 2 and 3 (A), return 4 (A), 5 (B, the day after).
void buildDay(Db& db) {
    addCategory(db, "01", "食品");
    addGoods(db, "01", "G1", "面包", 2.5, 1000);
    addGoods(db, "01", "G2", "奶粉", 50, 1000);
    addClerk(db, "1001", "张三", "1001");
    addClerk(db, "1002", "李四", "1002");
    addTill(db, "A", 150);
    addTill(db, "B", 50);

    // B's shift runs across the first midnight: its float is the day
    // before's, its hand-in (50 + 200 - 150 left) the day's.
    signOn(db, "B", "1002", at(-1, 23, 59, 59));
    sell(db, "B", "G2", 4, -1);
    signOff(db, "B", at(0, 0));
    // A: 7.50 + 100 taken, 50 refunded; hands in 150 + 57.50 - 107.50 left.
    signOn(db, "A", "1001", at(0, 0));
    sell(db, "A", "G1", 3, 0);
    sell(db, "A", "G2", 2, 0);
    bookReturn(db, "A", "1001", "1", 3, {{"G2", 50, 1}}, at(0, 10));
    signOff(db, "A", at(0, 23, 59, 59));
    signOn(db, "B", "1002", at(1, 0)); // on duty from the day after
    sell(db, "B", "G1", 2, 1);

    db.exec("B settled", "update shyrzb set bj='已交' where jsj='B' and zxsj is not null");
    settlement(db, at(-1, 23, 59, 59), 1, 1);
    settlement(db, at(0, 18), 100, 98.5);
    settlement(db, at(1, 0), 10, 10);

    office(db, kStockIn, "G1", 100, 2.5, 1.2, 0);
    office(db, kStockIn, "G2", 10, 50, 30, 0);
    office(db, kStockOut, "G1", 5, 2.5, 0, 0);
    office(db, kStockIn, "G1", 7, 2.5, 1, -1);
    office(db, kStockOut, "G1", 9, 2.5, 0, 1);

    change(db, at(-1, 23, 59, 59), "调价", -1, 0);
    change(db, at(0, 9), "更正", -3, -2);
    change(db, at(0, 11), "更正", 0, 1);
    change(db, at(0, 12), "调价", 0, 0);
    change(db, at(1, 0), "更正", 0, 4);
}

QString describe(const TakingsFigures& t) {
    return QStringLiteral("sales %1 returns %2 gross %3 refunds %4 net %5 | on %6 floats %7 off %8 "
                          "handed %9 | settled %10 owed %11 received %12 difference %13 | "
                          "still %14 | bills %15-%16 returns %17-%18")
        .arg(t.sales)
        .arg(t.returns)
        .arg(fenText(t.gross), fenText(t.refunds), fenText(t.net()))
        .arg(t.shiftsSignedOn)
        .arg(fenText(t.floats))
        .arg(t.shiftsSignedOff)
        .arg(fenText(t.handedIn))
        .arg(t.settlements)
        .arg(fenText(t.settledOwed), fenText(t.settledReceived), fenText(t.settledDifference),
             fenText(t.stillOwed))
        .arg(t.firstSale)
        .arg(t.lastSale)
        .arg(t.firstReturn)
        .arg(t.lastReturn);
}

QString describe(const MovementFigures& m) {
    return QStringLiteral("%1 rows %2 pieces %3").arg(m.rows).arg(m.pieces).arg(fenText(m.value));
}

// The user text of a refusal, or "" when nothing was refused.
QString refusal(const std::function<void()>& action) {
    try {
        action();
    } catch (const DayCloseRefusedError& e) {
        return e.userText();
    }
    return {};
}

QString faults(const QList<ChainFinding>& findings) {
    QStringList list;
    for (const ChainFinding& f : findings)
        list << QStringLiteral("%1:%2").arg(int(f.fault)).arg(f.z);
    return list.join(',');
}

} // namespace

class TestDayReport : public QObject {
    Q_OBJECT
    std::unique_ptr<TestStore> store;
    Db& db() { return store->db(); }

    // Z 1 the day before, Z 2 the day, Z 3 the day after (B signed off
    // first); a correction to the closed day before between Z 2 and Z 3.
    void closeThreeDays() {
        closeDay(db(), kDay.addDays(-1), "1", at(1, 8));
        closeDay(db(), kDay, "1", at(1, 9));
        change(db(), at(1, 9, 30), "更正", -1, 3);
        change(db(), at(1, 9, 40), "更正", 1, 6); // the open day's own
        signOff(db(), "B", at(1, 20));
        closeDay(db(), kDay.addDays(1), "1", at(1, 21));
    }

  private slots:
    void init() {
        store = std::make_unique<TestStore>();
        buildDay(db());
    }
    void cleanup() { store.reset(); }

    void takingsByTillClerkAndTotal_data() {
        QTest::addColumn<int>("dayOffset");
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("expected");
        const QString none = "settled 0 owed 0.00 received 0.00 difference 0.00";
        QTest::newRow("till A") << 0 << "A"
                                << "sales 2 returns 1 gross 107.50 refunds 50.00 net 57.50 | on 1 "
                                   "floats 150.00 off 1 handed 100.00 | " +
                                       none + " | still 100.00 | bills 2-3 returns 4-4";
        QTest::newRow("till B") << 0 << "B"
                                << "sales 0 returns 0 gross 0.00 refunds 0.00 net 0.00 | on 0 "
                                   "floats 0.00 off 1 handed 100.00 | " +
                                       none + " | still 0.00 | bills 0-0 returns 0-0";
        QTest::newRow("clerk 1001") << 0 << "1001"
                                    << "sales 2 returns 1 gross 107.50 refunds 50.00 net 57.50 | "
                                       "on 1 floats 150.00 off 1 handed 100.00 | " +
                                           none + " | still 100.00 | bills 2-3 returns 4-4";
        QTest::newRow("clerk 1002")
            << 0 << "1002"
            << "sales 0 returns 0 gross 0.00 refunds 0.00 net 0.00 | on 0 floats 0.00 off 1 "
               "handed 100.00 | settled 1 owed 100.00 received 98.50 difference -1.50 | still "
               "0.00 | bills 0-0 returns 0-0";
        QTest::newRow("total") << 0 << ""
                               << "sales 2 returns 1 gross 107.50 refunds 50.00 net 57.50 | on 1 "
                                  "floats 150.00 off 2 handed 200.00 | settled 1 owed 100.00 "
                                  "received 98.50 difference -1.50 | still 100.00 | bills 2-3 "
                                  "returns 4-4";
        QTest::newRow("total of the day before")
            << -1 << ""
            << "sales 1 returns 0 gross 200.00 refunds 0.00 net 200.00 | on 1 floats 50.00 off 0 "
               "handed 0.00 | settled 1 owed 1.00 received 1.00 difference 0.00 | still 100.00 | "
               "bills 1-1 returns 0-0";
        QTest::newRow("total of the day after")
            << 1 << ""
            << "sales 1 returns 0 gross 5.00 refunds 0.00 net 5.00 | on 1 floats 150.00 off 0 "
               "handed 0.00 | settled 1 owed 10.00 received 10.00 difference 0.00 | still 100.00 "
               "| bills 5-5 returns 0-0";
    }
    void takingsByTillClerkAndTotal() {
        QFETCH(int, dayOffset);
        QFETCH(QString, scope);
        QFETCH(QString, expected);
        const DayFigures f = dayFigures(db(), kDay.addDays(dayOffset));
        QCOMPARE(f.day, kDay.addDays(dayOffset));
        const TakingsFigures t =
            scope.isEmpty() ? f.total : f.tills.value(scope, f.clerks.value(scope));
        QCOMPARE(describe(t), expected);
        if (dayOffset == 0) {
            QCOMPARE(f.tills.keys(), QStringList({"A", "B"}));
            QCOMPARE(f.clerks.keys(), QStringList({"1001", "1002"}));
        }
    }

    void movementsAndChangesOfTheDay() {
        const DayFigures f = dayFigures(db(), kDay);
        // Stock-ins at buying-in price (120 + 300); the stock-out at its
        // price; the tills' sale and return rows are not the back office's.
        QCOMPARE(describe(f.stockIns), QString("2 rows 110 pieces 420.00"));
        QCOMPARE(describe(f.stockOuts), QString("1 rows 5 pieces 12.50"));
        QCOMPARE(f.changes.corrections, 2);
        QCOMPARE(f.changes.priceChanges, 1);
        QCOMPARE(f.changes.earlierDays.size(), 1);
        const EarlierDayCorrection& c = f.changes.earlierDays.first();
        QCOMPARE(c.day, kDay.addDays(-3));
        QCOMPARE(c.amount, -200);
        QCOMPARE(c.changed, at(0, 9));
        QCOMPARE(describe(dayFigures(db(), kDay.addDays(1)).stockOuts),
                 QString("1 rows 9 pieces 22.50"));
    }

    void zNumbersGrandTotalAndReprint() {
        closeThreeDays();
        QList<qint64> nets, grands;
        for (qint64 z = 1; z <= 3; ++z) {
            const std::optional<DayClose> read = readZ(db(), z);
            QVERIFY(read);
            QCOMPARE(read->day, kDay.addDays(z - 2));
            nets << read->netTakings;
            grands << read->grandTotal;
            // Printed again exactly as closed: the text reads back to itself.
            QJsonObject object = QJsonDocument::fromJson(read->figuresText.toUtf8()).object();
            DayFigures back;
            QVERIFY(readFiguresObject(object, back));
            for (const QString own : {"closeddays", "closed", "glyh", "grandtotal", "previous"})
                object.remove(own);
            QCOMPARE(canonicalText(figuresObject(back)), canonicalText(object));
        }
        QCOMPARE(nets, QList<qint64>({20000, 5750, 500}));
        QCOMPARE(grands, QList<qint64>({20000, 25750, 26250}));
        QCOMPARE(describe(readZ(db(), 2)->figures.total), describe(dayFigures(db(), kDay).total));
        QVERIFY(!readZ(db(), 4));
        // The correction to the closed day before, made after its Z: on Z 3
        // only; the one of 9:00 on the day was made before Z 1 closed it.
        QVERIFY(readZ(db(), 2)->closedDayCorrections.isEmpty());
        const QList<EarlierDayCorrection> late = readZ(db(), 3)->closedDayCorrections;
        QCOMPARE(late.size(), 1);
        QCOMPARE(late.first().day, kDay.addDays(-1));
        QCOMPARE(late.first().amount, 300);
        QVERIFY(verifyDayCloseChain(db()).isEmpty());
    }

    void closingRefused_data() {
        QTest::addColumn<int>("dayOffset");
        QTest::addColumn<QString>("expected");
        QTest::newRow("till on duty since that day")
            << 1 << "收款机 B 的售货员 1002 从 2026-03-11 00:00:00 起仍在班,请先注销再日结！";
        QTest::newRow("closed already") << 0 << "2026-03-10 已经日结(第 1 号日结),不能再次日结！";
        QTest::newRow("earlier than the last closed")
            << -1 << "已经日结到 2026-03-10,不能再日结更早的 2026-03-09！";
        QTest::newRow("a day to come") << 2 << "2026-03-12 还没有到,不能日结！";
    }
    void closingRefused() {
        QFETCH(int, dayOffset);
        QFETCH(QString, expected);
        QCOMPARE(closeDay(db(), kDay, "1", at(1, 8)).z, 1);
        QCOMPARE(refusal([&] { closeDay(db(), kDay.addDays(dayOffset), "1", at(1, 9)); }),
                 expected);
        QSqlQuery count = db().exec("zs", "select count(*),max(z) from dayclose");
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), 1);
        count.finish();
        // Refused writes nothing: the next Z still follows on.
        signOff(db(), "B", at(1, 20));
        QCOMPARE(closeDay(db(), kDay.addDays(1), "1", at(1, 21)).z, 2);
        QVERIFY(verifyDayCloseChain(db()).isEmpty());
    }

    // A day with money after the last Z is closed before a later one, which
    // would leave it closable never; a day with none needs no Z.
    void noDayWithMoneyLeftBehind() {
        QCOMPARE(closeDay(db(), kDay, "1", at(1, 8)).z, 1);
        signOff(db(), "B", at(1, 20)); // the shift of the day after: money of that day
        QCOMPARE(refusal([&] { closeDay(db(), kDay.addDays(2), "1", at(3, 9)); }),
                 QString("2026-03-11 有营业还没有日结,请先日结 2026-03-11！"));
        QCOMPARE(closeDay(db(), kDay.addDays(1), "1", at(3, 9)).z, 2);
        QCOMPARE(closeDay(db(), kDay.addDays(3), "1", at(4, 9)).z, 3);
        QVERIFY(verifyDayCloseChain(db()).isEmpty());
    }

    // Money taken after a day's Z would be on no Z: no shift opens on a
    // closed day, and the day after opens as before.
    void noSignOnToAClosedDay() {
        closeDay(db(), kDay, "1", at(1, 8));
        QString refused;
        try {
            signOn(db(), "A", "1001", at(0, 23, 59));
        } catch (const DayClosedError& e) {
            refused = e.userText();
        }
        const auto openShifts = [this] {
            QSqlQuery q = db().exec("open", "select count(*) from shyrzb where zxsj is null");
            return q.next() ? q.value(0).toInt() : -1;
        };
        QCOMPARE(refused, QStringLiteral("2026-03-10 已经日结,当天不能再登录营业！"));
        QCOMPARE(openShifts(), 1);
        signOn(db(), "A", "1001", at(2, 8));
        QCOMPARE(openShifts(), 2);
    }

    void chainCheck_data() {
        QTest::addColumn<QString>("tamper");
        QTest::addColumn<QString>("expected");
        const auto kind = [](ChainFault f, int z) {
            return QStringLiteral("%1:%2").arg(int(f)).arg(z);
        };
        QTest::newRow("intact") << ""
                                << "";
        QTest::newRow("figures changed")
            << "update dayclose set figures=replace(figures,'\"sales\":2','\"sales\":3') where z=2"
            << kind(ChainFault::Changed, 2);
        QTest::newRow("net takings changed")
            << "update dayclose set nettakings=nettakings+1 where z=2"
            << kind(ChainFault::Changed, 2);
        QTest::newRow("Z removed")
            << "delete from dayclose where z=2" << kind(ChainFault::Removed, 2);
        QTest::newRow("first Z removed")
            << "delete from dayclose where z=1" << kind(ChainFault::Removed, 1);
        QTest::newRow("Z inserted") << "insert" << kind(ChainFault::Inserted, 4);
    }
    void chainCheck() {
        QFETCH(QString, tamper);
        QFETCH(QString, expected);
        closeThreeDays();
        if (tamper == "insert") {
            // A Z for a later day made from Z 3 and hashed as the chain
            // hashes, but linked to Z 2 as Z 3 is: it does not follow Z 3.
            const DayClose three = *readZ(db(), 3);
            QJsonObject forged = QJsonDocument::fromJson(three.figuresText.toUtf8()).object();
            forged.insert("day", "2026-03-12");
            forged.insert("closed", "2026-03-12 21:00:00");
            forged.insert("grandtotal", fenText(three.grandTotal + three.netTakings));
            const QString text = canonicalText(forged);
            db().exec("forge",
                      "insert into dayclose(z,day,closed,glyh,nettakings,grandtotal,figures,hash) "
                      "values(4,:day,:closed,'1',:net,:grand,:text,:hash)",
                      {{"day", dateParam(kDay.addDays(2))},
                       {"closed", dateTimeParam(at(2, 21))},
                       {"net", double(three.netTakings) / 100},
                       {"grand", double(three.grandTotal + three.netTakings) / 100},
                       {"text", text},
                       {"hash", dayCloseHash(three.previousHash, text, 4, kDay.addDays(2))}});
        } else if (!tamper.isEmpty()) {
            db().exec("tamper", tamper);
        }
        QCOMPARE(faults(verifyDayCloseChain(db())), expected);
        QStringList rules;
        for (const BooksFinding& f : checkBooks(db()))
            if (f.rule == BooksRule::DayClose)
                rules << f.subject;
        QCOMPARE(rules.size(), expected.isEmpty() ? 0 : 1);
    }
};

STORE_TEST_MAIN(TestDayReport)
#include "tst_day_report.moc"
