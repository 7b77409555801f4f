#include "aboutwindow.h"

#include "ui_aboutwindow.h"

#include "formkit/about.h"

namespace admin {

AboutWindow::AboutWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::AboutWindow) {
    ui->setupUi(this);
    QFont title = ui->Label1->font();
    title.setPointSize(title.pointSize() + 3);
    formkit::makeAboutWindow(this, QSize(324, 191), ui->Label1, title, ui->BitBtn1, ui->jsj);
}

AboutWindow::~AboutWindow() {
    delete ui;
}

} // namespace admin
