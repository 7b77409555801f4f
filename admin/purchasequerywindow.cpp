#include "purchasequerywindow.h"
#include "ui_purchasequerywindow.h"

#include "movementquery.h"

#include "formkit/gridexport.h"
#include "formkit/guard.h"
#include "formkit/toolwindow.h"

#include <QShowEvent>

namespace admin {

PurchaseQueryWindow::PurchaseQueryWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), ui(new Ui::PurchaseQueryWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(533, 417));

    query_ = new MovementQuery(
        session, this, movementQueryControls(*ui),
        {&storedb::stockInsOfCategory, &storedb::stockInsOfGoods, 3, {100, 80, 50, 90, 100}});
    // Both pages show the one result, each with its way out.
    formkit::offerExport(ui->categoryMovementsGrid, windowTitle())->attachButton(ui->ExportButton1);
    formkit::offerExport(ui->goodsMovementsGrid, windowTitle())->attachButton(ui->ExportButton2);
}

PurchaseQueryWindow::~PurchaseQueryWindow() {
    delete ui;
}

void PurchaseQueryWindow::openByCategory() {
    query_->openOnPage(0);
}

void PurchaseQueryWindow::openByGoods() {
    query_->openOnPage(1);
}

bool PurchaseQueryWindow::isQuerying() const {
    return query_->isQuerying();
}

void PurchaseQueryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        formkit::runGuarded(QStringLiteral("PurchaseQueryWindow/show"),
                            [this] { query_->refreshCategoryLists(); });
}

void PurchaseQueryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        query_->abandon();
}

} // namespace admin
