// What the store keeps as numbers, names, passwords and settings, the same on
// every engine; goods deleted with their stock; a store that must exist.

#include "storedb/catalog.h"
#include "storedb/columntext.h"
#include "storedb/datamodule.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"
#include "support/teststore.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <functional>

using namespace storedb;
using namespace testsupport;

namespace {
int count(Db& db, const QString& sql, const QString& v) {
    QSqlQuery q = db.exec("count", sql, {{"v", v}});
    return q.next() ? q.value(0).toInt() : -1;
}

QString refusal(const std::function<void()>& write) {
    try {
        write();
    } catch (const Error& e) {
        return e.userText();
    }
    return "accepted";
}
} // namespace

class TestStoreValues : public QObject {
    Q_OBJECT

  private slots:
    void numbersAndNamesFollowOneRule() {
        TestStore store;
        Db& db = store.db();
        addCategory(db, "01", "饮料");
        QCOMPARE(normalizeCode(QString(" A 1\t\u3000 ")), QString(" A 1"));
        const QList<std::tuple<QString, std::function<void(const QString&)>, QString>> fields{
            {"商品号", [&](const QString& v) { addGoodsToCategory(db, "饮料", v, "货"); },
             "select count(*) from hwpzb where hwh=:v"},
            {"商品名称", [&](const QString& v) { sppzxg(db, "A1", v); },
             "select count(*) from hwpzb where hwm=:v"},
            {"售货员号", [&](const QString& v) { insertClerk(db, v, "人"); },
             "select count(*) from shyb where shyh=:v"},
            {"管理员名", [&](const QString& v) { insertAdministrator(db, "9", v, "p"); },
             "select count(*) from glyb where glym=:v"},
        };
        addGoodsToCategory(db, "饮料", "A1", "可乐");
        const QString widest(kCodeWidth, QChar(0x6C34)); // 50 x 水, 150 bytes in UTF-8
        for (const auto& [label, write, found] : fields) {
            QCOMPARE(refusal([&] { write(widest + "x"); }), label + "不能超过50个字符！");
            QCOMPARE(refusal([&] { write("Z7 "); }), label + "的末尾不能有空格！");
            if (label.endsWith("号"))
                QCOMPARE(refusal([&] { write("  "); }), label + "不能全是空格！");
            QCOMPARE(count(db, found, widest + "x") + count(db, found, "Z7 "), 0);
            write(widest); // kept whole, and found by it
            QCOMPARE(count(db, found, widest), 1);
        }
        // Tills: names the till can find and use for its sale table.
        for (const QString& jsj : QStringList{"jqb", "HwB", "t ", " t", "", "t" + widest})
            QVERIFY_THROWS_EXCEPTION(Error, jsjzc(db, jsj, {}, 0, 0, kTillStandby));
        QCOMPARE(refusal([&] { jsjzc(db, "t", {}, -1, 0, kTillStandby); }),
                 QString("初始营业额必须是0到99999999.9之间的数！"));
        QCOMPARE(count(db, "select count(*) from jqb where jsj<>:v", ""), 0);
    }

    void deletedGoodsTakeTheirStock() {
        TestStore store;
        Db& db = store.db();
        addCategory(db, "01", "饮料");
        for (const QString hwh : {"A1", "A2", "A3"})
            addGoods(db, "01", hwh, "货", 3.5, 20);
        jrhwrzb(db, Movement{"A1", "01", 3.5, 20, 2, QDate(2026, 1, 5), "1", kStockIn, "厂"});
        QVERIFY(deleteGoods(db, "A1"));
        QVERIFY(!deleteGoods(db, "A1"));
        QCOMPARE(stockOf(db, "A1"), -1);
        QCOMPARE(stockOf(db, "A2"), 20);
        QCOMPARE(count(db, "select count(*) from hwrzb where hwh=:v", "A1"), 1);
        sppzsc(db, "A3");                        // the catalogue row only, as deletes once did
        for (const QString hwh : {"A1", "A3"}) { // added again: no old stock or price
            QVERIFY(addGoodsToCategory(db, "饮料", hwh, "新"));
            QCOMPARE(hwhdw(db, hwh)->kcl, 0);
            QCOMPARE(hwhdw(db, hwh)->dj, 0.0);
        }
    }

    void nullPasswordNeverMatches() {
        TestStore store;
        store.db().exec("clerk", "insert into shyb values('7','王芳',null),('8','李强','')");
        store.db().exec("admin", "insert into glyb values('7','店长',null)");
        QVERIFY(shydl(store.db(), "7")->mm != QString());
        QVERIFY(glydl(store.db(), "7")->mm != QString());
        QVERIFY(!(shydl(store.db(), "8")->mm != QString())); // a stored empty one counts
    }

    void settingsAndTypedNumbers() {
        TestStore store;
        ShopSettings settings = loadShopSettings(store.db());
        settings.sl = -5;
        QCOMPARE(refusal([&] { saveShopSettings(store.db(), settings); }),
                 QString("报警库存量必须是大于或等于0的整数！"));
        QCOMPARE(loadShopSettings(store.db()).sl, 10);
        QCOMPARE(refusal([] { toInteger("输入删除的货物编号"); }),
                 QString("'输入删除的货物编号' 不是有效的整数"));
        QCOMPARE(refusal([] { toNumber("1.2.3"); }), QString("'1.2.3' 不是有效的数字"));
    }

    // A NUL pasted into any box reaches no statement: the user is told, and
    // neither a look-up nor a write goes to the server with a cut value.
    void textWithNulIsRefusedBeforeTheServer() {
        TestStore store;
        addClerk(store.db(), "1001", "王芳", "pw");
        const QString withNul = QStringLiteral("1001") + QChar(0) + QStringLiteral("x");
        QCOMPARE(refusal([&] { shydl(store.db(), withNul); }),
                 QString("输入的内容含有无效字符,请重新输入！"));
        QCOMPARE(refusal([&] {
                     store.db().exec("rename", "update shyb set shym=:shym where shyh='1001'",
                                     {{"shym", withNul}});
                 }),
                 QString("输入的内容含有无效字符,请重新输入！"));
        QCOMPARE(shydl(store.db(), "1001")->shym, QString("王芳"));
    }

    // A list read through to its end (an export, a migration) keeps no row
    // it has passed: with the mode lost, ten million rows were all kept.
    void rowsReadForwardAreNotKept() {
        TestStore store;
        addClerk(store.db(), "1001", "王芳", "pw");
        addClerk(store.db(), "1002", "李强", "pw");
        QSqlQuery rows = store.db().execForward("clerks", "select shyh from shyb order by shyh");
        QVERIFY(rows.isForwardOnly());
        QVERIFY(rows.next() && rows.next());
        QTest::ignoreMessage(QtWarningMsg,
                             "QSqlQuery::seek: cannot seek backwards in a forward only query");
        QVERIFY(!rows.seek(0)); // gone once passed
    }

    void storeMustExist() {
        // A SQLite link to a missing file (the same check on either run).
        QTemporaryDir dir;
        DataLink missing;
        missing.dataSource = dir.filePath("store.db");
        QVERIFY_THROWS_EXCEPTION(DataLinkError,
                                 openDatabase(missing, "till", StoreCreation::MustExist));
        QVERIFY(!QFileInfo::exists(missing.dataSource));
        QVERIFY(schemaExists(*openDatabase(missing, "office", StoreCreation::MayCreate)));
        // The engine under test, through the data module as the till opens it.
        TestStore store;
        addClerk(store.db(), "1001", "王芳", "pw");
        store.writeDataLink(store.folder());
        setProgramDirectory(store.folder());
        DataModule till("client");
        till.open(StoreCreation::MustExist);
        QCOMPARE(till.db().engine(), engineUnderTest());
        QCOMPARE(shydl(till.db(), "1001")->shym, QString("王芳"));
    }

    // A store made before an index was added to the creation script gets it
    // when a program opens it; the store's rows stay as they were.
    void olderStoreGetsNewIndexes() {
        TestStore store;
        addClerk(store.db(), "1001", "王芳", "pw");
        const auto indexes = [&store] {
            QSqlQuery q = store.db().exec(
                "indexes", engineUnderTest() == Engine::SQLite
                               ? "select count(*) from sqlite_master where type='index' and "
                                 "name in ('hwb_kcl','hwrzb_crk_hwh_crhsj','hwrzb_num',"
                                 "'salereturn_original')"
                               : "select count(*) from pg_indexes where indexname in "
                                 "('hwb_kcl','hwrzb_crk_hwh_crhsj','hwrzb_num',"
                                 "'salereturn_original')");
            return q.next() ? q.value(0).toInt() : -1;
        };
        QCOMPARE(indexes(), 4);
        store.db().exec("older store", "drop index hwb_kcl");
        store.db().exec("older store", "drop index hwrzb_crk_hwh_crhsj");
        store.db().exec("older store", "drop table tilllease");
        store.db().exec("older store", "drop table salebill");
        store.db().exec("older store", "drop table salereturn");
        store.db().exec("older store", "drop index hwrzb_num");
        QCOMPARE(indexes(), 0);
        QVERIFY(upgradeNeeded(store.db()));
        openDatabase(store.link(), "office", StoreCreation::MustExist);
        QCOMPARE(indexes(), 4);
        for (const char* table : {"tilllease", "salebill", "salereturn"})
            QVERIFY(tableExists(store.db(), table));
        QVERIFY(!upgradeNeeded(store.db()));
        QCOMPARE(shydl(store.db(), "1001")->shym, QString("王芳"));
    }
};

STORE_TEST_MAIN(TestStoreValues)
#include "tst_store_values.moc"
