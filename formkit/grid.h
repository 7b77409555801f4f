#pragma once

#include <QList>

class QTableView;

namespace formkit {

// A grid as the programs show data: read-only, whole rows selected, no row
// numbers, cells and titles centred, numbers in their shortest form.
void prepareGrid(QTableView* grid);

// Sets the widths of the first columns (after every run of the grid's query,
// since a new query resets them).
void layoutGrid(QTableView* grid, const QList<int>& widths);

} // namespace formkit
