#include "sprhcxpas.h"

#include "ui_sprhcxpas.h"

#include "formkit/toolwindow.h"

namespace admin {

TsprhcxForm* sprhcxForm = nullptr;

TsprhcxForm::TsprhcxForm(QWidget* parent) : QWidget(parent), ui(new Ui::TsprhcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(533, 417));
}

TsprhcxForm::~TsprhcxForm() {
    if (sprhcxForm == this)
        sprhcxForm = nullptr;
    delete ui;
}

} // namespace admin
