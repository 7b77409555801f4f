#include "spglpas.h"

#include "ui_spglpas.h"

#include "mainpas.h"
#include "opening.h"
#include "session.h"

#include "formkit/toolwindow.h"

#include <QCloseEvent>

namespace admin {

TspglForm::TspglForm(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::TspglForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(464, 351));
    connect(ui->BitBtn3, &QPushButton::clicked, this, &QWidget::close);
}

TspglForm::~TspglForm() {
    delete ui;
}

void TspglForm::openForStockIn() {
    bringUp(*this);
    ui->GroupBox1->setTitle(QStringLiteral("商品入库"));
    ui->Label7->setText(QStringLiteral("入货价    "));
    ui->Label8->setVisible(true);
    ui->Edit3->setVisible(true);
}

void TspglForm::openForStockOut() {
    bringUp(*this);
    ui->GroupBox1->setTitle(QStringLiteral("商品出库"));
    ui->Label7->setText(QStringLiteral("出货价     "));
    ui->Label8->setVisible(false);
    ui->Edit3->setVisible(false);
}

void TspglForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    session_.mainWindow().stockWindowClosed();
}

} // namespace admin
