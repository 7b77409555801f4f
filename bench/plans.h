#pragma once

// The plans the engine chose for the statements a piece of the store's work
// runs: the statements are caught as the program sends them, not written out
// again here, so a changed statement is seen with its new plan.
//
// SQLite: the connection's statement trace gives each statement's text;
// EXPLAIN QUERY PLAN then shows its plan (the same without statistics,
// which the store does not keep, whatever the values). PostgreSQL: the
// server's auto_explain sends the plan each statement ran with, as a notice
// to the connection (needs a superuser, as the bench server's is). Sequential
// scans are off meanwhile, as where the tests check plans: a small table
// (the bench's few returns) is otherwise read whole because that is cheaper
// at its size, and a scan still shown is one no index can serve. The
// engines' client libraries are reached through the ones the Qt drivers
// have loaded.

#include "storedb/connection.h"
#include "storedb/errors.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringList>
#include <algorithm>
#include <dlfcn.h>
#include <functional>

namespace bench {

// How a plan reads a table: through an index (a search of its keys), or
// whole (a scan of the table or of all of an index).
struct TableRead {
    QString table;
    QString index; // empty when whole
    bool whole() const { return index.isEmpty(); }
};

struct StatementPlan {
    QString sql;       // as the program sent it, on one line
    QStringList steps; // the plan, a step a line, indented by depth
    QList<TableRead> reads;
};

struct WorkPlans {
    QList<StatementPlan> statements;
    QString failure; // why no plans could be caught, or empty

    QList<TableRead> readsOf(const QString& table) const {
        QList<TableRead> reads;
        for (const StatementPlan& s : statements) {
            for (const TableRead& read : s.reads) {
                if (read.table == table)
                    reads << read;
            }
        }
        return reads;
    }
    // Read at least once, and every time through this index.
    bool readOnlyThrough(const QString& table, const QString& index) const {
        const QList<TableRead> reads = readsOf(table);
        return !reads.isEmpty() && std::all_of(reads.begin(), reads.end(), [&](const TableRead& r) {
            return r.index == index;
        });
    }
    bool readThrough(const QString& table, const QString& index) const {
        const QList<TableRead> reads = readsOf(table);
        return std::any_of(reads.begin(), reads.end(),
                           [&](const TableRead& r) { return r.index == index; });
    }
    bool scans(const QString& table) const {
        const QList<TableRead> reads = readsOf(table);
        return std::any_of(reads.begin(), reads.end(),
                           [](const TableRead& r) { return r.whole(); });
    }
};

namespace planning {

inline QString oneLine(const QString& sql) {
    return sql.simplified();
}

// A function of the engine's client library the driver loaded.
template <typename F> F clientFunction(const char* library, const char* name) {
    void* loaded = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
    if (!loaded)
        throw storedb::Error(QStringLiteral("%1 is not loaded").arg(QLatin1String(library)));
    void* function = dlsym(loaded, name);
    dlclose(loaded);
    if (!function)
        throw storedb::Error(
            QStringLiteral("%1 has no %2").arg(QLatin1String(library), QLatin1String(name)));
    return reinterpret_cast<F>(function);
}

// The client library's connection; the driver names its type as it is
// declared ("sqlite3*", "pg_conn*").
inline void* driverHandle(const storedb::Db& db, const char* type) {
    const QVariant handle = db.database().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), type) != 0)
        throw storedb::Error(QStringLiteral("the driver's handle is no %1 but %2")
                                 .arg(QLatin1String(type), QLatin1String(handle.typeName())));
    return *static_cast<void* const*>(handle.constData());
}

// --- SQLite

struct SqliteTrace {
    char* (*expandedSql)(void*) = nullptr;
    void (*free)(void*) = nullptr;
    QStringList sent;     // as sent, named placeholders and all
    QStringList expanded; // with the values bound, to be explained
    QSet<QString> seen;
};

inline int sqliteTraced(unsigned, void* context, void* statement, void* text) {
    auto* trace = static_cast<SqliteTrace*>(context);
    const QString sql = oneLine(QString::fromUtf8(static_cast<const char*>(text)));
    // Trigger steps come as comments; transaction control has no plan.
    static const QRegularExpression planned(
        QStringLiteral("^(select|insert|update|delete|with)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (!planned.match(sql).hasMatch() || trace->seen.contains(sql))
        return 0;
    trace->seen.insert(sql);
    char* bound = trace->expandedSql(statement);
    if (!bound)
        return 0;
    trace->sent << sql;
    trace->expanded << QString::fromUtf8(bound);
    trace->free(bound);
    return 0;
}

// SQLite names a table by its alias, if it has one.
inline QHash<QString, QString> tablesByAlias(const QString& sql) {
    static const QRegularExpression named(
        QStringLiteral("\\b(?:from|join|update|into)\\s+(\\w+)(?:\\s+(?:as\\s+)?(\\w+))?"),
        QRegularExpression::CaseInsensitiveOption);
    static const QSet<QString> keywords{
        QStringLiteral("where"),    QStringLiteral("on"),     QStringLiteral("set"),
        QStringLiteral("left"),     QStringLiteral("join"),   QStringLiteral("inner"),
        QStringLiteral("group"),    QStringLiteral("order"),  QStringLiteral("limit"),
        QStringLiteral("using"),    QStringLiteral("select"), QStringLiteral("values"),
        QStringLiteral("returning")};
    QHash<QString, QString> tables;
    auto it = named.globalMatch(sql);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString alias = m.captured(2).toLower();
        tables.insert(alias.isEmpty() || keywords.contains(alias) ? m.captured(1) : alias,
                      m.captured(1));
    }
    return tables;
}

inline WorkPlans sqlitePlans(storedb::Db& db, const std::function<void()>& work) {
    using Callback = int (*)(unsigned, void*, void*, void*);
    const auto traceV2 = clientFunction<int (*)(void*, unsigned, Callback, void*)>(
        "libsqlite3.so.0", "sqlite3_trace_v2");
    SqliteTrace trace;
    trace.expandedSql = clientFunction<char* (*)(void*)>("libsqlite3.so.0", "sqlite3_expanded_sql");
    trace.free = clientFunction<void (*)(void*)>("libsqlite3.so.0", "sqlite3_free");
    void* connection = driverHandle(db, "sqlite3*");
    const unsigned kTraceStatement = 0x01;
    traceV2(connection, kTraceStatement, &sqliteTraced, &trace);
    try {
        work();
    } catch (...) {
        traceV2(connection, 0, nullptr, nullptr);
        throw;
    }
    traceV2(connection, 0, nullptr, nullptr);

    WorkPlans plans;
    // "SEARCH h USING INDEX hwrzb_num (num=?)", "SCAN company"; a SCAN
    // through an index still reads all of it.
    static const QRegularExpression read(QStringLiteral(
        "^(SEARCH|SCAN) (\\w+)(?: USING (?:COVERING |AUTOMATIC \\w+ )?INDEX (\\w+)| USING "
        "(INTEGER PRIMARY KEY))?"));
    for (qsizetype i = 0; i < trace.sent.size(); ++i) {
        StatementPlan s;
        s.sql = trace.sent[i];
        const QHash<QString, QString> tables = tablesByAlias(s.sql);
        // Rows: id, parent, unused, detail; a step is indented below its parent.
        QHash<int, int> depth;
        QSqlQuery q = db.exec(QStringLiteral("bench plan"),
                              QStringLiteral("explain query plan ") + trace.expanded[i]);
        while (q.next()) {
            const int level = depth.value(q.value(1).toInt(), -1) + 1;
            depth.insert(q.value(0).toInt(), level);
            const QString detail = q.value(3).toString();
            s.steps << QString(level * 2, QLatin1Char(' ')) + detail;
            const QRegularExpressionMatch m = read.match(detail);
            if (m.hasMatch()) {
                const bool search = m.captured(1) == QLatin1String("SEARCH");
                const QString index = m.captured(3).isEmpty() ? m.captured(4) : m.captured(3);
                s.reads << TableRead{tables.value(m.captured(2), m.captured(2)),
                                     search ? index : QString()};
            }
        }
        plans.statements << s;
    }
    return plans;
}

// --- PostgreSQL

struct ServerNotices {
    QStringList plans; // auto_explain's, as JSON
};

inline void serverNotice(void* context, const char* message) {
    const QString text = QString::fromUtf8(message);
    const qsizetype json = text.indexOf(QLatin1Char('{'));
    if (text.contains(QLatin1String("plan:")) && json >= 0)
        static_cast<ServerNotices*>(context)->plans << text.mid(json);
}

inline void describe(const QJsonObject& node, int level, StatementPlan& s) {
    const QString type = node.value(QLatin1String("Node Type")).toString();
    QString step = type == QLatin1String("ModifyTable")
                       ? node.value(QLatin1String("Operation")).toString()
                       : type;
    const QString join = node.value(QLatin1String("Join Type")).toString();
    if (!join.isEmpty() && join != QLatin1String("Inner"))
        step += QLatin1Char(' ') + join + QLatin1String(" Join");
    const QString index = node.value(QLatin1String("Index Name")).toString();
    const QString relation = node.value(QLatin1String("Relation Name")).toString();
    const QString alias = node.value(QLatin1String("Alias")).toString();
    if (!index.isEmpty())
        step += QLatin1String(" using ") + index;
    if (!relation.isEmpty())
        step += QLatin1String(" on ") + relation +
                (alias.isEmpty() || alias == relation ? QString() : QLatin1Char(' ') + alias);
    for (const char* condition : {"Index Cond", "Recheck Cond", "Hash Cond", "Filter"}) {
        const QString c = node.value(QLatin1String(condition)).toString();
        if (!c.isEmpty())
            step += QStringLiteral("  (%1: %2)").arg(QLatin1String(condition), c);
    }
    s.steps << QString(level * 2, QLatin1Char(' ')) + step;
    const QJsonArray children = node.value(QLatin1String("Plans")).toArray();
    // A bitmap scan names its index below it; an index scan without a
    // condition reads all of the index.
    if (type.endsWith(QLatin1String("Scan")) && !relation.isEmpty()) {
        QString by = node.value(QLatin1String("Index Cond")).isUndefined() ? QString() : index;
        for (const QJsonValue child : children) {
            const QJsonObject c = child.toObject();
            if (c.value(QLatin1String("Node Type")).toString() ==
                QLatin1String("Bitmap Index Scan"))
                by = c.value(QLatin1String("Index Name")).toString();
        }
        s.reads << TableRead{relation, by};
    }
    for (const QJsonValue child : children)
        describe(child.toObject(), level + 1, s);
}

inline WorkPlans serverPlans(storedb::Db& db, const std::function<void()>& work) {
    using Processor = void (*)(void*, const char*);
    const auto setProcessor = clientFunction<Processor (*)(void*, Processor, void*)>(
        "libpq.so.5", "PQsetNoticeProcessor");
    void* connection = driverHandle(db, "pg_conn*");
    db.exec(QStringLiteral("bench plan"), QStringLiteral("load 'auto_explain'"));
    for (const QString& setting :
         {QStringLiteral("auto_explain.log_format=json"),
          QStringLiteral("auto_explain.log_level=notice"),
          QStringLiteral("client_min_messages=notice"), QStringLiteral("enable_seqscan=off"),
          QStringLiteral("auto_explain.log_min_duration=0")})
        db.exec(QStringLiteral("bench plan"), QStringLiteral("set ") + setting);
    ServerNotices notices;
    const Processor before = setProcessor(connection, &serverNotice, &notices);
    const auto stop = [&] {
        db.exec(QStringLiteral("bench plan"),
                QStringLiteral("set auto_explain.log_min_duration=-1"));
        setProcessor(connection, before, nullptr);
        db.exec(QStringLiteral("bench plan"), QStringLiteral("reset client_min_messages"));
        db.exec(QStringLiteral("bench plan"), QStringLiteral("reset enable_seqscan"));
    };
    try {
        work();
    } catch (...) {
        stop();
        throw;
    }
    stop();

    WorkPlans plans;
    QSet<QString> seen;
    // The driver prepares each statement under a name of its own.
    static const QRegularExpression prepared(QStringLiteral("^prepare \\w+ as "),
                                             QRegularExpression::CaseInsensitiveOption);
    for (const QString& json : notices.plans) {
        const QJsonObject explained = QJsonDocument::fromJson(json.toUtf8()).object();
        StatementPlan s;
        s.sql = oneLine(explained.value(QLatin1String("Query Text")).toString()).remove(prepared);
        if (s.sql.isEmpty() || s.sql.startsWith(QLatin1String("set "), Qt::CaseInsensitive) ||
            seen.contains(s.sql))
            continue;
        seen.insert(s.sql);
        describe(explained.value(QLatin1String("Plan")).toObject(), 0, s);
        plans.statements << s;
    }
    return plans;
}

} // namespace planning

// Runs the work once and tells the plans of the statements it ran, each
// statement once. The work's own errors come through; when the plans cannot
// be caught, the work still runs and failure says why.
inline WorkPlans plansOf(storedb::Db& db, const std::function<void()>& work) {
    bool started = false;
    bool done = false;
    const auto run = [&] {
        started = true;
        work();
        done = true;
    };
    try {
        return db.isSQLite() ? planning::sqlitePlans(db, run) : planning::serverPlans(db, run);
    } catch (const storedb::Error& e) {
        if (started && !done)
            throw;
        if (!started)
            work();
        WorkPlans none;
        none.failure = e.text();
        return none;
    }
}

// The plans as Markdown: each statement on one line, its plan indented below.
inline QString plansText(const QString& title, const WorkPlans& plans) {
    QString text = title + QLatin1String(":\n\n");
    if (!plans.failure.isEmpty())
        return text + QStringLiteral("    (no plans: %1)\n\n").arg(plans.failure);
    for (const StatementPlan& s : plans.statements) {
        text += QLatin1String("    ") + s.sql + QLatin1Char('\n');
        for (const QString& step : s.steps)
            text += QLatin1String("      ") + step + QLatin1Char('\n');
    }
    return text + QLatin1Char('\n');
}

} // namespace bench
