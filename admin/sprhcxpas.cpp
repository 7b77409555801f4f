#include "sprhcxpas.h"

#include "ui_sprhcxpas.h"

#include "opening.h"

#include "formkit/toolwindow.h"

namespace admin {

TsprhcxForm::TsprhcxForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TsprhcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(533, 417));
}

TsprhcxForm::~TsprhcxForm() {
    delete ui;
}

void TsprhcxForm::openByCategory() {
    selectPageQuietly(ui->PageControl1, 0);
    bringUp(*this);
}

void TsprhcxForm::openByGoods() {
    selectPageQuietly(ui->PageControl1, 1);
    bringUp(*this);
}

} // namespace admin
