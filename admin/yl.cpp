#include "yl.h"

#include "ui_yl.h"

#include "formkit/toolwindow.h"

namespace admin {

Tylform* ylform = nullptr;

Tylform::Tylform(QWidget* parent) : QWidget(parent), ui(new Ui::Tylform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(370, 286));
}

Tylform::~Tylform() {
    if (ylform == this)
        ylform = nullptr;
    delete ui;
}

} // namespace admin
