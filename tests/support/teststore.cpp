#include "support/teststore.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace testsupport {

storedb::Engine engineUnderTest() {
    const QByteArray engine = qgetenv("STORE_TEST_ENGINE").toLower();
    return engine == "postgresql" ? storedb::Engine::PostgreSQL : storedb::Engine::SQLite;
}

QString engineLabel() {
    return engineUnderTest() == storedb::Engine::PostgreSQL ? QStringLiteral("postgresql")
                                                            : QStringLiteral("sqlite");
}

namespace {

storedb::DataLink serverLink(const QString& database) {
    storedb::DataLink link;
    link.engine = storedb::Engine::PostgreSQL;
    link.dataSource = qEnvironmentVariable("STORE_PG_HOST");
    link.port = qEnvironmentVariableIntValue("STORE_PG_PORT");
    link.user = qEnvironmentVariable("STORE_PG_USER");
    link.database = database;
    if (link.dataSource.isEmpty() || link.port == 0)
        qFatal("PostgreSQL tests need the server of scripts/test (STORE_PG_HOST and STORE_PG_PORT "
               "are not set)");
    return link;
}

// Runs one statement on the server's maintenance database.
void onServer(const QString& sql) {
    const QString name = QStringLiteral("maintenance");
    {
        const storedb::DataLink link = serverLink(QStringLiteral("postgres"));
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        admin.setHostName(link.dataSource);
        admin.setPort(link.port);
        admin.setUserName(link.user);
        admin.setDatabaseName(link.database);
        if (!admin.open())
            qFatal("cannot reach the PostgreSQL test server: %s",
                   qPrintable(admin.lastError().text()));
        QSqlQuery query(admin);
        if (!query.exec(sql))
            qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        admin.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// An empty server database of this test process, named after it so that
// parallel runs never meet; dropped with dropDatabase().
QString createDatabase(const QString& prefix) {
    const QString name = QStringLiteral("%1_%2_%3")
                             .arg(prefix)
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->generate());
    onServer(QStringLiteral("create database %1 encoding 'UTF8' template template0").arg(name));
    return name;
}

void dropDatabase(const QString& name) {
    if (!name.isEmpty())
        onServer(QStringLiteral("drop database if exists %1 with (force)").arg(name));
}

} // namespace

TestStore::TestStore() {
    if (engineUnderTest() == storedb::Engine::SQLite) {
        link_.engine = storedb::Engine::SQLite;
        link_.dataSource = dir_.filePath(QStringLiteral("store.db"));
        db_ = storedb::openDatabase(link_);
        return;
    }
    pgDatabase_ = createDatabase(QStringLiteral("t"));
    link_ = serverLink(pgDatabase_);
    db_ = storedb::openDatabase(link_);
    storedb::createStore(*db_);
}

TestStore::~TestStore() {
    db_.reset();
    dropDatabase(pgDatabase_);
}

EmptyTarget::EmptyTarget(storedb::Engine engine) {
    if (engine == storedb::Engine::SQLite) {
        link_.engine = storedb::Engine::SQLite;
        link_.dataSource = dir_.filePath(QStringLiteral("target.db"));
        return;
    }
    pgDatabase_ = createDatabase(QStringLiteral("e"));
    link_ = serverLink(pgDatabase_);
}

EmptyTarget::~EmptyTarget() {
    dropDatabase(pgDatabase_);
}

void TestStore::writeDataLink(const QString& folder) const {
    QFile file(folder + QStringLiteral("/link.udl"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write link.udl");
    file.write(storedb::dataLinkText(link_).toUtf8());
}

std::unique_ptr<storedb::Db> TestStore::openAnother(const QString& connectionName) const {
    return storedb::openDatabase(link_, connectionName);
}

void addCategory(storedb::Db& db, const QString& hwlbh, const QString& hwlbm) {
    storedb::splbpztj(db, hwlbh, hwlbm);
}

void addGoods(storedb::Db& db, const QString& hwlbh, const QString& hwh, const QString& hwm,
              double dj, int kcl) {
    storedb::sppztj(db, hwlbh, hwh, hwm);
    storedb::xghwb2(db, hwlbh, hwh, dj, kcl);
}

void addClerk(storedb::Db& db, const QString& shyh, const QString& shym, const QString& mm) {
    db.exec(QStringLiteral("add clerk"), QStringLiteral("insert into shyb values(:shyh,:shym,:mm)"),
            {{QStringLiteral("shyh"), shyh},
             {QStringLiteral("shym"), shym},
             {QStringLiteral("mm"), mm}});
}

void addTill(storedb::Db& db, const QString& jsj, double ye) {
    storedb::jsjzc(db, jsj, QVariant(), ye, 0, storedb::kTillStandby);
}

int stockOf(storedb::Db& db, const QString& hwh) {
    QSqlQuery q =
        db.exec(QStringLiteral("stock of"), QStringLiteral("select kcl from hwb where hwh=:hwh"),
                {{QStringLiteral("hwh"), hwh}});
    return q.next() ? q.value(0).toInt() : -1;
}

} // namespace testsupport
