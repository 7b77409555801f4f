#include "help.h"

#include "ui_help.h"

#include "formkit/about.h"
#include "formkit/fonts.h"

Thelpform::Thelpform(QWidget* parent) : QWidget(parent), ui(new Ui::Thelpform) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeAboutWindow(this, QSize(315, 194), ui->Label1, formkit::songFont(16), ui->BitBtn1,
                             ui->Label6);
}

Thelpform::~Thelpform() {
    delete ui;
}
