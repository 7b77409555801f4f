#include "spxg.h"

#include "ui_spxg.h"

#include "formkit/toolwindow.h"

namespace admin {

TspxgForm* spxgForm = nullptr;

TspxgForm::TspxgForm(QWidget* parent) : QWidget(parent), ui(new Ui::TspxgForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(550, 459));
}

TspxgForm::~TspxgForm() {
    if (spxgForm == this)
        spxgForm = nullptr;
    delete ui;
}

} // namespace admin
