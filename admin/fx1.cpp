#include "fx1.h"

#include "ui_fx1.h"

#include "formkit/toolwindow.h"

namespace admin {

Tfx1form* fx1form = nullptr;

Tfx1form::Tfx1form(QWidget* parent) : QWidget(parent), ui(new Ui::Tfx1form) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(572, 406));
}

Tfx1form::~Tfx1form() {
    if (fx1form == this)
        fx1form = nullptr;
    delete ui;
}

} // namespace admin
