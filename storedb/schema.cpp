#include "storedb/schema.h"

#include "storedb/connection.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"

#include <QFile>
#include <QLoggingCategory>

// The scripts live in a static library's resources, which must be registered
// by hand before first use.
static void loadSchemaResources() {
    Q_INIT_RESOURCE(schema);
}

namespace storedb {

namespace {
Q_LOGGING_CATEGORY(lcSchema, "orvani.schema")
} // namespace

const QStringList& permanentTables() {
    static const QStringList tables{
        QStringLiteral("glyb"),
        QStringLiteral("shyb"),
        QStringLiteral("jqb"),
        QStringLiteral("shyrzb"),
        QStringLiteral("hwlbpzb"),
        QStringLiteral("hwpzb"),
        QStringLiteral("hwb"),
        QStringLiteral("hwrzb"),
        QStringLiteral("company"),
        kLogTotalsTable,
        QStringLiteral("tilllease"),
        QStringLiteral("salebill"),
        QStringLiteral("salereturn"),
        QStringLiteral("settlement"),
        QStringLiteral("settlementshift"),
        QStringLiteral("changerecord"),
        QStringLiteral("dayclose"),
        QStringLiteral("passwordreset"),
        QStringLiteral("passwordchangedue"),
    };
    return tables;
}

bool schemaExists(const Db& db) {
    const QString sql =
        db.isSQLite()
            ? QStringLiteral("select count(*) from sqlite_master where type='table' and name=:name")
            : QStringLiteral("select count(*) from information_schema.tables "
                             "where table_schema=current_schema() and table_name=:name");
    QSqlQuery query = db.exec(QStringLiteral("schema check"), sql,
                              {{QStringLiteral("name"), QStringLiteral("company")}});
    return query.next() && query.value(0).toInt() > 0;
}

QString schemaScript(const Db& db) {
    loadSchemaResources();
    QFile file(db.isSQLite() ? QStringLiteral(":/storedb/schema/sqlite.sql")
                             : QStringLiteral(":/storedb/schema/postgresql.sql"));
    if (!file.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("schema: 建表脚本缺失"));
    return QString::fromUtf8(file.readAll());
}

namespace {

// A statement read up to a ";" goes on when that ";" is inside a function
// body ($$ ... $$) or ends a statement of a trigger's begin ... end, which
// closes with an "end" of its own after the last one.
bool statementOpen(const QString& statement, const QString& lastPiece) {
    if (statement.count(QStringLiteral("$$")) % 2 != 0)
        return true;
    const QString text = statement.trimmed().toLower();
    return text.startsWith(QStringLiteral("create trigger")) &&
           text.contains(QStringLiteral(" begin")) &&
           lastPiece.trimmed().compare(QStringLiteral("end"), Qt::CaseInsensitive) != 0;
}

// The script's statements, comments left out.
QStringList scriptStatements(const Db& db) {
    QString script;
    for (const QString& line : schemaScript(db).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            script += line + QLatin1Char('\n');
    }
    QStringList statements;
    QString statement;
    for (const QString& piece : script.split(QLatin1Char(';'))) {
        statement += piece;
        if (statementOpen(statement, piece)) {
            statement += QLatin1Char(';');
            continue;
        }
        if (!statement.trimmed().isEmpty())
            statements << statement.trimmed();
        statement.clear();
    }
    return statements;
}

bool indexExists(const Db& db, const QString& name) {
    QSqlQuery q = db.exec(
        QStringLiteral("index check"),
        db.isSQLite()
            ? QStringLiteral("select count(*) from sqlite_master where type='index' and name=:name")
            : QStringLiteral("select count(*) from pg_indexes where schemaname=current_schema() "
                             "and indexname=:name"),
        {{QStringLiteral("name"), name}});
    return q.next() && q.value(0).toInt() > 0;
}

void createTables(Db& db) {
    for (const QString& statement : scriptStatements(db))
        db.exec(QStringLiteral("create schema"), statement);
    db.exec(
        QStringLiteral("create company"),
        QStringLiteral(
            "insert into company(company,welcome,sl,accountnum) values(:company,:welcome,:sl,0)"),
        {{QStringLiteral("company"), QStringLiteral("超市")},
         {QStringLiteral("welcome"), QStringLiteral("谢谢惠顾,欢迎再次光临!")},
         {QStringLiteral("sl"), 10}});
    db.exec(QStringLiteral("first administrator"),
            QStringLiteral("insert into glyb values(:glyh,:glym,:mm)"),
            {{QStringLiteral("glyh"), kFirstAdministratorNumber},
             {QStringLiteral("glym"), kFirstAdministratorName},
             {QStringLiteral("mm"), kFirstAdministratorPassword}});
}

} // namespace

void createStore(Db& db) {
    Transaction transaction(db);
    createTables(db);
    transaction.commit();
}

bool tableExists(const Db& db, const QString& name) {
    QSqlQuery q = db.exec(
        QStringLiteral("table check"),
        db.isSQLite()
            ? QStringLiteral("select count(*) from sqlite_master where type='table' and name=:name")
            : QStringLiteral("select count(*) from information_schema.tables "
                             "where table_schema=current_schema() and table_name=:name"),
        {{QStringLiteral("name"), name}});
    return q.next() && q.value(0).toInt() > 0;
}

namespace {

// SQLite stores whose triggers added each movement's amount as it came: over
// millions of movements the floating-point total strayed from the log by fen.
bool logTriggersOutdated(const Db& db) {
    if (!db.isSQLite())
        return false; // numeric on the server: exact
    QSqlQuery q = db.exec(QStringLiteral("log totals triggers"),
                          QStringLiteral("select count(*) from sqlite_master where type='trigger' "
                                         "and name like 'hwrzb_hj_%' and sql not like '%round(%'"));
    return q.next() && q.value(0).toInt() > 0;
}

// A store made before the log's running totals, or with outdated triggers:
// the script's statements for them, then the totals of the log as it stands,
// with no movement written in between (on SQLite the transaction holds the
// write lock; on PostgreSQL the log is locked against writers until commit).
void addLogTotals(Db& db) {
    if (tableExists(db, kLogTotalsTable) && !logTriggersOutdated(db))
        return;
    Transaction transaction(db);
    if (!db.isSQLite())
        db.exec(QStringLiteral("lock log"),
                QStringLiteral("lock table hwrzb in share row exclusive mode"));
    const bool missing = !tableExists(db, kLogTotalsTable);
    if (!missing && !logTriggersOutdated(db))
        return; // another program was first
    static const QString kTrigger = QStringLiteral("create trigger ");
    for (const QString& statement : scriptStatements(db)) {
        if (!statement.contains(kLogTotalsTable))
            continue;
        const bool trigger = statement.startsWith(kTrigger, Qt::CaseInsensitive);
        if (!missing && trigger) {
            const QString name = statement.mid(kTrigger.size()).section(QLatin1Char(' '), 0, 0);
            db.exec(QStringLiteral("outdated log totals"),
                    QStringLiteral("drop trigger if exists %1").arg(name));
        }
        if (missing || trigger)
            db.exec(QStringLiteral("add log totals"), statement);
    }
    db.exec(
        QStringLiteral("log totals"),
        QStringLiteral("update hwrzhjb set rkje=l.rk,ckje=l.ck from (%1) l").arg(logTotalsSql(db)),
        {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
    transaction.commit();
}

// What the creation script has added since the first stores were made: its
// "create table if not exists" and "create index if not exists" statements,
// with the name of what each makes, tables first (an index may need one).
struct AddedObject {
    QString name;
    QString statement;
    bool table = false;
};
QList<AddedObject> addedObjects(const Db& db) {
    static const QString kTable = QStringLiteral("create table if not exists ");
    static const QString kIndex = QStringLiteral("create index if not exists ");
    QList<AddedObject> tables;
    QList<AddedObject> indexes;
    for (const QString& statement : scriptStatements(db)) {
        for (const bool table : {true, false}) {
            const QString& head = table ? kTable : kIndex;
            if (!statement.startsWith(head, Qt::CaseInsensitive))
                continue;
            const QString name = statement.mid(head.size())
                                     .section(QLatin1Char(' '), 0, 0)
                                     .section(QLatin1Char('('), 0, 0)
                                     .trimmed();
            (table ? tables : indexes).append(AddedObject{name, statement, table});
        }
    }
    return tables + indexes;
}

bool objectExists(const Db& db, const AddedObject& object) {
    return object.table ? tableExists(db, object.name) : indexExists(db, object.name);
}

} // namespace

QString logTotalsSql(const Db& db) {
    // In whole fen, in any order of the rows: exact on both engines.
    return QStringLiteral(
               "select coalesce(sum(case when crk=:rk then round(sl*rhj*100) end),0)/100.0 as rk,"
               "coalesce(sum(case when crk=:ck then round(sl*dj*100) end),0)/100.0 as ck from %1")
        .arg(wholeTable(db, QStringLiteral("hwrzb")));
}

bool upgradeNeeded(const Db& db) {
    for (const AddedObject& object : addedObjects(db)) {
        if (!objectExists(db, object))
            return true;
    }
    return !tableExists(db, kLogTotalsTable) || logTriggersOutdated(db);
}

void addMissingIndexes(Db& db) {
    qCInfo(lcSchema, "bringing an older store up to date");
    for (const AddedObject& object : addedObjects(db)) {
        if (!objectExists(db, object))
            db.exec(object.table ? QStringLiteral("add table") : QStringLiteral("add index"),
                    object.statement);
    }
    addLogTotals(db);
}

bool createStoreIfMissing(Db& db) {
    // Checked again inside the write transaction: two programs opening a new
    // file at the same moment must not both create it (the second would fail
    // half-way, or add a second settings row).
    Transaction transaction(db);
    if (schemaExists(db))
        return false;
    createTables(db);
    transaction.commit();
    return true;
}

} // namespace storedb
