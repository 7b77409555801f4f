#include "help.h"

#include "ui_help.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/toolwindow.h"
#include "storedb/terminal.h"

#include <QShowEvent>

Thelpform::Thelpform(QWidget* parent) : QWidget(parent), ui(new Ui::Thelpform) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    QFont title = formkit::songFont(16);
    title.setBold(true);
    ui->Label1->setFont(title);
    formkit::makeToolWindow(this, QSize(315, 194), true);
    ui->BitBtn1->setDefault(true);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    formkit::installDefaultButton(this);
}

Thelpform::~Thelpform() {
    delete ui;
}

void Thelpform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui->Label6->setText(storedb::terminalName());
    ui->BitBtn1->setFocus();
}
