#pragma once

#include <QList>
#include <QSqlQuery>

class QTableView;
class QSqlQueryModel;

namespace formkit {

// A grid as the programs show data: read-only, whole rows selected, no row
// numbers, cells and titles centred, numbers in their shortest form.
void prepareGrid(QTableView* grid);

// Sets the widths of the first columns (after every run of the grid's query,
// since a new query resets them).
void layoutGrid(QTableView* grid, const QList<int>& widths);

// Shows the rows storedb returned: the grid's model runs them, every row is
// read at once (so that no statement stays open on the connection between
// two actions) and the columns get their widths. The column titles are the
// names the query gives its columns.
void showRows(QTableView* grid, QSqlQueryModel* model, QSqlQuery rows, const QList<int>& widths);
// The first half of showRows: the model runs the rows and reads them all,
// for a list whose grid may be showing another model meanwhile.
void fillRows(QSqlQueryModel* model, QSqlQuery rows);

} // namespace formkit
