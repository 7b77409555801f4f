#include "jk.h"

#include "ui_jk.h"

#include "formkit/toolwindow.h"

namespace admin {

Tjkform::Tjkform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tjkform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(675, 330));
}

Tjkform::~Tjkform() {
    delete ui;
}

} // namespace admin
