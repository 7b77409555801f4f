#include "help.h"

#include "ui_help.h"

#include "formkit/toolwindow.h"
#include "storedb/terminal.h"

namespace admin {

Thelpform* helpform = nullptr;

Thelpform::Thelpform(QWidget* parent) : QWidget(parent), ui(new Ui::Thelpform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(324, 191));
    QFont title = ui->Label1->font();
    title.setPointSize(title.pointSize() + 3);
    title.setBold(true);
    ui->Label1->setFont(title);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Thelpform::BitBtn1Click);
}

Thelpform::~Thelpform() {
    if (helpform == this)
        helpform = nullptr;
    delete ui;
}

void Thelpform::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
}

// Read on every show: the computer may have been renamed since.
void Thelpform::FormShow() {
    ui->jsj->setText(storedb::terminalName());
}

void Thelpform::BitBtn1Click() {
    close();
}

} // namespace admin
