#include "fx.h"

#include "ui_fx.h"

#include "formkit/toolwindow.h"

namespace admin {

Tfxform::Tfxform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tfxform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(513, 54));
}

Tfxform::~Tfxform() {
    delete ui;
}

} // namespace admin
