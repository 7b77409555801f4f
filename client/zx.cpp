#include "zx.h"

#include "tavo.h"
#include "ui_tavo.h"
#include "ui_zx.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/toolwindow.h"
#include "storedb/numtext.h"
#include "storedb/till.h"

#include <QShowEvent>
#include <QStyle>

Tzxform* zxform = nullptr;

namespace {
QString amountText(double value) {
    return storedb::numberText(value) + QStringLiteral(" 元    ");
}
} // namespace

Tzxform::Tzxform(QWidget* parent) : QWidget(parent), ui(new Ui::Tzxform) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeToolWindow(this, QSize(297, 320), false);
    QFont large = formkit::songFont(26);
    large.setBold(true);
    for (QLabel* value : {ui->Label2, ui->Label6, ui->Label4})
        value->setFont(large);
    QPalette red = ui->Label4->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->Label4->setPalette(red);
    ui->label3->setPalette(red);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn1->setDefault(true);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tzxform::BitBtn1Click);
    formkit::installDefaultButton(this);
}

Tzxform::~Tzxform() {
    delete ui;
    if (zxform == this)
        zxform = nullptr;
}

void Tzxform::fill(const QString& clerkName, const storedb::ShiftFigures& figures) {
    ui->label1->setTitle(QStringLiteral("售货员") + clerkName + QStringLiteral("本次营业额"));
    ui->Label2->setText(amountText(figures.takings));
    ui->label3->setTitle(QStringLiteral("应交款"));
    ui->Label4->setText(amountText(figures.handIn));
    ui->label5->setTitle(QStringLiteral("本台计算机还剩余额"));
    ui->Label6->setText(amountText(figures.left));
}

void Tzxform::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    ui->BitBtn1->setEnabled(true);
    ui->BitBtn1->setFocus();
    if (mainform)
        mainform->setState(Tmainform::State::SignOffSummary);
}

void Tzxform::BitBtn1Click() {
    ui->BitBtn1->setEnabled(false);
    if (mainform)
        mainform->setState(Tmainform::State::NoClerk);
    close();
    if (mainform)
        mainform->takeKeyboard();
}
