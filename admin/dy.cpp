#include "dy.h"

#include "ui_dy.h"

#include "formkit/toolwindow.h"

namespace admin {

Tdyform* dyform = nullptr;

Tdyform::Tdyform(QWidget* parent) : QWidget(parent), ui(new Ui::Tdyform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(611, 471), false);
}

Tdyform::~Tdyform() {
    if (dyform == this)
        dyform = nullptr;
    delete ui;
}

} // namespace admin
