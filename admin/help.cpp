#include "help.h"

#include "ui_help.h"

#include "formkit/buttonkeys.h"
#include "formkit/toolwindow.h"
#include "storedb/terminal.h"

namespace admin {

Thelpform::Thelpform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Thelpform) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(324, 191));
    QFont title = ui->Label1->font();
    title.setPointSize(title.pointSize() + 3);
    title.setBold(true);
    ui->Label1->setFont(title);
    // One button: Enter and Esc both close the window.
    ui->BitBtn1->setDefault(true);
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->BitBtn1);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
}

Thelpform::~Thelpform() {
    delete ui;
}

void Thelpform::showEvent(QShowEvent* event) {
    showComputerName();
    QWidget::showEvent(event);
}

// Read on every show: the computer may have been renamed since.
void Thelpform::showComputerName() {
    ui->jsj->setText(storedb::terminalName());
}

} // namespace admin
