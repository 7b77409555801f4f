#include "storedb/migrate.h"

#include "storedb/connection.h"
#include "storedb/integrity.h"
#include "storedb/procedures.h"
#include "storedb/schema.h"
#include "storedb/servercopy.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>

namespace storedb {

namespace {
Q_LOGGING_CATEGORY(lcMigrate, "orvani.migrate")

const QString kPartial = QStringLiteral(".partial");

// Rows into a file go many to a statement (copyToFile).
const int kRowsPerStatement = 2000;
const qsizetype kCharsPerStatement = 1 << 20;

[[noreturn]] void refuse(const QString& log, const QString& user) {
    throw MigrateError(log, user);
}

QString uniqueName(const QString& role) {
    return QStringLiteral("migrate-%1-%2").arg(role, QUuid::createUuid().toString());
}

QString describe(const DataLink& link) {
    return link.engine == Engine::SQLite
               ? QStringLiteral("数据库文件 %1").arg(link.dataSource)
               : QStringLiteral("PostgreSQL 数据库 %1").arg(link.database);
}

qint64 firstNumber(QSqlQuery query) {
    return query.next() ? query.value(0).toLongLong() : 0;
}

struct Column {
    QString name;
    bool timestamp = false;
};

QList<Column> columnsOf(const Db& db, const QString& table) {
    QSqlQuery q = db.exec(
        QStringLiteral("columns of %1").arg(table),
        db.isSQLite() ? QStringLiteral("select name,type from pragma_table_info(:t) order by cid")
                      : QStringLiteral("select cast(column_name as text),cast(data_type as text) "
                                       "from information_schema.columns "
                                       "where table_schema=current_schema() and table_name=:t "
                                       "order by ordinal_position"),
        {{QStringLiteral("t"), table}});
    QList<Column> columns;
    while (q.next())
        columns.append(
            {q.value(0).toString(),
             q.value(1).toString().startsWith(QLatin1String("timestamp"), Qt::CaseInsensitive)});
    return columns;
}

// The last number each table's own counter gave out, which is past the
// largest one kept when the newest rows were deleted: the copy must not give
// such a number out a second time.
QHash<QString, qint64> countersOf(const Db& db) {
    QHash<QString, qint64> counters;
    if (db.isSQLite() && !tableExists(db, QStringLiteral("sqlite_sequence")))
        return counters;
    QSqlQuery q = db.exec(
        QStringLiteral("counters"),
        db.isSQLite()
            ? QStringLiteral("select name,seq from sqlite_sequence")
            : QStringLiteral("select cast(table_name as text),coalesce(pg_sequence_last_value("
                             "pg_get_serial_sequence(cast(table_name as text),"
                             "cast(column_name as text))),0) "
                             "from information_schema.columns "
                             "where table_schema=current_schema() and is_identity='YES'"));
    while (q.next())
        counters.insert(q.value(0).toString(), q.value(1).toLongLong());
    return counters;
}

QStringList tillsOnDuty(const Db& db) {
    QSqlQuery q = db.exec(QStringLiteral("tills on duty"),
                          QStringLiteral("select jsj from jqb where zt=:zt order by jsj"),
                          {{QStringLiteral("zt"), kTillOnline}});
    QStringList tills;
    while (q.next())
        tills << q.value(0).toString();
    return tills;
}

// A value as JSON text: a number as exactNumberText; a number the server
// gave as text (numeric) stays text and is read back by the target column's
// own type.
void appendJson(QString& out, const QVariant& value) {
    if (value.isNull()) {
        out += QLatin1String("null");
        return;
    }
    if (const std::optional<QString> number = exactNumberText(value)) {
        out += *number;
        return;
    }
    const QString text = value.toString();
    out += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c.unicode() < 0x20) {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
}

// Progress at most five times a second, and at the end of every step.
class Reporter {
  public:
    explicit Reporter(const MigrateProgress& progress) : progress_(progress) { clock_.start(); }
    void operator()(const QString& step, qint64 done, qint64 total) {
        if (!progress_ || (done < total && clock_.elapsed() - last_ < 200))
            return;
        last_ = clock_.elapsed();
        progress_(step, done, total);
    }

  private:
    const MigrateProgress& progress_;
    QElapsedTimer clock_;
    qint64 last_ = -1000;
};

// The source's rows as its statement reads them (forward only).
QSqlQuery readRows(const Db& source, const QString& table, const QList<Column>& columns) {
    QStringList selected;
    for (const Column& column : columns) {
        const QString name = Db::quoteIdentifier(column.name);
        // The server's own text of a timestamp is the form SQLite keeps
        // (ISO date style is set on the session).
        selected << (!source.isSQLite() && column.timestamp
                         ? QStringLiteral("cast(%1 as text)").arg(name)
                         : name);
    }
    return source.execForward(
        QStringLiteral("read %1").arg(table),
        QStringLiteral("select %1 from %2")
            .arg(selected.join(QLatin1Char(',')), Db::quoteIdentifier(table)));
}

// Into a server: COPY, which the server parses as the next rows are read.
qint64 copyToServer(const Db& source, const Db& target, const QString& table,
                    const QList<Column>& columns, qint64 total, Reporter& report) {
    QStringList names;
    for (const Column& column : columns)
        names << column.name;
    constexpr qsizetype kBytesPerSend = 1 << 18;
    QByteArray lines;
    lines.reserve(kBytesPerSend + (1 << 16));
    qint64 done = 0;
    report(table, 0, total);
    ServerCopy copy(target, table, names);
    QSqlQuery rows = readRows(source, table, columns);
    while (rows.next()) {
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (c > 0)
                lines += '\t';
            appendCopyValue(lines, rows.value(int(c)));
        }
        lines += '\n';
        ++done;
        if (lines.size() >= kBytesPerSend) {
            copy.send(lines);
            lines.clear();
            report(table, done, total);
        }
    }
    rows.finish();
    if (!lines.isEmpty())
        copy.send(lines);
    copy.finish();
    report(table, done, total);
    return done;
}

// Into a file: many rows to a statement, as one bound parameter, a JSON
// array that SQLite itself takes apart (json_each): one statement per
// thousands of rows, and no per-value binding, which would cost more than
// the engine's own work.
qint64 copyToFile(const Db& source, const Db& target, const QString& table,
                  const QList<Column>& columns, qint64 total, Reporter& report) {
    QStringList names;
    QStringList keys;
    QStringList taken;
    for (const Column& column : columns) {
        names << Db::quoteIdentifier(column.name);
        keys << QLatin1Char('"') + column.name + QStringLiteral("\":");
        taken << QStringLiteral("json_extract(value,'$.%1')").arg(column.name);
    }
    const QString insert = QStringLiteral("insert into %1(%2) select %3 from json_each(:rows)")
                               .arg(Db::quoteIdentifier(table), names.join(QLatin1Char(',')),
                                    taken.join(QLatin1Char(',')));
    const QString step = QStringLiteral("copy %1").arg(table);

    QString batch;
    batch.reserve(kCharsPerStatement + (1 << 16));
    int inBatch = 0;
    qint64 done = 0;
    const auto flush = [&] {
        if (inBatch == 0)
            return;
        batch += QLatin1Char(']');
        target.execKept(step, insert, {{QStringLiteral("rows"), batch}}).finish();
        done += inBatch;
        inBatch = 0;
        batch.clear();
        report(table, done, total);
    };
    report(table, 0, total);
    QSqlQuery rows = readRows(source, table, columns);
    while (rows.next()) {
        batch += inBatch == 0 ? QLatin1Char('[') : QLatin1Char(',');
        for (qsizetype c = 0; c < columns.size(); ++c) {
            batch += c == 0 ? QLatin1Char('{') : QLatin1Char(',');
            batch += keys.at(c);
            appendJson(batch, rows.value(int(c)));
        }
        batch += QLatin1Char('}');
        if (++inBatch == kRowsPerStatement || batch.size() >= kCharsPerStatement)
            flush();
    }
    rows.finish();
    flush();
    return done;
}

qint64 copyTable(const Db& source, const Db& target, const QString& table,
                 const QList<Column>& columns, qint64 total, Reporter& report) {
    return target.isSQLite() ? copyToFile(source, target, table, columns, total, report)
                             : copyToServer(source, target, table, columns, total, report);
}

// What slows a bulk load and is made again at its end: the secondary indexes
// (built once over the whole table instead of row by row) and the triggers
// that keep the log's running totals. The totals are copied as the source
// has them instead: the copy's are then the source's to the fen, and ten
// million rows do not each update the totals row.
struct Deferred {
    QStringList undo; // run before the load
    QStringList redo; // run after it
};

Deferred deferIndexesAndTriggers(const Db& db) {
    Deferred deferred;
    if (db.isSQLite()) {
        QSqlQuery q = db.exec(QStringLiteral("indexes and triggers"),
                              QStringLiteral("select type,name,sql from sqlite_master where "
                                             "type in ('index','trigger') and sql is not null "
                                             "order by type,name"));
        while (q.next()) {
            deferred.undo << QStringLiteral("drop %1 %2")
                                 .arg(q.value(0).toString(),
                                      Db::quoteIdentifier(q.value(1).toString()));
            deferred.redo << q.value(2).toString();
        }
        return deferred;
    }
    QSqlQuery indexes =
        db.exec(QStringLiteral("indexes"),
                QStringLiteral("select cast(c.relname as text),pg_get_indexdef(x.indexrelid) "
                               "from pg_index x join pg_class c on c.oid=x.indexrelid "
                               "join pg_class t on t.oid=x.indrelid "
                               "join pg_namespace n on n.oid=t.relnamespace "
                               "where n.nspname=current_schema() and not exists "
                               "(select 1 from pg_constraint k where k.conindid=x.indexrelid) "
                               "order by 1"));
    while (indexes.next()) {
        deferred.undo << QStringLiteral("drop index %1")
                             .arg(Db::quoteIdentifier(indexes.value(0).toString()));
        deferred.redo << indexes.value(1).toString();
    }
    QSqlQuery triggers =
        db.exec(QStringLiteral("triggers"),
                QStringLiteral("select distinct cast(c.relname as text) from pg_trigger g "
                               "join pg_class c on c.oid=g.tgrelid "
                               "join pg_namespace n on n.oid=c.relnamespace "
                               "where not g.tgisinternal and n.nspname=current_schema()"));
    while (triggers.next()) {
        const QString table = Db::quoteIdentifier(triggers.value(0).toString());
        deferred.undo << QStringLiteral("alter table %1 disable trigger user").arg(table);
        deferred.redo << QStringLiteral("alter table %1 enable trigger user").arg(table);
    }
    return deferred;
}

// Every counter of the copy past the largest number its table holds and past
// the source's own counter.
void setCounters(const Db& db, const QHash<QString, qint64>& sourceCounters,
                 const QStringList& tables) {
    QSqlQuery q =
        db.exec(QStringLiteral("counted columns"),
                db.isSQLite()
                    ? QStringLiteral("select name,'rowid' from sqlite_master "
                                     "where type='table' and sql like '%autoincrement%'")
                    : QStringLiteral("select cast(table_name as text),cast(column_name as text) "
                                     "from information_schema.columns "
                                     "where table_schema=current_schema() and is_identity='YES'"));
    QList<QPair<QString, QString>> counted;
    while (q.next())
        counted.append({q.value(0).toString(), q.value(1).toString()});
    for (const auto& [table, column] : counted) {
        if (!tables.contains(table))
            continue;
        const qint64 largest =
            firstNumber(db.exec(QStringLiteral("largest of %1").arg(table),
                                QStringLiteral("select coalesce(max(%1),0) from %2")
                                    .arg(Db::quoteIdentifier(column), Db::quoteIdentifier(table))));
        const qint64 next = std::max(largest, sourceCounters.value(table));
        const Params params{{QStringLiteral("t"), table}, {QStringLiteral("n"), next}};
        if (db.isSQLite()) {
            db.exec(QStringLiteral("counter of %1").arg(table),
                    QStringLiteral("delete from sqlite_sequence where name=:t"),
                    {{QStringLiteral("t"), table}});
            if (next > 0)
                db.exec(QStringLiteral("counter of %1").arg(table),
                        QStringLiteral("insert into sqlite_sequence(name,seq) values(:t,:n)"),
                        params);
        } else if (next > 0) {
            db.exec(QStringLiteral("counter of %1").arg(table),
                    QStringLiteral("select setval(pg_get_serial_sequence(:t,:c),:n)"),
                    params + Params{{QStringLiteral("c"), column}});
        }
    }
}

// Removes a file of ours that is not complete; never throws.
void discard(const QString& path) {
    for (const QString& suffix :
         {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
        if (QFile::exists(path + suffix) && !QFile::remove(path + suffix))
            qCWarning(lcMigrate, "could not remove %s", qPrintable(path + suffix));
    }
}

bool anyStoreTable(const Db& db) {
    const QStringList& tables = permanentTables();
    return std::any_of(tables.cbegin(), tables.cend(),
                       [&](const QString& table) { return tableExists(db, table); });
}

} // namespace

bool Migrated::agrees() const {
    for (const MigratedTable& table : tables) {
        if (table.sourceRows != table.targetRows)
            return false;
    }
    return sourceFindings == targetFindings;
}

Migrated migrateStore(const DataLink& sourceLink, const DataLink& targetLink,
                      const MigrateProgress& progress) {
    if (sourceLink.engine == Engine::SQLite && !QFileInfo::exists(sourceLink.dataSource))
        refuse(QStringLiteral("no store %1").arg(sourceLink.dataSource),
               QStringLiteral("数据库文件 %1 不存在。").arg(sourceLink.dataSource));
    const bool toFile = targetLink.engine == Engine::SQLite;
    const QString refusedTarget =
        QStringLiteral("%1 已经有数据,迁移只能迁移到新的数据库"
                       "(不存在的 SQLite 文件或没有数据表的服务器数据库)。"
                       "目标没有改变。")
            .arg(describe(targetLink));
    if (toFile && QFileInfo::exists(targetLink.dataSource))
        refuse(QStringLiteral("migrate target %1 exists").arg(targetLink.dataSource),
               refusedTarget);
    const QString partial = targetLink.dataSource + kPartial;
    Reporter report(progress);
    Migrated result;
    try {
        std::unique_ptr<Db> source =
            connectDatabase(sourceLink, uniqueName(QStringLiteral("source")));
        if (!schemaExists(*source))
            refuse(QStringLiteral("migrate source has no store"),
                   QStringLiteral("%1 里没有本系统的数据表,没有可迁移的数据。")
                       .arg(describe(sourceLink)));
        // One moment of the source throughout: counts, rows and its books check.
        if (source->isSQLite()) {
            source->exec(QStringLiteral("snapshot"), QStringLiteral("begin"));
        } else {
            source->database().setNumericalPrecisionPolicy(QSql::HighPrecision);
            source->exec(QStringLiteral("date style"),
                         QStringLiteral("set datestyle to 'ISO, YMD'"));
            source->exec(
                QStringLiteral("snapshot"),
                QStringLiteral("start transaction isolation level repeatable read, read only"));
        }
        const QStringList onDuty = tillsOnDuty(*source);
        if (!onDuty.isEmpty())
            refuse(QStringLiteral("tills on duty: %1").arg(onDuty.join(QStringLiteral(", "))),
                   QStringLiteral("收款机 %1 正在营业,不能迁移数据库。请先在这些收款机上注销,"
                                  "再迁移。")
                       .arg(onDuty.join(QStringLiteral("、"))));
        QStringList tables;
        for (const QString& table : permanentTables()) {
            if (!tableExists(*source, table))
                continue;
            tables << table;
            result.tables.append(
                {table,
                 firstNumber(source->exec(
                     QStringLiteral("rows of %1").arg(table),
                     QStringLiteral("select count(*) from %1").arg(Db::quoteIdentifier(table)))),
                 0});
        }
        const QHash<QString, qint64> counters = countersOf(*source);

        DataLink writtenLink = targetLink;
        std::unique_ptr<Db> target;
        if (toFile) {
            discard(partial);
            writtenLink.dataSource = partial;
            target = connectDatabase(writtenLink, uniqueName(QStringLiteral("target")));
            // The file is thrown away on any failure and renamed only when
            // whole: it needs no journal of its own.
            target->exec(QStringLiteral("journal"), QStringLiteral("PRAGMA journal_mode=OFF"));
            target->exec(QStringLiteral("cache"), QStringLiteral("PRAGMA cache_size=-131072"));
            createStore(*target);
            target->begin();
        } else {
            target = connectDatabase(targetLink, uniqueName(QStringLiteral("target")));
            target->begin();
            if (anyStoreTable(*target))
                refuse(QStringLiteral("migrate target has store tables"), refusedTarget);
            // Made inside the transaction: the server's DDL is undone with it.
            target->exec(QStringLiteral("create store"), schemaScript(*target));
        }
        const Deferred deferred = deferIndexesAndTriggers(*target);
        for (const QString& statement : deferred.undo)
            target->exec(QStringLiteral("before load"), statement);
        // Only the rows a new store starts with (settings, first
        // administrator, the zero totals) are there to make way for the copy.
        for (const QString& table : tables)
            target->exec(QStringLiteral("empty %1").arg(table),
                         QStringLiteral("delete from %1").arg(Db::quoteIdentifier(table)));

        for (const QString& table : tables) {
            QList<Column> columns = columnsOf(*source, table);
            const QList<Column> kept = columnsOf(*target, table);
            columns.removeIf([&](const Column& c) {
                return std::none_of(kept.cbegin(), kept.cend(),
                                    [&](const Column& k) { return k.name == c.name; });
            });
            copyTable(*source, *target, table, columns,
                      result.tables.at(tables.indexOf(table)).sourceRows, report);
        }
        // A store made before the log's totals gets them from its log.
        if (!tables.contains(kLogTotalsTable))
            target->exec(QStringLiteral("log totals"),
                         QStringLiteral("update hwrzhjb set rkje=l.rk,ckje=l.ck from (%1) l")
                             .arg(logTotalsSql(*target)),
                         {{QStringLiteral("rk"), kStockIn}, {QStringLiteral("ck"), kStockOut}});
        const QString indexing = QStringLiteral("索引");
        for (qsizetype i = 0; i < deferred.redo.size(); ++i) {
            report(indexing, i, deferred.redo.size());
            target->exec(QStringLiteral("after load"), deferred.redo.at(i));
        }
        report(indexing, deferred.redo.size(), deferred.redo.size());
        setCounters(*target, counters, tables);
        if (!target->isSQLite())
            target->exec(QStringLiteral("statistics"), QStringLiteral("analyze"));

        const QString checking = QStringLiteral("核对");
        report(checking, 0, 1);
        for (MigratedTable& table : result.tables)
            table.targetRows = firstNumber(target->exec(
                QStringLiteral("rows of %1").arg(table.table),
                QStringLiteral("select count(*) from %1").arg(Db::quoteIdentifier(table.table))));
        result.sourceFindings = findingTexts(checkBooks(*source));
        result.targetFindings = findingTexts(checkBooks(*target));
        report(checking, 1, 1);
        if (!result.agrees()) {
            qCWarning(lcMigrate, "the copy does not agree with its source: not kept");
            target.reset(); // rolled back
            if (toFile)
                discard(partial);
            return result;
        }
        target->commit();
        target.reset();
        if (toFile) {
            // QFile::rename never replaces: a store made there meanwhile stays.
            if (!QFile::rename(partial, targetLink.dataSource))
                refuse(QStringLiteral("rename %1 failed").arg(partial), refusedTarget);
        }
    } catch (const MigrateError&) {
        if (toFile)
            discard(partial);
        throw;
    } catch (const Error& e) {
        if (toFile)
            discard(partial);
        throw MigrateError(e.text(), QStringLiteral("迁移失败,目标没有改变:%1").arg(e.userText()));
    }
    result.kept = true;
    qCInfo(lcMigrate, "%s migrated to %s", qPrintable(describe(sourceLink)),
           qPrintable(describe(targetLink)));
    return result;
}

} // namespace storedb
