// The per-till sale table on a real store: its life, its line numbers, and
// computer names that would break or abuse SQL if they were not quoted.

#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"
#include "support/teststore.h"

#include <QSqlQuery>

using namespace storedb;
using namespace testsupport;

namespace {

SaleLine line(const QString& hwh, double dj, int sl) {
    return SaleLine{hwh, QStringLiteral("商品") + hwh, QStringLiteral("01"), dj, sl, dj * sl, 0};
}

int count(Db& db, const QString& table) {
    QSqlQuery q = db.exec(QStringLiteral("count"), QStringLiteral("select count(*) from ") + table);
    return q.next() ? q.value(0).toInt() : -1;
}

// A store with something in every permanent table that a stray statement
// could damage.
void fillPermanentTables(Db& db) {
    addCategory(db, "01", "饮料");
    addGoods(db, "01", "6901234567892", "矿泉水", 2, 50);
    addClerk(db, "1001", "张伟", "1001");
    addTill(db, "till-1", 200);
    Movement m{"6901234567892", "01", 2, 50, 1.2, QDate(2026, 1, 5), "1", kStockIn, "厂家"};
    jrhwrzb(db, m);
}

void verifyPermanentTablesIntact(Db& db) {
    QCOMPARE(count(db, "hwlbpzb"), 1);
    QCOMPARE(count(db, "hwpzb"), 1);
    QCOMPARE(count(db, "hwb"), 1);
    QCOMPARE(stockOf(db, "6901234567892"), 50);
    QCOMPARE(count(db, "shyb"), 1);
    QCOMPARE(count(db, "glyb"), 1);
    QCOMPARE(count(db, "jqb"), 1);
    QCOMPARE(count(db, "hwrzb"), 1);
    QCOMPARE(count(db, "company"), 1);
    QCOMPARE(count(db, "shyrzb"), 0);
}

} // namespace

class TestSaleTable : public QObject {
    Q_OBJECT

  private slots:
    void lifeOfTheTable() {
        TestStore store;
        Db& db = store.db();
        const QString till = "till-1";
        QVERIFY(!saleTableExists(db, till));
        createSaleTable(db, till);
        QVERIFY(saleTableExists(db, till));

        QCOMPARE(insertSaleLine(db, till, line("A", 3.5, 2)), 1);
        QCOMPARE(insertSaleLine(db, till, line("B", 1.15, 3)), 2);
        QCOMPARE(insertSaleLine(db, till, line("C", 12, 1)), 3);
        // Prices are kept to one decimal place: 3 x 1.15 = 3.45 is stored as 3.5.
        QCOMPARE(saleTotal(db, till), 7.0 + 3.5 + 12.0);

        const QList<SaleLine> lines = saleLines(db, till);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(1).hwh, QString("B"));
        QCOMPARE(lines.at(1).hwm, QString("商品B"));
        QCOMPARE(lines.at(1).dj, 1.2); // 1.15 rounded half away from zero
        QCOMPARE(lines.at(1).sl, 3);
        QCOMPARE(lines.at(1).jg, 3.5);
        QCOMPARE(lines.at(1).bh, 2);

        // Deleting the last line does not free its number.
        QVERIFY(deleteSaleLine(db, till, 3));
        QVERIFY(!deleteSaleLine(db, till, 3));
        QVERIFY(!deleteSaleLine(db, till, 99));
        QCOMPARE(insertSaleLine(db, till, line("D", 1, 1)), 4);
        QCOMPARE(saleTotal(db, till), 7.0 + 3.5 + 1.0);

        // Emptying the table between sales keeps the count going.
        clearSaleTable(db, till);
        QCOMPARE(saleTotal(db, till), 0.0);
        QVERIFY(saleLines(db, till).isEmpty());
        QCOMPARE(insertSaleLine(db, till, line("E", 2, 1)), 5);

        // The next shift starts again at 1.
        dropSaleTable(db, till);
        QVERIFY(!saleTableExists(db, till));
        QVERIFY_THROWS_EXCEPTION(DbError, saleLines(db, till));
        createSaleTable(db, till);
        QCOMPARE(insertSaleLine(db, till, line("F", 2, 1)), 1);
        // Creating it twice is an error the caller sees, not a silent reuse.
        QVERIFY_THROWS_EXCEPTION(DbError, createSaleTable(db, till));
        dropSaleTable(db, till);
    }

    void tillsKeepTheirOwnTables() {
        TestStore store;
        Db& db = store.db();
        createSaleTable(db, "till-1");
        createSaleTable(db, "till-2");
        insertSaleLine(db, "till-1", line("A", 3, 1));
        insertSaleLine(db, "till-2", line("B", 5, 2));
        insertSaleLine(db, "till-2", line("C", 1, 1));
        QCOMPARE(saleTotal(db, "till-1"), 3.0);
        QCOMPARE(saleTotal(db, "till-2"), 11.0);
        dropSaleTable(db, "till-2");
        QCOMPARE(saleLines(db, "till-1").size(), 1);
        dropSaleTable(db, "till-1");
    }

    void hostileComputerNames() {
        const QStringList names{
            "TILL-01",
            "till 2",
            "O'Brien's till",
            "the \"big\" till",
            "till;1",
            "x\"; drop table hwb; --",
            "a\" (hwh int); delete from company; create table \"b",
            "[till]",
            "`till`",
            "till:hwh", // looks like a placeholder
            "收银台一号",
            "123",
            "select",
            "hwb2",
        };
        TestStore store;
        Db& db = store.db();
        fillPermanentTables(db);
        for (const QString& terminal : names) {
            const QByteArray which = terminal.toUtf8();
            createSaleTable(db, terminal);
            QVERIFY2(saleTableExists(db, terminal), which);
            QVERIFY2(insertSaleLine(db, terminal, line("6901234567892", 2, 3)) == 1, which);
            QVERIFY2(insertSaleLine(db, terminal, line("X", 1.5, 1)) == 2, which);
            QVERIFY2(deleteSaleLine(db, terminal, 2), which);
            QVERIFY2(saleTotal(db, terminal) == 6.0, which);
            QVERIFY2(saleLines(db, terminal).size() == 1, which);
            clearSaleTable(db, terminal);
            dropSaleTable(db, terminal);
            QVERIFY2(!saleTableExists(db, terminal), which);
            verifyPermanentTablesIntact(db);
        }
    }

    void permanentTableNamesRefused() {
        QStringList names{"sqlite_master", "SQLITE_sequence", "pg_class", "", QString(64, 't')};
        for (const QString& table : permanentTables()) {
            QString mixed = table;
            mixed[0] = mixed[0].toUpper();
            names << table << table.toUpper() << mixed;
        }
        TestStore store;
        Db& db = store.db();
        fillPermanentTables(db);
        for (const QString& terminal : names) {
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, checkSaleTableName(terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, createSaleTable(db, terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError,
                                     insertSaleLine(db, terminal, line("A", 1, 1)));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, deleteSaleLine(db, terminal, 1));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, clearSaleTable(db, terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, saleTotal(db, terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, saleLines(db, terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, dropSaleTable(db, terminal));
            QVERIFY_THROWS_EXCEPTION(TerminalNameError, saleTableExists(db, terminal));
            try {
                createSaleTable(db, terminal);
            } catch (const TerminalNameError& e) {
                // The message names the computer so that the shop knows what to rename.
                if (!terminal.isEmpty() && terminal.size() < 64)
                    QVERIFY2(e.text().contains(terminal), qPrintable(e.text()));
            }
        }
        verifyPermanentTablesIntact(db);
    }

    void longestNameAccepted() {
        // 63 bytes is PostgreSQL's limit; longer names would be cut and collide.
        TestStore store;
        const QString terminal(63, QLatin1Char('t'));
        createSaleTable(store.db(), terminal);
        QCOMPARE(insertSaleLine(store.db(), terminal, line("A", 1, 1)), 1);
        dropSaleTable(store.db(), terminal);
    }

    void placeholdersMustMatch() {
        TestStore store;
        Db& db = store.db();
        createSaleTable(db, "till-1");
        const QString table = saleTableIdentifier("till-1");
        const QString insert =
            QStringLiteral(
                "insert into %1(hwh,hwm,hwlbh,dj,sl,jg) values(:hwh,:hwm,:hwlbh,:dj,:sl,:jg)")
                .arg(table);
        const Params all{{"hwh", "A"}, {"hwm", "水"}, {"hwlbh", "01"},
                         {"dj", 2.0},  {"sl", 1},     {"jg", 2.0}};

        Params unbound = all;
        unbound.removeLast();
        try {
            db.exec("insert", insert, unbound);
            QFAIL("an unbound placeholder ran");
        } catch (const DbError& e) {
            QVERIFY2(e.text().startsWith("insert: ") && e.text().contains("jg"),
                     qPrintable(e.text()));
        }

        Params misspelt = all;
        misspelt[3].first = "dj1";
        try {
            db.exec("insert", insert, misspelt);
            QFAIL("a misspelt parameter ran");
        } catch (const DbError& e) {
            QVERIFY2(e.text().contains("dj1"), qPrintable(e.text()));
        }
        // A colon prefix on the name is the same parameter.
        Params colon = all;
        colon[0].first = ":hwh";
        db.exec("insert", insert, colon);
        // A value that looks like SQL is only a value.
        Params sqlish = all;
        sqlish[1].second = "'); delete from company; --";
        db.exec("insert", insert, sqlish);

        // A colon inside quoted text is no placeholder. (Scoped: an unfinished
        // query would keep SQLite from dropping the table below.)
        {
            QSqlQuery q =
                db.exec("quoted", "select count(*) from company where company<>':y' and sl=:sl",
                        {{"sl", 10}});
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toInt(), 1);
        }
        QVERIFY_THROWS_EXCEPTION(DbError,
                                 db.exec("quoted", "select ':y', :sl", {{"y", 1}, {"sl", 1}}));

        QCOMPARE(saleLines(db, "till-1").size(), 2);
        QCOMPARE(saleLines(db, "till-1").at(1).hwm, QString("'); delete from company; --"));
        QCOMPARE(count(db, "company"), 1);
        dropSaleTable(db, "till-1");
    }
};

STORE_TEST_MAIN(TestSaleTable)
#include "tst_saletable.moc"
