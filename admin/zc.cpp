#include "zc.h"

#include "ui_zc.h"

#include "formkit/toolwindow.h"

namespace admin {

Tzcform* zcform = nullptr;

Tzcform::Tzcform(QWidget* parent) : QWidget(parent), ui(new Ui::Tzcform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(536, 367));
}

Tzcform::~Tzcform() {
    if (zcform == this)
        zcform = nullptr;
    delete ui;
}

} // namespace admin
