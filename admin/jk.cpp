#include "jk.h"

#include "ui_jk.h"

#include "formkit/toolwindow.h"

namespace admin {

Tjkform* jkform = nullptr;

Tjkform::Tjkform(QWidget* parent) : QWidget(parent), ui(new Ui::Tjkform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(675, 330));
}

Tjkform::~Tjkform() {
    if (jkform == this)
        jkform = nullptr;
    delete ui;
}

} // namespace admin
