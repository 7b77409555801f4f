#include "spglpas.h"

#include "ui_spglpas.h"

#include "mainpas.h"
#include "ui_mainpas.h"

#include "formkit/toolwindow.h"

#include <QCloseEvent>

namespace admin {

TspglForm* spglForm = nullptr;

TspglForm::TspglForm(QWidget* parent) : QWidget(parent), ui(new Ui::TspglForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(464, 351));
    connect(ui->BitBtn3, &QPushButton::clicked, this, &QWidget::close);
}

TspglForm::~TspglForm() {
    if (spglForm == this)
        spglForm = nullptr;
    delete ui;
}

void TspglForm::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

// Opening one mode disabled the other's menu entry; with the window gone both
// are available again.
void TspglForm::FormClose() {
    if (!mainform)
        return;
    mainform->ui->N7->setEnabled(true);
    mainform->ui->N6->setEnabled(true);
}

} // namespace admin
