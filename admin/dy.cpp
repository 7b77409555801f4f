#include "dy.h"

#include "ui_dy.h"

#include "formkit/toolwindow.h"

namespace admin {

Tdyform::Tdyform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tdyform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(611, 471), false);
}

Tdyform::~Tdyform() {
    delete ui;
}

} // namespace admin
