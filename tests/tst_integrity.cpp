// The books check: a store kept by the real operations adds up, and each way
// of breaking it is reported on its own rule; storetool check's exit codes.

#include "storedb/catalog.h"
#include "storedb/charge.h"
#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/integrity.h"
#include "storedb/procedures.h"
#include "storedb/salereturn.h"
#include "storedb/till.h"
#include "support/teststore.h"

#include <QCoreApplication>
#include <QProcess>

using namespace storedb;
using namespace testsupport;

Q_DECLARE_METATYPE(storedb::BooksRule)

namespace {

// The back office's stock-in: the log row, then the stock row.
void stockIn(Db& db, const QString& hwh, int sl, double dj) {
    Movement m{hwh,
               QStringLiteral("01"),
               dj,
               sl,
               dj / 2,
               QDate::currentDate(),
               QStringLiteral("1"),
               kStockIn,
               QStringLiteral("供货商")};
    jrhwrzb(db, m);
    QSqlQuery row = db.exec("stock row", "select count(*) from hwb where hwh=:hwh", {{"hwh", hwh}});
    if (row.next() && row.value(0).toInt() == 0)
        xghwb2(db, m.hwlbh, hwh, dj, sl);
    else
        xghwb(db, hwh, dj, sl);
}

void stockOut(Db& db, const QString& hwh, int sl) {
    jrhwrzb(db, Movement{hwh, QStringLiteral("01"), 3, sl, 0, QDate::currentDate(),
                         QStringLiteral("1"), kStockOut, QStringLiteral("报损")});
    xghwb1(db, hwh, sl);
}

void sell(Db& db, const QString& till, const QString& hwh, int sl) {
    QVERIFY(addSaleLine(db, till, hwh, *hwhdw(db, hwh), sl).added);
}

void charge(Db& db, const QString& till) {
    chargeSale(db, till, QDate::currentDate());
}

QDateTime now() {
    return QDateTime::currentDateTime();
}

// A shop after a day's work, every step through the store's operations:
// till A worked a shift and signed off, and a new shift of A was wound up
// with a line left pending; till B is on duty, has taken back a piece of
// A's first sale (booked as tomorrow), charged one sale and has one line
// pending; till C is on duty without sales. G3 was sold out, deleted
// (its log stays), added again and stocked afresh; G4 was deleted for good.
void buildSoundShop(Db& db) {
    addCategory(db, QStringLiteral("01"), QStringLiteral("饮料"));
    for (const char* hwh : {"G1", "G2", "G3", "G4"})
        sppztj(db, QStringLiteral("01"), QString::fromLatin1(hwh), QStringLiteral("商品"));
    stockIn(db, "G1", 50, 3.5);
    stockIn(db, "G1", 10, 3.5);
    stockIn(db, "G2", 20, 2.3);
    stockIn(db, "G3", 4, 9.9);
    stockIn(db, "G4", 6, 1);
    stockOut(db, "G2", 2);
    addClerk(db, "1001", "张三", "1001");
    addClerk(db, "1002", "李四", "1002");
    addClerk(db, "1003", "王五", "1003");
    addTill(db, "A", 150);
    addTill(db, "B", 100);
    addTill(db, "C", 200);

    signOn(db, "A", "1001", now());
    sell(db, "A", "G1", 3);
    sell(db, "A", "G2", 2);
    charge(db, "A");
    sell(db, "A", "G3", 4);
    sell(db, "A", "G1", 1);
    charge(db, "A");
    signOff(db, "A", now());
    // Clerk 1001 hands the shift's money in.
    db.exec("settle", "update shyrzb set bj=:done where bj=:owed and qye+yye-xye>0 and shyh='1001'",
            {{"done", kHandedIn}, {"owed", kNotHandedIn}});

    signOn(db, "A", "1001", now());
    sell(db, "A", "G1", 2);
    charge(db, "A");
    sell(db, "A", "G2", 5);                          // the program stops here
    QVERIFY(signOn(db, "A", "1002", now()).woundUp); // the pending pieces go back
    signOff(db, "A", now());

    QVERIFY(deleteGoods(db, "G3")); // sold out
    QVERIFY(addGoodsToCategory(db, QStringLiteral("饮料"), "G3", QStringLiteral("新商品")));
    stockIn(db, "G3", 7, 5);
    QVERIFY(deleteGoods(db, "G4"));

    signOn(db, "B", "1003", now());
    bookReturn(db, "B", "1003", "1", 1, {{"G2", 2.3, 1}}, now().addDays(1));
    sell(db, "B", "G3", 2);
    sell(db, "B", "G1", 1);
    charge(db, "B");
    sell(db, "B", "G2", 3); // pending
    sell(db, "B", "G1", 2); // pending

    signOn(db, "C", "1002", now());
    closeDay(db, QDate::currentDate().addDays(-1), "1", now()); // the Z chain's first link
}

qint64 firstRow(Db& db, const QString& where) {
    QSqlQuery q = db.exec("row", "select min(bh) from hwrzb where " + where);
    return q.next() ? q.value(0).toLongLong() : 0;
}

QString rulesOf(const QList<BooksFinding>& findings) {
    QStringList rules;
    for (const BooksFinding& f : findings)
        rules << QString::number(int(f.rule));
    return rules.join(',');
}

} // namespace

class TestIntegrity : public QObject {
    Q_OBJECT
    std::unique_ptr<TestStore> store;
    Db& db() { return store->db(); }

    // Runs the built storetool on this store; its exit code and output.
    QPair<int, QString> runCheck() {
        store->writeDataLink(store->folder());
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/../tools/storetool",
                   {"check", "--udl", store->folder() + "/link.udl"});
        if (!tool.waitForFinished(60000))
            return {-1, tool.errorString()};
        return {tool.exitCode(),
                QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError())};
    }

  private slots:
    void init() {
        store = std::make_unique<TestStore>();
        buildSoundShop(db());
    }
    void cleanup() { store.reset(); }

    void soundShopAddsUp() {
        const QList<BooksFinding> findings = checkBooks(db());
        QVERIFY2(findings.isEmpty(), qPrintable(findingTexts(findings).join('\n')));
        // The shop is what the check must see through: stock out in open
        // sales, deleted goods' log rows, a re-added goods' earlier life.
        QCOMPARE(saleLines(db(), "B").size(), 2);
        QCOMPARE(stockOf(db(), "G1"), 60 - 3 - 1 - 2 - 1 - 2);
        QCOMPARE(stockOf(db(), "G4"), -1);
        QVERIFY(firstRow(db(), "hwh='G4'") > 0);
    }

    void eachBreakIsReportedOnItsRule_data() {
        QTest::addColumn<QString>("breakSql");
        QTest::addColumn<BooksRule>("rule");
        QTest::addColumn<QString>("named");
        QTest::newRow("stock raised without log")
            << "update hwb set kcl=kcl+1 where hwh='G1'" << BooksRule::Stock << "G1";
        QTest::newRow("log row rewritten") << "update hwrzb set sl=sl+4 where bh=(select min(bh) "
                                              "from hwrzb where hwh='G2')"
                                           << BooksRule::Stock << "G2";
        QTest::newRow("log row of no direction")
            << "update hwrzb set crk='退货' where bh=(select max(bh) from hwrzb where hwh='G4')"
            << BooksRule::Stock << "G4";
        QTest::newRow("stock row without goods")
            << "delete from hwpzb where hwh='G2'" << BooksRule::Uncatalogued << "G2";
        QTest::newRow("closed shift's takings rewritten")
            << "update shyrzb set yye=yye+10 where bj='未交'" << BooksRule::Takings << "";
        QTest::newRow("sold price rewritten") << "update hwrzb set dj=dj+0.5 where bh=(select "
                                                 "max(bh) from hwrzb where num is not null)"
                                              << BooksRule::Takings << "";
        QTest::newRow("till's takings without its shift")
            << "update jqb set yye=yye+1 where jsj='B'" << BooksRule::Takings << "B";
        QTest::newRow("shift owes less than nothing")
            << "update shyrzb set xye=xye+1000 where bj='未交'" << BooksRule::CashOwed << "1001";
        QTest::newRow("online till without shift")
            << "update jqb set zt='在线' where jsj='A'" << BooksRule::TillShifts << "A";
        QTest::newRow("shift open at a till on standby")
            << "update jqb set zt='待机' where jsj='C'" << BooksRule::TillShifts << "C";
        QTest::newRow("sale without bill number") << "update hwrzb set num=null where bh=(select "
                                                     "max(bh) from hwrzb where num is not null)"
                                                  << BooksRule::Bills << "";
        QTest::newRow("bill counter behind")
            << "update company set accountnum=accountnum-1" << BooksRule::Bills << "";
        QTest::newRow("log totals rewritten")
            << "update hwrzhjb set ckje=ckje+5" << BooksRule::LogTotals << "出库金额";
        QTest::newRow("log totals row doubled")
            << "insert into hwrzhjb(rkje,ckje) select rkje,ckje from hwrzhjb"
            << BooksRule::LogTotals << "hwrzhjb";
        QTest::newRow("return counted against another bill")
            << "update salereturn set original=2" << BooksRule::Returns
            << "单号 2 的商品 G2 退货 1 件，超过售出的 0 件";
        // Stock and money moved with it, as a return would move them.
        QTest::newRow("second return row for the bill")
            << "insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num) select "
               "hwh,hwlbh,dj,-2,0,crhsj,glyh,crk,hwly,num from hwrzb where num=4;"
               "update hwb set kcl=kcl+2 where hwh='G2';"
               "update jqb set yye=yye-4.6 where jsj='B';"
               "update shyrzb set yye=yye-4.6 where jsj='B' and zxsj is null"
            << BooksRule::Returns << "单号 1 的商品 G2 退货 3 件，超过售出的 2 件";
        QTest::newRow("closed day's figures rewritten")
            << "update dayclose set figures=replace(figures,'\"sales\":0','\"sales\":1')"
            << BooksRule::DayClose << "第 1 号日结";
    }
    void eachBreakIsReportedOnItsRule() {
        QFETCH(QString, breakSql);
        QFETCH(BooksRule, rule);
        QFETCH(QString, named);
        QVERIFY(checkBooks(db()).isEmpty());
        for (const QString& statement : breakSql.split(';'))
            db().exec("break", statement);
        const QList<BooksFinding> findings = checkBooks(db());
        QVERIFY(!findings.isEmpty());
        QCOMPARE(rulesOf(findings),
                 QStringList(findings.size(), QString::number(int(rule))).join(','));
        const QString texts = findingTexts(findings).join('\n');
        QVERIFY2(texts.contains(named), qPrintable(texts));
    }

    // Breaks that need the store's operations to stay consistent elsewhere.
    void operationsThatBreakOneRule() {
        // A line written to a till's sale table whose pieces never left stock.
        insertSaleLine(db(), "C", SaleLine{"G1", "商品", "01", 3.5, 2, 7, 0});
        QCOMPARE(rulesOf(checkBooks(db())), QString::number(int(BooksRule::Stock)));
        QVERIFY(checkBooks(db()).first().text.contains("G1"));
        QVERIFY(deleteSaleLine(db(), "C", 1));
        QVERIFY(checkBooks(db()).isEmpty());

        // Stock taken out below zero, logged as the back office does.
        stockOut(db(), "G3", 9);
        QCOMPARE(stockOf(db(), "G3"), -4);
        QCOMPARE(rulesOf(checkBooks(db())), QString::number(int(BooksRule::NegativeStock)));
        stockIn(db(), "G3", 4, 5);
        QVERIFY(checkBooks(db()).isEmpty());

        // Goods deleted while a till still has them in its open sale.
        QVERIFY(deleteGoods(db(), "G2"));
        const QList<BooksFinding> orphan = checkBooks(db());
        QCOMPARE(rulesOf(orphan), QString::number(int(BooksRule::Uncatalogued)));
        QVERIFY(orphan.first().text.contains("B") && orphan.first().text.contains("G2"));
    }

    void twoOpenShiftsAtOneTill() {
        recordSignOn(db(), "C", "1003", now(), 200); // a second sign-on without sign-off
        const QList<BooksFinding> findings = checkBooks(db());
        QCOMPARE(rulesOf(findings), QString::number(int(BooksRule::TillShifts)));
        QVERIFY(findings.first().text.contains("C") && findings.first().text.contains("2"));
    }

    void tillRemovedDuringItsShift() {
        // Its open shift still holds the takings, its sale table the pieces.
        db().exec("remove", "delete from jqb where jsj='B'");
        const QList<BooksFinding> findings = checkBooks(db());
        QVERIFY2(findings.isEmpty(), qPrintable(findingTexts(findings).join('\n')));
        db().exec("break", "update shyrzb set yye=0 where jsj='B'");
        QCOMPARE(rulesOf(checkBooks(db())), QString::number(int(BooksRule::Takings)));
    }

    void billNumberOnTwoDays() {
        // Bill 1 has two lines; one of them moved to another day.
        db().exec(
            "break", "update hwrzb set crhsj=:d where bh=:bh",
            {{"d", dateParam(QDate::currentDate().addDays(-1))}, {"bh", firstRow(db(), "num=1")}});
        const QList<BooksFinding> findings = checkBooks(db());
        QCOMPARE(rulesOf(findings), QString::number(int(BooksRule::Bills)));
        QVERIFY(findings.first().text.contains("单号 1 "));
    }

    void settledShiftIsNotCashOwed() {
        // The settled shift's figures are history; only owed shifts count.
        db().exec("edit", "update shyrzb set xye=xye+1000 where bj=:done", {{"done", kHandedIn}});
        QVERIFY(checkBooks(db()).isEmpty());
    }

    void goodsReAddedWithStockLeftAreReported() {
        // G4 held 6 pieces when it was deleted. The log keeps no mark of the
        // deletion, so they still count (see integrity.h).
        QVERIFY(addGoodsToCategory(db(), QStringLiteral("饮料"), "G4", QStringLiteral("再来")));
        stockIn(db(), "G4", 3, 1);
        const QList<BooksFinding> findings = checkBooks(db());
        QCOMPARE(rulesOf(findings), QString::number(int(BooksRule::Stock)));
        QVERIFY(findings.first().text.contains("按流水应为 9 件"));
    }

    void storetoolExitCodes() {
        const auto sound = runCheck();
        QCOMPARE(sound.first, 0);
        QVERIFY2(sound.second.contains("all holds"), qPrintable(sound.second));
        QCOMPARE(sound.second.trimmed().count('\n'), 0);

        db().exec("break", "update hwb set kcl=kcl-1 where hwh='G1'");
        db().exec("break", "update jqb set zt='在线' where jsj='A'");
        const auto broken = runCheck();
        QCOMPARE(broken.first, 1);
        const QStringList lines = broken.second.trimmed().split('\n');
        QCOMPARE(lines.size(), 3); // two findings and the count
        QVERIFY2(lines[0].contains("G1") && lines[1].contains("A"), qPrintable(broken.second));
    }
};

STORE_TEST_MAIN(TestIntegrity)
#include "tst_integrity.moc"
