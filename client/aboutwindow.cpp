#include "aboutwindow.h"

#include "ui_aboutwindow.h"

#include "formkit/about.h"
#include "formkit/fonts.h"

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent), ui(new Ui::AboutWindow) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeAboutWindow(this, QSize(315, 194), ui->titleLabel, formkit::songFont(16),
                             ui->closeButton, ui->computerNameLabel);
}

AboutWindow::~AboutWindow() {
    delete ui;
}
