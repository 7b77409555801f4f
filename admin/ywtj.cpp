#include "ywtj.h"

#include "ui_ywtj.h"

#include "formkit/toolwindow.h"

namespace admin {

Tywtjform* ywtjform = nullptr;

Tywtjform::Tywtjform(QWidget* parent) : QWidget(parent), ui(new Ui::Tywtjform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(657, 457));
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

Tywtjform::~Tywtjform() {
    if (ywtjform == this)
        ywtjform = nullptr;
    delete ui;
}

} // namespace admin
