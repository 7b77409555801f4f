#include "ywtj.h"

#include "ui_ywtj.h"

#include "opening.h"

#include "formkit/toolwindow.h"

namespace admin {

Tywtjform::Tywtjform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Tywtjform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(657, 457));
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
}

Tywtjform::~Tywtjform() {
    delete ui;
}

void Tywtjform::openByCategory() {
    selectPageQuietly(ui->PageControl1, 0);
    bringUp(*this);
}

void Tywtjform::openByGoods() {
    selectPageQuietly(ui->PageControl1, 1);
    bringUp(*this);
}

} // namespace admin
