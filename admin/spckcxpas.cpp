#include "spckcxpas.h"

#include "ui_spckcxpas.h"

#include "opening.h"

#include "formkit/toolwindow.h"

namespace admin {

TspckcxForm::TspckcxForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TspckcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(529, 411));
}

TspckcxForm::~TspckcxForm() {
    delete ui;
}

void TspckcxForm::openByCategory() {
    selectPageQuietly(ui->PageControl1, 0);
    bringUp(*this);
}

void TspckcxForm::openByGoods() {
    selectPageQuietly(ui->PageControl1, 1);
    bringUp(*this);
}

} // namespace admin
