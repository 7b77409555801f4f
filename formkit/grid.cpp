#include "formkit/grid.h"

#include "storedb/datetime.h"
#include "storedb/numtext.h"

#include <QHeaderView>
#include <QSqlQueryModel>
#include <QStyledItemDelegate>
#include <QTableView>

namespace formkit {

namespace {

class CentredDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale& locale) const override {
        switch (value.metaType().id()) {
        case QMetaType::Double:
        case QMetaType::Float:
            return storedb::numberText(storedb::roundFen(value.toDouble()));
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        default:
            return QStyledItemDelegate::displayText(value, locale);
        }
    }

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->displayAlignment = Qt::AlignCenter;
    }
};

} // namespace

void prepareGrid(QTableView* grid) {
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    // Rows as tight as the text, so that a till's or a list's lines fit.
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->setItemDelegate(new CentredDelegate(grid));
}

void layoutGrid(QTableView* grid, const QList<int>& widths) {
    // The style's smallest section would widen the narrowest columns.
    QHeaderView* header = grid->horizontalHeader();
    for (const int width : widths) {
        if (width < header->minimumSectionSize())
            header->setMinimumSectionSize(width);
    }
    for (qsizetype i = 0; i < widths.size(); ++i)
        grid->setColumnWidth(int(i), widths.at(i));
}

void fillRows(QSqlQueryModel* model, QSqlQuery rows) {
    model->setQuery(std::move(rows));
    while (model->canFetchMore())
        model->fetchMore();
}

void showRows(QTableView* grid, QSqlQueryModel* model, QSqlQuery rows, const QList<int>& widths) {
    fillRows(model, std::move(rows));
    if (grid->model() != model)
        grid->setModel(model);
    layoutGrid(grid, widths);
}

} // namespace formkit
