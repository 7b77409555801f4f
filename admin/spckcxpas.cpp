#include "spckcxpas.h"
#include "ui_spckcxpas.h"

#include "movementquery.h"
#include "session.h"

#include "formkit/guard.h"
#include "formkit/toolwindow.h"

#include <QShowEvent>

namespace admin {

TspckcxForm::TspckcxForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TspckcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(529, 411));

    MovementQueryControls controls;
    controls.pages = ui->PageControl1;
    controls.byCategory = {ui->ComboBox1, ui->CheckBox1, ui->DateTimePicker1, ui->DateTimePicker2,
                           ui->BitBtn1,   ui->BitBtn2,   ui->Edit1,           ui->DBGrid1};
    controls.byGoods = {ui->ComboBox2,       ui->ComboBox3, ui->CheckBox2, ui->DateTimePicker3,
                        ui->DateTimePicker4, ui->BitBtn3,   ui->BitBtn4,   ui->Edit2,
                        ui->Edit3,           ui->DBGrid2};
    query_ = new MovementQuery(
        session, this, controls,
        {&storedb::stockOutsOfCategory, &storedb::stockOutsOfGoods, 2, {105, 60, 95, 85, 95}});

    // Not guarded: a name that cannot be shown is no reason for a message.
    connect(ui->DBGrid1, &QTableView::doubleClicked, this, &TspckcxForm::showGoodsNameOfRow);
}

TspckcxForm::~TspckcxForm() {
    delete ui;
}

void TspckcxForm::openByCategory() {
    query_->openOnPage(0);
}

void TspckcxForm::openByGoods() {
    query_->openOnPage(1);
}

bool TspckcxForm::isQuerying() const {
    return query_->isQuerying();
}

void TspckcxForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        query_->clearResult();
        formkit::runGuarded(QStringLiteral("TspckcxForm/show"),
                            [this] { query_->refreshCategoryLists(); });
    }
}

void TspckcxForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        query_->abandon();
}

void TspckcxForm::showGoodsNameOfRow(const QModelIndex& row) {
    const QString hwh = query_->result().index(row.row(), 0).data().toString();
    try {
        // Goods no longer catalogued have no name to show, and must not
        // show another's.
        ui->Edit4->setText(storedb::goodsNameOf(session_.db(), hwh).value_or(QString()));
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("TspckcxForm/DBGrid1"));
    }
}

} // namespace admin
