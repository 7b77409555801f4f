#include "help.h"

#include "ui_help.h"

#include "formkit/about.h"

namespace admin {

Thelpform::Thelpform(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::Thelpform) {
    ui->setupUi(this);
    QFont title = ui->Label1->font();
    title.setPointSize(title.pointSize() + 3);
    formkit::makeAboutWindow(this, QSize(324, 191), ui->Label1, title, ui->BitBtn1, ui->jsj);
}

Thelpform::~Thelpform() {
    delete ui;
}

} // namespace admin
