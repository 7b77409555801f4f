#pragma once

#include <QString>

namespace storedb {

enum class Engine { SQLite, PostgreSQL };

// The connection described by link.udl.
struct DataLink {
    Engine engine = Engine::SQLite;
    QString dataSource; // SQLite: the file (absolute); PostgreSQL: host or socket folder
    int port = 5432;    // PostgreSQL only
    QString database;   // PostgreSQL: Initial Catalog
    QString user;       // PostgreSQL: User ID
    QString password;   // PostgreSQL: Password
};

// The folder that holds the running executable, with a trailing separator,
// whatever the executable is called. Tests may point it elsewhere.
QString programDirectory();
void setProgramDirectory(const QString& folder);

// Parses the data-link text: UTF-16 with a byte-order mark or UTF-8, an
// optional [oledb] line, ';' comment lines, then Key=Value pairs separated by
// ';'. A relative SQLite path is taken from baseFolder. Throws DataLinkError.
DataLink parseDataLink(const QByteArray& content, const QString& baseFolder);
DataLink readDataLink(const QString& path);

// link.udl beside the executable.
QString dataLinkPath();

// The text of a data-link file for the given connection (tools, demo, tests).
QString dataLinkText(const DataLink& link);

} // namespace storedb
