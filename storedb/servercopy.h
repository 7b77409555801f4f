#pragma once

// Rows streamed into a server table by COPY, through the connection's own
// libpq handle: the server parses plain text as it arrives, while the next
// rows are made, instead of one statement at a time.

#include "storedb/connection.h"

#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace storedb {

class ServerCopy {
  public:
    // Starts COPY into the table's columns (names as the table has them) on
    // a PostgreSQL connection; throws DbError when the server refuses.
    ServerCopy(const Db& db, const QString& table, const QStringList& columns);
    // A copy not finished is abandoned: the server undoes its rows.
    ~ServerCopy();
    ServerCopy(const ServerCopy&) = delete;
    ServerCopy& operator=(const ServerCopy&) = delete;

    // Lines in COPY's text form, each ended by '\n'.
    void send(const QByteArray& lines);
    // Ends the copy; throws DbError when the server refused a row.
    void finish();

  private:
    void* connection_; // PGconn
    QString table_;
    bool open_ = false;
};

// A number's text, exact: an integer's digits, a double's shortest exact
// decimal (SQLite hands money back as a double: the copy then holds what
// SQLite held, with no binary digits added). Nothing for other values.
std::optional<QString> exactNumberText(const QVariant& value);

// A value in COPY's text form: \N for null, a number as exactNumberText,
// text with its backslash, tab and line ends escaped.
void appendCopyValue(QByteArray& out, const QVariant& value);

} // namespace storedb
