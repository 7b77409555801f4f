#include "zc.h"

#include "ui_zc.h"

#include "formkit/toolwindow.h"

namespace admin {

Tzcform::Tzcform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tzcform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 367));
}

Tzcform::~Tzcform() {
    delete ui;
}

} // namespace admin
