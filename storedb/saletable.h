#pragma once

// The per-till table of the sale being keyed in. It is named after the
// terminal, and that name is always quoted as an identifier, so any computer
// name is safe in SQL.

#include "storedb/connection.h"

#include <QList>
#include <QString>

namespace storedb {

struct SaleLine {
    QString hwh;
    QString hwm;
    QString hwlbh;
    double dj = 0;
    int sl = 0;
    double jg = 0;
    int bh = 0;
};

// Throws TerminalNameError when the name cannot name a sale table: empty, or
// equal (ignoring case) to a permanent table or an engine's own table.
void checkSaleTableName(const QString& terminal);
// The quoted identifier of the terminal's sale table (checked first).
QString saleTableIdentifier(const QString& terminal);

// Creation text for the connection's engine; the line number keeps counting
// after lines are deleted and starts at 1 in a new table.
QString saleTableCreateSql(const Db& db, const QString& terminal);
void createSaleTable(const Db& db, const QString& terminal);
void dropSaleTable(const Db& db, const QString& terminal);
bool saleTableExists(const Db& db, const QString& terminal);

// Appends a line; returns its line number.
int insertSaleLine(const Db& db, const QString& terminal, const SaleLine& line);
// Removes one line; false when no line has that number.
bool deleteSaleLine(const Db& db, const QString& terminal, int bh);
void clearSaleTable(const Db& db, const QString& terminal);
QList<SaleLine> saleLines(const Db& db, const QString& terminal);
// The grid's rows: every column, in line order.
QSqlQuery saleLinesQuery(const Db& db, const QString& terminal);
// The rows of the till's sale grid, with the grid's column titles.
QSqlQuery saleGridRows(const Db& db, const QString& terminal);
// The open sale's total, rounded to the fen.
double saleTotal(const Db& db, const QString& terminal);

} // namespace storedb
