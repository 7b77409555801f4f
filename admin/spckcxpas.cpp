#include "spckcxpas.h"

#include "ui_spckcxpas.h"

#include "formkit/toolwindow.h"

namespace admin {

TspckcxForm* spckcxForm = nullptr;

TspckcxForm::TspckcxForm(QWidget* parent) : QWidget(parent), ui(new Ui::TspckcxForm) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(529, 411));
}

TspckcxForm::~TspckcxForm() {
    if (spckcxForm == this)
        spckcxForm = nullptr;
    delete ui;
}

} // namespace admin
