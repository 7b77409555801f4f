#include "yl.h"

#include "ui_yl.h"

#include "formkit/toolwindow.h"

namespace admin {

Tylform::Tylform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tylform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(370, 286));
}

Tylform::~Tylform() {
    delete ui;
}

} // namespace admin
