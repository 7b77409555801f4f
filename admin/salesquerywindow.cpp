#include "salesquerywindow.h"
#include "ui_salesquerywindow.h"

#include "movementquery.h"
#include "session.h"

#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/toolwindow.h"

#include "storedb/numtext.h"

#include <QComboBox>
#include <QShowEvent>
#include <QToolButton>

namespace admin {

namespace {

const QList<int> kWidths{115, 45, 80, 70, 60, 75};
// The columns the totals add up (see storedb::stockOutsOfCategory).
constexpr int kPiecesColumn = 1;
constexpr int kMoneyColumn = 3;

// The source boxes list 全部, 收款机销售 and 后台出货, in this order.
storedb::StockOutSource sourceChosen(const QComboBox* box) {
    switch (box->currentIndex()) {
    case 1:
        return storedb::StockOutSource::Till;
    case 2:
        return storedb::StockOutSource::BackOffice;
    default:
        return storedb::StockOutSource::All;
    }
}

} // namespace

SalesQueryWindow::SalesQueryWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::SalesQueryWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(529, 411));

    // Each page's source choice is read when its query runs.
    query_ = new MovementQuery(
        session, this, movementQueryControls(*ui),
        {[this](const QString& hwlbh, const std::optional<storedb::MovementPeriod>& period) {
             return storedb::stockOutsOfCategoryFrom(sourceChosen(ui->CategorySource), hwlbh,
                                                     period);
         },
         [this](const QString& hwh, const std::optional<storedb::MovementPeriod>& period) {
             return storedb::stockOutsOfGoodsFrom(sourceChosen(ui->GoodsSource), hwh, period);
         },
         2, kWidths});
    connect(&query_->result(), &QAbstractItemModel::modelReset, this,
            &SalesQueryWindow::showTotals);

    // Not guarded: a name that cannot be shown is no reason for a message.
    connect(ui->categoryMovementsGrid, &QTableView::doubleClicked, this,
            &SalesQueryWindow::showGoodsNameOfRow);
    // Each page's result with its way out, at the end of its totals line.
    formkit::offerExport(ui->categoryMovementsGrid, windowTitle())
        ->makeButton(ui->categoryMovementsGrid->parentWidget(), QStringLiteral("ExportButton1"))
        ->setGeometry(401, ui->CategoryTotalMoney->y(), 80, 22);
    formkit::offerExport(ui->goodsMovementsGrid, windowTitle())
        ->makeButton(ui->goodsMovementsGrid->parentWidget(), QStringLiteral("ExportButton2"))
        ->setGeometry(401, ui->GoodsTotalMoney->y(), 80, 22);
}

SalesQueryWindow::~SalesQueryWindow() {
    delete ui;
}

void SalesQueryWindow::openByCategory() {
    query_->openOnPage(0);
}

void SalesQueryWindow::openByGoods() {
    query_->openOnPage(1);
}

bool SalesQueryWindow::isQuerying() const {
    return query_->isQuerying();
}

void SalesQueryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        query_->clearResult();
        formkit::runGuarded(QStringLiteral("SalesQueryWindow/show"),
                            [this] { query_->refreshCategoryLists(); });
    }
}

void SalesQueryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        query_->abandon();
}

void SalesQueryWindow::showGoodsNameOfRow(const QModelIndex& row) {
    const QString hwh = query_->result().index(row.row(), 0).data().toString();
    try {
        // Goods no longer catalogued have no name to show, and must not
        // show another's.
        ui->pickedGoodsName->setText(storedb::goodsNameOf(session_.db(), hwh).value_or(QString()));
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("SalesQueryWindow/categoryMovementsGrid"));
    }
}

// Every row read is added up, not only those on screen. Nothing is shown
// while no query has answered; a query that found nothing adds up to 0.
void SalesQueryWindow::showTotals() {
    const formkit::RowSetModel& rows = query_->result();
    QString pieces;
    QString money;
    if (rows.columnCount() > 0) {
        qint64 sl = 0;
        double amount = 0;
        for (int r = 0; r < rows.rowCount(); ++r) {
            sl += rows.index(r, kPiecesColumn).data().toLongLong();
            amount += rows.index(r, kMoneyColumn).data().toDouble();
        }
        pieces = QString::number(sl);
        money = storedb::numberText(storedb::roundFen(amount));
    }
    for (QLineEdit* box : {ui->CategoryTotalPieces, ui->GoodsTotalPieces})
        box->setText(pieces);
    for (QLineEdit* box : {ui->CategoryTotalMoney, ui->GoodsTotalMoney})
        box->setText(money);
}

} // namespace admin
