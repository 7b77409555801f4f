#include "formkit/rowsetmodel.h"

namespace formkit {

void RowSetModel::setRows(storedb::RowSet rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void RowSetModel::clear() {
    setRows({});
}

int RowSetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.rows.size());
}

int RowSetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.columns.size());
}

QVariant RowSetModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const QVariantList& row = rows_.rows.at(index.row());
    return index.column() < row.size() ? row.at(index.column()) : QVariant();
}

QVariant RowSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < columnCount())
        return rows_.columns.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace formkit
