#include "yyejspas.h"

#include "ui_yyejspas.h"

#include "formkit/grid.h"
#include "formkit/toolwindow.h"

namespace admin {

TyyejsForm* yyejsForm = nullptr;

TyyejsForm::TyyejsForm(QWidget* parent) : QWidget(parent), ui(new Ui::TyyejsForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(498, 335));
    formkit::prepareGrid(ui->DBGrid1);
}

TyyejsForm::~TyyejsForm() {
    if (yyejsForm == this)
        yyejsForm = nullptr;
    delete ui;
}

} // namespace admin
