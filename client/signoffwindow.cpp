#include "signoffwindow.h"

#include "ui_signoffwindow.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/guard.h"
#include "formkit/toolwindow.h"
#include "storedb/numtext.h"
#include "storedb/till.h"

#include <QStyle>

namespace {
QString amountText(double value) {
    return storedb::numberText(value) + QStringLiteral(" 元    ");
}
} // namespace

SignOffWindow::SignOffWindow(QWidget* parent) : QWidget(parent), ui(new Ui::SignOffWindow) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeToolWindow(this, QSize(297, 320), false);
    QFont large = formkit::songFont(26);
    large.setBold(true);
    for (QLabel* value : {ui->takingsLabel, ui->floatLeftLabel, ui->handInLabel})
        value->setFont(large);
    QPalette red = ui->handInLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->handInLabel->setPalette(red);
    ui->handInBox->setPalette(red);
    ui->confirmButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->confirmButton->setDefault(true);
    // Nothing awaits confirmation before the first sign-off.
    ui->confirmButton->setEnabled(false);
    formkit::onClick(ui->confirmButton, this, &SignOffWindow::confirmSummary);
    formkit::installDefaultButton(this);
}

SignOffWindow::~SignOffWindow() {
    delete ui;
}

void SignOffWindow::showSummary(const QString& clerkName, const storedb::ShiftFigures& figures) {
    ui->takingsBox->setTitle(QStringLiteral("售货员") + clerkName + QStringLiteral("本次营业额"));
    ui->takingsLabel->setText(amountText(figures.takings));
    ui->handInBox->setTitle(QStringLiteral("应交款"));
    ui->handInLabel->setText(amountText(figures.handIn));
    ui->floatLeftBox->setTitle(QStringLiteral("本台计算机还剩余额"));
    ui->floatLeftLabel->setText(amountText(figures.left));
    ui->confirmButton->setEnabled(true);
    show();
    activateWindow();
    ui->confirmButton->setFocus();
}

bool SignOffWindow::awaitingConfirmation() const {
    return ui->confirmButton->isEnabled();
}

void SignOffWindow::confirmSummary() {
    ui->confirmButton->setEnabled(false);
    close();
    emit confirmed();
}
