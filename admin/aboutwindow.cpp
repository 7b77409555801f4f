#include "aboutwindow.h"

#include "ui_aboutwindow.h"

#include "formkit/about.h"

namespace admin {

AboutWindow::AboutWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::AboutWindow) {
    ui->setupUi(this);
    QFont title = ui->titleLabel->font();
    title.setPointSize(title.pointSize() + 3);
    formkit::makeAboutWindow(this, QSize(324, 191), ui->titleLabel, title, ui->closeButton,
                             ui->computerNameLabel);
}

AboutWindow::~AboutWindow() {
    delete ui;
}

} // namespace admin
