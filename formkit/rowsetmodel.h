#pragma once

// A read-only table model over rows read in the background (storedb::RowSet):
// a grid shows them as it would a query's rows, titles included.

#include "storedb/background.h"

#include <QAbstractTableModel>

namespace formkit {

class RowSetModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(storedb::RowSet rows);
    void clear();
    // The rows shown, shared rather than copied (an export reads them).
    const storedb::RowSet& rowSet() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    storedb::RowSet rows_;
};

} // namespace formkit
