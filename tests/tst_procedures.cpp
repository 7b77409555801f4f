// The named operations on a real store, on the engine under test.

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"
#include "support/teststore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>

using namespace storedb;
using namespace testsupport;

class TestProcedures : public QObject {
    Q_OBJECT

  private slots:
    void newStoreHasSettingsRowAndFirstAdministrator() {
        TestStore store;
        QSqlQuery q =
            store.db().exec("company", "select company,welcome,sl,accountnum from company");
        QVERIFY(q.next());
        QCOMPARE(q.value(3).toLongLong(), 0);
        QVERIFY(!q.next());
        auto admin = glydl(store.db(), kFirstAdministratorNumberForTest());
        QVERIFY(admin.has_value());
        QVERIFY(!glydl(store.db(), "nobody").has_value());
    }

    void clerkLoginAndPasswordChange() {
        TestStore store;
        addClerk(store.db(), "7", "王芳", "7");
        auto clerk = shydl(store.db(), "7");
        QVERIFY(clerk);
        QCOMPARE(clerk->mm, QString("7"));
        QCOMPARE(clerk->shym, QString("王芳"));
        shyxgmm(store.db(), "7", "secret");
        QCOMPARE(shydl(store.db(), "7")->mm, QString("secret"));
        QVERIFY(!shydl(store.db(), "").has_value());
    }

    void goodsLookupAndConditionalDecrement() {
        TestStore store;
        addCategory(store.db(), "01", "饮料");
        addGoods(store.db(), "01", "6901234567890", "可口可乐", 3.5, 5);
        auto goods = hwhdw(store.db(), "6901234567890");
        QVERIFY(goods);
        QCOMPARE(goods->kcl, 5);
        QCOMPARE(goods->hwm, QString("可口可乐"));
        QCOMPARE(goods->hwlbm, QString("饮料"));
        QCOMPARE(goods->dj, 3.5);
        QVERIFY(!hwhdw(store.db(), "0000").has_value());

        QVERIFY(hwbsf(store.db(), "6901234567890", 3));
        QCOMPARE(stockOf(store.db(), "6901234567890"), 2);
        QVERIFY(!hwbsf(store.db(), "6901234567890", 3)); // short: nothing changes
        QCOMPARE(stockOf(store.db(), "6901234567890"), 2);
        QVERIFY(hwbsf(store.db(), "6901234567890", 2));
        QCOMPARE(stockOf(store.db(), "6901234567890"), 0);
        hwbsf1(store.db(), "6901234567890", 4);
        QCOMPARE(stockOf(store.db(), "6901234567890"), 4);
    }

    void billNumbersCountUpAndStay() {
        TestStore store;
        QCOMPARE(accountnum(store.db()), 1);
        QCOMPARE(accountnum(store.db()), 2);
        QSqlQuery q = store.db().exec("read", "select accountnum from company");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toLongLong(), 2);
    }

    void saleMovementsAndTakings() {
        TestStore store;
        addTill(store.db(), "till-1", 150);
        Movement m{"6901", "01", 12.5, 3, 0, QDate(2026, 12, 8), QVariant(), kStockOut, QVariant()};
        hwrzbsf(store.db(), m, 42);
        QSqlQuery q =
            store.db().exec("log", "select hwh,dj,sl,rhj,crhsj,glyh,crk,hwly,num from hwrzb");
        QVERIFY(q.next());
        QCOMPARE(q.value(1).toDouble(), 12.5);
        QCOMPARE(q.value(2).toInt(), 3);
        QCOMPARE(q.value(3).toDouble(), 0.0);
        QCOMPARE(readDateTime(q.value(4)), QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        QVERIFY(q.value(5).isNull());
        QCOMPARE(q.value(6).toString(), kStockOut);
        QVERIFY(q.value(7).isNull());
        QCOMPARE(q.value(8).toLongLong(), 42);

        jqbsf(store.db(), "till-1", 37.5);
        jqbsf(store.db(), "till-1", 0.1);
        QCOMPARE(yyetj(store.db(), "till-1"), 37.6);
    }

    void movementDatesCompareOnBothEngines() {
        TestStore store;
        for (int day : {6, 7, 8}) {
            Movement m{"g", "c", 1, 1, 0.5, QDate(2026, 12, day), "1", kStockIn, "厂家"};
            jrhwrzb(store.db(), m);
        }
        QSqlQuery q = store.db().exec(
            "range", "select count(*) from hwrzb where crhsj>:lo and crhsj<=:hi",
            {{"lo", dateParam(QDate(2026, 12, 6))}, {"hi", dateParam(QDate(2026, 12, 8))}});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 2);
    }

    void unfinishedShiftRowRemovedOnlyWhenOpen() {
        TestStore store;
        const QDateTime now = QDateTime::currentDateTime();
        for (bool open : {false, true}) {
            store.db().exec(
                "shift",
                "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj) values(:shyh,:jsj,:dlsj,:qye,:zxsj)",
                {{"shyh", "7"},
                 {"jsj", "T1"},
                 {"dlsj", dateTimeParam(now)},
                 {"qye", 100},
                 {"zxsj", open ? QVariant(QMetaType::fromType<QString>()) : dateTimeParam(now)}});
        }
        yyesc(store.db(), "T1");
        QSqlQuery q = store.db().exec("count", "select count(*), count(zxsj) from shyrzb");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
        QCOMPARE(q.value(1).toInt(), 1);
    }

    void categoriesAndGoodsLists() {
        TestStore store;
        splbpztj(store.db(), "02", "零食");
        splbpztj(store.db(), "01", "饮料");
        splbpzxg(store.db(), "02", "休闲食品");
        QSqlQuery cats = splbpz(store.db());
        QVERIFY(cats.next());
        QCOMPARE(cats.value("商品类别号").toString(), QString("01"));
        QVERIFY(cats.next());
        QCOMPARE(cats.value("商品类别名").toString(), QString("休闲食品"));

        sppztj(store.db(), "01", "A", "水");
        sppztj(store.db(), "02", "B", "薯片");
        sppzxg(store.db(), "B", "薯条");
        QSqlQuery goods = sppz(store.db(), "02");
        QVERIFY(goods.next());
        QCOMPARE(goods.value("商品号").toString(), QString("B"));
        QCOMPARE(goods.value(1).toString(), QString("薯条"));
        QVERIFY(!goods.next());
        sppzsc(store.db(), "B");
        QSqlQuery all = sppz1(store.db());
        int n = 0;
        while (all.next())
            ++n;
        QCOMPARE(n, 1);
    }

    void owedShiftsListed() {
        TestStore store;
        const QString sql = "insert into shyrzb(shyh,jsj,dlsj,qye,zxsj,yye,xye,bj) "
                            "values(:shyh,'T',:t,:qye,:t2,:yye,:xye,:bj)";
        const QVariant t = dateTimeParam(QDateTime::currentDateTime());
        store.db().exec("a", sql,
                        {{"shyh", "7"},
                         {"t", t},
                         {"t2", t},
                         {"qye", 150},
                         {"yye", 734.5},
                         {"xye", 184.5},
                         {"bj", kNotHandedIn}});
        store.db().exec("b", sql,
                        {{"shyh", "8"},
                         {"t", t},
                         {"t2", t},
                         {"qye", 150},
                         {"yye", 10},
                         {"xye", 160},
                         {"bj", kNotHandedIn}});
        store.db().exec("c", sql,
                        {{"shyh", "9"},
                         {"t", t},
                         {"t2", t},
                         {"qye", 150},
                         {"yye", 100},
                         {"xye", 150},
                         {"bj", kHandedIn}});
        QSqlQuery q = yyejs(store.db());
        QVERIFY(q.next());
        QCOMPARE(q.value("售货员号").toString(), QString("7"));
        QCOMPARE(q.value("应交金额").toDouble(), 700.0);
        QVERIFY(!q.next());
    }

    void statementErrorsNameTheStatement() {
        TestStore store;
        try {
            store.db().exec("my statement", "select * from no_such_table");
            QFAIL("no error");
        } catch (const DbError& e) {
            QVERIFY(e.text().startsWith("my statement: "));
        }
        QVERIFY_THROWS_EXCEPTION(DbError, store.db().exec("x", "select :a, :b", {{"a", 1}}));
        QVERIFY_THROWS_EXCEPTION(DbError, store.db().exec("x", "select :a", {{"a", 1}, {"aa", 2}}));
        // The same placeholder twice takes one value.
        addTill(store.db(), "T", 5);
        QSqlQuery q =
            store.db().exec("x", "select count(*) from jqb where ye=:a or yye=:a", {{"a", 5}});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }

    void transactionRollsBackAll() {
        TestStore store;
        try {
            Transaction t(store.db());
            splbpztj(store.db(), "01", "饮料");
            store.db().exec("fail", "insert into no_such_table values(1)");
            t.commit();
        } catch (const DbError&) {
        }
        QVERIFY(!store.db().inTransaction());
        QVERIFY(!splbpz(store.db()).next());
    }

    // A sale line's transaction does not wait for the disk; everything else
    // does, the transaction after it and a statement outside any included.
    void onlyLazyTransactionsSkipTheDiskWait() {
        TestStore store;
        Db& db = store.db();
        const QString setting = db.isSQLite() ? QStringLiteral("pragma synchronous")
                                              : QStringLiteral("show synchronous_commit");
        const auto current = [&] {
            QSqlQuery q = db.exec("setting", setting);
            return q.next() ? q.value(0).toString() : QString();
        };
        const QString durable = db.isSQLite() ? QStringLiteral("2") : QStringLiteral("on");
        const QString lazy = db.isSQLite() ? QStringLiteral("1") : QStringLiteral("off");
        QCOMPARE(current(), durable);
        {
            Transaction t(db, Durability::Lazy);
            QCOMPARE(current(), lazy);
            addCategory(db, "01", "饮料");
            t.commit();
        }
        QCOMPARE(current(), durable);
        {
            Transaction t(db);
            QCOMPARE(current(), durable);
            addCategory(db, "02", "食品");
            t.commit();
        }
        QSqlQuery both = db.exec("count", "select count(*) from hwlbpzb");
        QVERIFY(both.next());
        QCOMPARE(both.value(0).toInt(), 2);
    }

    void decrementRefusesNonPositiveQuantities() {
        TestStore store;
        addCategory(store.db(), "01", "饮料");
        addGoods(store.db(), "01", "6901234567892", "矿泉水", 2, 5);
        QVERIFY_THROWS_EXCEPTION(DbError, hwbsf(store.db(), "6901234567892", 0));
        QVERIFY_THROWS_EXCEPTION(DbError, hwbsf(store.db(), "6901234567892", -3));
        QCOMPARE(stockOf(store.db(), "6901234567892"), 5);
        QVERIFY(!hwbsf(store.db(), "no such goods", 1));
    }

    void peopleAreAdded() {
        TestStore store;
        insertClerk(store.db(), "1001", "张伟");
        QCOMPARE(shydl(store.db(), "1001")->mm, QString("1001")); // first password = number
        QCOMPARE(shydl(store.db(), "1001")->shym, QString("张伟"));
        insertAdministrator(store.db(), "2", "店长", "pw");
        QCOMPARE(glydl(store.db(), "2")->mm, QString("pw"));
        QVERIFY_THROWS_EXCEPTION(DbError, insertClerk(store.db(), "1001", "again"));
    }

    void storeIsCreatedOnce() {
        TestStore store;
        QVERIFY(schemaExists(store.db()));
        QVERIFY(!createStoreIfMissing(store.db()));
        QVERIFY_THROWS_EXCEPTION(DbError, createStore(store.db()));
        QVERIFY(!store.db().inTransaction());
        QSqlQuery q = store.db().exec("count", "select count(*) from company");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);
    }

    void openingFailuresAreErrors() {
        TestStore store;
        DataLink bad = store.link();
        if (bad.engine == Engine::SQLite) {
            QFile garbage(store.folder() + "/garbage.db");
            QVERIFY(garbage.open(QIODevice::WriteOnly));
            garbage.write(QByteArray(4096, '\x5a'));
            garbage.close();
            bad.dataSource = garbage.fileName();
            QVERIFY_THROWS_EXCEPTION(DbError, openDatabase(bad, "bad"));
            bad.dataSource = store.folder();
            QVERIFY_THROWS_EXCEPTION(DataLinkError, openDatabase(bad, "bad"));
            bad.dataSource = store.folder() + "/no/such/folder/store.db";
            QVERIFY_THROWS_EXCEPTION(DataLinkError, openDatabase(bad, "bad"));
        } else {
            bad.database = "no_such_store_database";
            QVERIFY_THROWS_EXCEPTION(DbError, openDatabase(bad, "bad"));
            bad = store.link();
            bad.port = 1;
            QVERIFY_THROWS_EXCEPTION(DbError, openDatabase(bad, "bad"));
        }
        // The store's own connection is unharmed.
        QVERIFY(glydl(store.db(), kFirstAdministratorNumber).has_value());
    }

    void demoStoreThroughTheTool() {
        const QString tool = QCoreApplication::applicationDirPath() + "/../tools/storetool";
        QVERIFY2(QFile::exists(tool), "storetool is built");
        TestStore store;
        store.writeDataLink(store.folder());
        const QString udl = store.folder() + "/link.udl";
        // Exit code and everything the tool printed.
        auto runTool = [&](const QStringList& args) {
            QProcess process;
            process.start(tool, args);
            if (!process.waitForFinished(60000))
                return qMakePair(-1, QString("did not finish"));
            return qMakePair(process.exitCode(), QString::fromUtf8(process.readAllStandardOutput() +
                                                                   process.readAllStandardError()));
        };
        const auto loaded = runTool({"demo", "--udl", udl, "--till", " 收银台-1 "});
        QVERIFY2(loaded.first == 0, qPrintable(loaded.second));

        Db& db = store.db();
        // Goods numbers are EAN-13 with a valid check digit, in known categories.
        int goods = 0;
        int low = 0;
        QSqlQuery all = sppz1(db);
        while (all.next()) {
            ++goods;
            const QString hwh = all.value(0).toString();
            QCOMPARE(hwh.size(), 13);
            QVERIFY(hwh.startsWith("69"));
            int sum = 0;
            for (int i = 0; i < 13; ++i)
                sum += hwh.at(i).digitValue() * (i % 2 ? 3 : 1);
            QVERIFY2(sum % 10 == 0, qPrintable(hwh));
            const auto item = hwhdw(db, hwh);
            QVERIFY(item.has_value());
            QVERIFY(!item->hwlbm.isEmpty());
            QVERIFY(item->dj > 0);
            if (item->kcl <= 10)
                ++low;
            // The stock is what the log says came in.
            QSqlQuery in = db.exec(
                "in", "select sum(sl),count(*),min(glyh) from hwrzb where hwh=:hwh and crk=:crk",
                {{"hwh", hwh}, {"crk", kStockIn}});
            QVERIFY(in.next());
            QCOMPARE(in.value(0).toInt(), item->kcl);
            QCOMPARE(in.value(2).toString(), kFirstAdministratorNumber);
        }
        QVERIFY(goods >= 30);
        QVERIFY(low > 0 && low < goods);
        QCOMPARE(shydl(db, "1001")->mm, QString("1001"));
        QCOMPARE(yyetj(db, "收银台-1"), 0.0);
        QSqlQuery till =
            db.exec("till", "select ye,zt,shyh from jqb where jsj=:jsj", {{"jsj", "收银台-1"}});
        QVERIFY(till.next());
        QCOMPARE(till.value(0).toDouble(), 200.0);
        QCOMPARE(till.value(1).toString(), kTillStandby);
        QVERIFY(till.value(2).isNull());

        const auto shown = runTool({"show", "--udl", udl});
        QVERIFY2(shown.first == 0 && shown.second.contains("1001 张伟") &&
                     shown.second.contains("收银台-1"),
                 qPrintable(shown.second));
        // A second load would collide with the first: refused, nothing written.
        const auto again = runTool({"demo", "--udl", udl});
        QVERIFY2(again.first == 1 && again.second.contains("already holds"),
                 qPrintable(again.second));
        const auto create = runTool({"create", "--udl", udl});
        QVERIFY2(create.first == 1 && create.second.contains("already has"),
                 qPrintable(create.second));
        const auto permanent = runTool({"demo", "--udl", udl, "--till", "HWB"});
        QVERIFY2(permanent.first == 1 && permanent.second.contains("HWB"),
                 qPrintable(permanent.second));
        QSqlQuery count = db.exec("count", "select count(*) from hwpzb");
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), goods);
    }

  private:
    static QString kFirstAdministratorNumberForTest();
};

#include "storedb/schema.h"
QString TestProcedures::kFirstAdministratorNumberForTest() {
    return kFirstAdministratorNumber;
}

STORE_TEST_MAIN(TestProcedures)
#include "tst_procedures.moc"
