#include "rsglpas.h"

#include "ui_rsglpas.h"

#include "formkit/grid.h"
#include "formkit/toolwindow.h"

namespace admin {

TrsglForm* rsglForm = nullptr;

TrsglForm::TrsglForm(QWidget* parent) : QWidget(parent), ui(new Ui::TrsglForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(524, 356));
    formkit::prepareGrid(ui->DBGrid1);
    formkit::prepareGrid(ui->DBGrid2);
}

TrsglForm::~TrsglForm() {
    if (rsglForm == this)
        rsglForm = nullptr;
    delete ui;
}

} // namespace admin
