#include "storedb/servercopy.h"

#include "storedb/errors.h"

#include <QLocale>
#include <QSqlDriver>
#include <libpq-fe.h>

namespace storedb {

namespace {

PGconn* handleOf(const Db& db) {
    const QVariant handle = db.database().driver()->handle();
    // PGconn is libpq's name for struct pg_conn: Qt's type name is either.
    const char* type = handle.isValid() ? handle.typeName() : "";
    if (qstrcmp(type, "PGconn*") != 0 && qstrcmp(type, "pg_conn*") != 0)
        throw DbError(QStringLiteral("COPY needs a PostgreSQL connection, not %1")
                          .arg(QString::fromLatin1(type)),
                      kStatementFailed);
    return *static_cast<PGconn* const*>(handle.constData());
}

[[noreturn]] void failed(PGconn* connection, const QString& what) {
    throw DbError(
        QStringLiteral("%1: %2").arg(what, QString::fromUtf8(PQerrorMessage(connection)).trimmed()),
        kStatementFailed);
}

// The results of what the server was sent, read to the end; the first
// error's text, or empty.
QString drain(PGconn* connection) {
    QString error;
    while (PGresult* result = PQgetResult(connection)) {
        const ExecStatusType status = PQresultStatus(result);
        if (error.isEmpty() && status != PGRES_COMMAND_OK)
            error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        PQclear(result);
    }
    return error;
}

} // namespace

ServerCopy::ServerCopy(const Db& db, const QString& table, const QStringList& columns)
    : connection_(handleOf(db)), table_(table) {
    PGconn* connection = static_cast<PGconn*>(connection_);
    QStringList quoted;
    for (const QString& column : columns)
        quoted << Db::quoteIdentifier(column);
    const QByteArray statement = QStringLiteral("copy %1(%2) from stdin")
                                     .arg(Db::quoteIdentifier(table), quoted.join(QLatin1Char(',')))
                                     .toUtf8();
    PGresult* result = PQexec(connection, statement.constData());
    const bool started = PQresultStatus(result) == PGRES_COPY_IN;
    const QString error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
    PQclear(result);
    if (!started) {
        drain(connection);
        throw DbError(QStringLiteral("copy %1: %2").arg(table, error), kStatementFailed);
    }
    open_ = true;
}

ServerCopy::~ServerCopy() {
    if (!open_)
        return;
    PGconn* connection = static_cast<PGconn*>(connection_);
    PQputCopyEnd(connection, "abandoned");
    drain(connection);
}

void ServerCopy::send(const QByteArray& lines) {
    PGconn* connection = static_cast<PGconn*>(connection_);
    if (PQputCopyData(connection, lines.constData(), int(lines.size())) != 1)
        failed(connection, QStringLiteral("copy %1").arg(table_));
}

void ServerCopy::finish() {
    PGconn* connection = static_cast<PGconn*>(connection_);
    open_ = false;
    if (PQputCopyEnd(connection, nullptr) != 1)
        failed(connection, QStringLiteral("copy %1 end").arg(table_));
    const QString error = drain(connection);
    if (!error.isEmpty())
        throw DbError(QStringLiteral("copy %1: %2").arg(table_, error), kStatementFailed);
}

std::optional<QString> exactNumberText(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::Double:
        if (qIsFinite(value.toDouble()))
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void appendCopyValue(QByteArray& out, const QVariant& value) {
    if (value.isNull()) {
        out += "\\N";
        return;
    }
    if (const std::optional<QString> number = exactNumberText(value)) {
        out += number->toLatin1();
        return;
    }
    const QByteArray text = value.toString().toUtf8();
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

} // namespace storedb
