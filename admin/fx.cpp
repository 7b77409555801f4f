#include "fx.h"

#include "ui_fx.h"

#include "formkit/toolwindow.h"

namespace admin {

Tfxform* fxform = nullptr;

Tfxform::Tfxform(QWidget* parent) : QWidget(parent), ui(new Ui::Tfxform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(513, 54));
}

Tfxform::~Tfxform() {
    if (fxform == this)
        fxform = nullptr;
    delete ui;
}

} // namespace admin
