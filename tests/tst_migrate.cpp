// Moving a store between the engines as a shop does it: to the other engine
// and back, and within one, gives the same rows value for value, the same log
// totals, bill counter and books; the row counters go on where the source's
// left off. A target with a store, a till on duty or a copy that fails half
// way leaves the target as it was.

#include "storedb/backup.h"
#include "storedb/correction.h"
#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/integrity.h"
#include "storedb/migrate.h"
#include "storedb/schema.h"
#include "storedb/settlement.h"
#include "storegen.h"
#include "support/storetool.h"
#include "support/teststore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <algorithm>

using namespace testsupport;
using storedb::Db;
using storedb::Engine;

namespace {

const QDate kLastDay(2026, 12, 8);

Engine otherEngine() {
    return engineUnderTest() == Engine::SQLite ? Engine::PostgreSQL : Engine::SQLite;
}

QString writeUdl(const QString& folder, const QString& name, const storedb::DataLink& link) {
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(storedb::dataLinkText(link).toUtf8()) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QProcess* startStoretool(const QStringList& args) {
    auto* tool = new QProcess;
    tool->start(storetoolPath(), args);
    return tool;
}

// Every row of a table as text, sorted: both engines' values in one form
// (times as the store writes them, numbers to the fen).
QStringList contents(const storedb::DataLink& link, const QString& table) {
    auto db = storedb::connectDatabase(link, "contents");
    QSqlQuery q = db->exec("contents", QString("select * from %1").arg(table));
    QStringList rows;
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < q.record().count(); ++c) {
            const QVariant v = q.value(c);
            if (v.isNull())
                row << "null";
            else if (v.typeId() == QMetaType::QDateTime)
                row << storedb::dateTimeParam(v.toDateTime()).toString();
            else if (v.typeId() == QMetaType::QString)
                row << v.toString();
            else
                row << QString::number(v.toDouble(), 'f', 2);
        }
        rows << row.join('|');
    }
    rows.sort();
    return rows;
}

bool noStore(const storedb::DataLink& link) {
    if (link.engine == Engine::SQLite)
        return !QFile::exists(link.dataSource);
    auto db = storedb::connectDatabase(link, "look");
    const QStringList& tables = storedb::permanentTables();
    return std::none_of(tables.cbegin(), tables.cend(),
                        [&](const QString& t) { return storedb::tableExists(*db, t); });
}

// The log row number the store gives out next.
qint64 nextLogRow(const storedb::DataLink& link) {
    auto db = storedb::connectDatabase(link, "next");
    db->exec("probe",
             "insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,crk,hwly) "
             "values('probe','C001',1,0,1,:day,'入库','probe')",
             {{"day", storedb::dateParam(kLastDay)}});
    QSqlQuery q = db->exec("probe", "select max(bh) from hwrzb");
    q.next();
    const qint64 bh = q.value(0).toLongLong();
    db->exec("probe", "delete from hwrzb where bh=:bh", {{"bh", bh}});
    return bh;
}

} // namespace

class TestMigrate : public QObject {
    Q_OBJECT

    std::unique_ptr<TestStore> store;

  private slots:
    // A small shop with a settlement, a price change (a price of eight digits:
    // no digit lost on the way) and a closed day, whose
    // newest log row was deleted: its counter is past the largest row.
    void init() {
        store = std::make_unique<TestStore>();
        storegen::Scale s;
        s.goods = 300;
        s.categories = 5;
        s.movements = 5000;
        s.tills = 3;
        s.clerks = 4;
        s.shifts = 60;
        s.days = 40;
        const storegen::Generated made = storegen::generate(store->db(), s, 5, kLastDay);
        const QDateTime now(kLastDay, QTime(9, 30, 15));
        QSqlQuery owed = storedb::owedShiftsOf(store->db(), made.busiestClerk);
        QList<storedb::OwedShift> shifts;
        while (owed.next())
            shifts << storedb::owedShiftOf(owed.record());
        QVERIFY(storedb::recordSettlement(store->db(), "1", made.busiestClerk, shifts,
                                          storedb::totalDue(shifts) + 0.5, now));
        QVERIFY(
            storedb::changeUnitPrice(store->db(), storegen::goodsNumber(7), 1234567.8, "1", now));
        storedb::closeDay(store->db(), kLastDay.addDays(-1), "1", now);
        // What a copy's text form must carry through: tab, line ends, a
        // backslash, its null marker as text.
        store->db().exec("hostile text",
                         "update hwrzb set hwly=:t where bh=(select min(bh) from hwrzb)",
                         {{"t", QStringLiteral("甲\t乙\\N丙\n丁\r\"")}});
        nextLogRow(store->link());
    }
    void cleanup() { store.reset(); }

    void roundTrip_data() {
        QTest::addColumn<bool>("viaOtherEngine");
        QTest::newRow("to the other engine and back") << true;
        QTest::newRow("within the engine") << false;
    }
    void roundTrip() {
        QFETCH(bool, viaOtherEngine);
        EmptyTarget middle(viaOtherEngine ? otherEngine() : engineUnderTest());
        EmptyTarget last;
        QStringList steps;
        const auto progress = [&](const QString& step, qint64 done, qint64 total) {
            QVERIFY(done <= total);
            if (done == total)
                steps << step;
        };
        storedb::Migrated there = storedb::migrateStore(store->link(), middle.link(), progress);
        QVERIFY(there.kept && there.agrees());
        QVERIFY(steps.contains("hwrzb"));
        storedb::Migrated back = storedb::migrateStore(middle.link(), last.link());
        QVERIFY(back.kept && back.agrees());
        QVERIFY2(back.targetFindings.isEmpty(), qPrintable(back.targetFindings.join('\n')));

        const auto rows = storedb::tableRows(store->link());
        for (const auto* link : {&middle.link(), &last.link()}) {
            QCOMPARE(storedb::tableRows(*link), rows);
            for (const QString& table : storedb::permanentTables())
                QCOMPARE(contents(*link, table), contents(store->link(), table));
        }
        const qint64 next = nextLogRow(store->link());
        QCOMPARE(nextLogRow(middle.link()), next);
        QCOMPARE(nextLogRow(last.link()), next);
    }

    // The log totals are the source's as they stand, even where they do not
    // agree with the log: the books check then finds the same on both sides.
    void logTotalsCopiedAsTheyStand() {
        store->db().exec("drift", "update hwrzhjb set rkje=rkje+1");
        EmptyTarget target(otherEngine());
        const storedb::Migrated migrated = storedb::migrateStore(store->link(), target.link());
        QVERIFY(migrated.kept && migrated.agrees());
        QCOMPARE(migrated.targetFindings.size(), 1);
        QCOMPARE(contents(target.link(), "hwrzhjb"), contents(store->link(), "hwrzhjb"));
    }

    // Through storetool: each refusal says why, exits with 1 and leaves the
    // target as it was.
    void refused_data() {
        QTest::addColumn<QString>("arrange");
        QTest::addColumn<QString>("message");
        QTest::newRow("target has a store") << "store"
                                            << "已经有数据,迁移只能迁移到新的数据库";
        QTest::newRow("tills on duty") << "online"
                                       << "收款机 POS01、POS03 正在营业,不能迁移数据库。";
    }
    void refused() {
        QFETCH(QString, arrange);
        QFETCH(QString, message);
        EmptyTarget target;
        if (arrange == "store") {
            storedb::createStore(*storedb::connectDatabase(target.link(), "made"));
        } else {
            store->db().exec("on duty", "update jqb set zt=:zt where jsj in ('POS01','POS03')",
                             {{"zt", QStringLiteral("在线")}});
        }
        const QStringList before =
            arrange == "store" ? contents(target.link(), "glyb") : QStringList();
        const auto [code, output] =
            runStoretool({"migrate", "--udl", writeUdl(store->folder(), "s.udl", store->link()),
                          "--to", writeUdl(store->folder(), "t.udl", target.link())});
        QCOMPARE(code, 1);
        QVERIFY2(output.contains(message), qPrintable(output));
        if (arrange == "store")
            QCOMPARE(contents(target.link(), "glyb"), before);
        else
            QVERIFY(noStore(target.link()));
    }

    // A value the server refuses, in the last table copied: nothing of the
    // copy is left on the server.
    void failedCopyLeavesNothing() {
        EmptyTarget sqliteCopy(Engine::SQLite);
        storedb::DataLink source = store->link();
        if (source.engine != Engine::SQLite) {
            QVERIFY(storedb::migrateStore(source, sqliteCopy.link()).kept);
            source = sqliteCopy.link();
        }
        storedb::connectDatabase(source, "spoil")
            ->exec("spoil", "insert into passwordchangedue(kind,number) values(:k,:n)",
                   {{"k", QString(20, 'x')}, {"n", "1"}});
        EmptyTarget server(Engine::PostgreSQL);
        try {
            storedb::migrateStore(source, server.link());
            QFAIL("a value too wide for the server's column was copied");
        } catch (const storedb::MigrateError& e) {
            QVERIFY2(e.userText().startsWith("迁移失败,目标没有改变"), qPrintable(e.userText()));
        }
        QVERIFY(noStore(server.link()));
    }

    // Killed at moments spread over its run, storetool leaves either the
    // whole store at the target or none.
    void killedMigrationLeavesWholeOrNothing() {
        const QString from = writeUdl(store->folder(), "s.udl", store->link());
        const auto rows = storedb::tableRows(store->link());
        QElapsedTimer clock;
        qint64 run = 0;
        {
            EmptyTarget target;
            clock.start();
            QCOMPARE(runStoretool({"migrate", "--udl", from, "--to",
                                   writeUdl(store->folder(), "t.udl", target.link())})
                         .code,
                     0);
            run = clock.elapsed();
        }
        int whole = 0;
        int none = 0;
        for (qint64 delayMs = run / 10; delayMs <= run + 20;
             delayMs += std::max<qint64>(5, run / 8)) {
            EmptyTarget target;
            std::unique_ptr<QProcess> tool(
                startStoretool({"migrate", "--udl", from, "--to",
                                writeUdl(store->folder(), "t.udl", target.link())}));
            QVERIFY(tool->waitForStarted());
            QThread::msleep(delayMs);
            tool->kill();
            tool->waitForFinished();
            if (target.link().engine == Engine::PostgreSQL)
                QThread::msleep(200); // the server notices the dead client
            if (noStore(target.link())) {
                ++none;
            } else {
                QCOMPARE(storedb::tableRows(target.link()), rows);
                ++whole;
            }
        }
        QVERIFY2(none > 0, "no kill landed before the copy was kept");
        qInfo("killed %d times: %d whole, %d none", whole + none, whole, none);
    }
};

STORE_TEST_MAIN(TestMigrate)
#include "tst_migrate.moc"
