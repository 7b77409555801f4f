#include "fx1.h"

#include "ui_fx1.h"

#include "formkit/toolwindow.h"

namespace admin {

Tfx1form::Tfx1form(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tfx1form) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(572, 406));
}

Tfx1form::~Tfx1form() {
    delete ui;
}

} // namespace admin
