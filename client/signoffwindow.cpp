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
    for (QLabel* value : {ui->Label2, ui->Label6, ui->Label4})
        value->setFont(large);
    QPalette red = ui->Label4->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->Label4->setPalette(red);
    ui->label3->setPalette(red);
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn1->setDefault(true);
    // Nothing awaits confirmation before the first sign-off.
    ui->BitBtn1->setEnabled(false);
    formkit::onClick(ui->BitBtn1, this, &SignOffWindow::confirmSummary);
    formkit::installDefaultButton(this);
}

SignOffWindow::~SignOffWindow() {
    delete ui;
}

void SignOffWindow::showSummary(const QString& clerkName, const storedb::ShiftFigures& figures) {
    ui->label1->setTitle(QStringLiteral("售货员") + clerkName + QStringLiteral("本次营业额"));
    ui->Label2->setText(amountText(figures.takings));
    ui->label3->setTitle(QStringLiteral("应交款"));
    ui->Label4->setText(amountText(figures.handIn));
    ui->label5->setTitle(QStringLiteral("本台计算机还剩余额"));
    ui->Label6->setText(amountText(figures.left));
    ui->BitBtn1->setEnabled(true);
    show();
    activateWindow();
    ui->BitBtn1->setFocus();
}

bool SignOffWindow::awaitingConfirmation() const {
    return ui->BitBtn1->isEnabled();
}

void SignOffWindow::confirmSummary() {
    ui->BitBtn1->setEnabled(false);
    close();
    emit confirmed();
}
