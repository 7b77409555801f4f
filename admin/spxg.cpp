#include "spxg.h"

#include "ui_spxg.h"

#include "opening.h"

#include "formkit/toolwindow.h"

namespace admin {

TspxgForm::TspxgForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TspxgForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(550, 459));
}

TspxgForm::~TspxgForm() {
    delete ui;
}

void TspxgForm::openCorrection() {
    selectPageQuietly(ui->PageControl1, 0);
    bringUp(*this);
}

void TspxgForm::openPriceChange() {
    selectPageQuietly(ui->PageControl1, 1);
    bringUp(*this);
}

} // namespace admin
