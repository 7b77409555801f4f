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

    MovementQueryControls controls;
    controls.pages = ui->PageControl1;
    controls.byCategory = {ui->ComboBox1, ui->CheckBox2, ui->DateTimePicker1, ui->DateTimePicker2,
                           ui->BitBtn1,   ui->BitBtn2,   ui->Edit1,           ui->DBGrid1};
    controls.byGoods = {ui->ComboBox2,       ui->ComboBox3, ui->CheckBox1, ui->DateTimePicker3,
                        ui->DateTimePicker4, ui->BitBtn3,   ui->BitBtn4,   ui->Edit2,
                        ui->Edit3,           ui->DBGrid2};
    query_ = new MovementQuery(
        session, this, controls,
        {&storedb::stockInsOfCategory, &storedb::stockInsOfGoods, 3, {100, 80, 50, 90, 100}});
    // Both pages show the one result, each with its way out.
    formkit::offerExport(ui->DBGrid1, windowTitle())->attachButton(ui->ExportButton1);
    formkit::offerExport(ui->DBGrid2, windowTitle())->attachButton(ui->ExportButton2);
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
