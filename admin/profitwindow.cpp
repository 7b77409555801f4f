#include "profitwindow.h"

#include "ui_profitwindow.h"

#include "session.h"

#include "formkit/guard.h"
#include "formkit/toolwindow.h"
#include "storedb/numtext.h"
#include "storedb/statistics.h"

#include <QShowEvent>

namespace admin {

namespace {

const QString kYuan = QStringLiteral(" 元");

QString moneyText(double value) {
    return storedb::numberText(storedb::roundFen(value));
}

} // namespace

ProfitWindow::ProfitWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::ProfitWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(370, 286));
    connect(ui->closeButton, &QPushButton::clicked, this, &QWidget::close);
}

ProfitWindow::~ProfitWindow() {
    delete ui;
}

void ProfitWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window brought back from the task bar is not shown afresh.
    if (!event->spontaneous())
        formkit::runGuarded(QStringLiteral("ProfitWindow/show"), [this] { showEstimate(); });
}

void ProfitWindow::showEstimate() {
    const storedb::ProfitSums sums = storedb::profitSums(session_.db());
    ui->totalCost->setText(moneyText(sums.cost));
    ui->totalTurnover->setText(moneyText(sums.turnover));
    ui->stockValue->setText(moneyText(sums.stock));
    // From the figures as shown, so that the four boxes always add up.
    const double profit = storedb::toNumber(ui->totalTurnover->text()) +
                          storedb::toNumber(ui->stockValue->text()) -
                          storedb::toNumber(ui->totalCost->text());
    ui->estimatedProfit->setText(moneyText(profit));
    for (QLineEdit* box : {ui->totalCost, ui->totalTurnover, ui->stockValue, ui->estimatedProfit})
        box->setText(box->text() + kYuan);
}

} // namespace admin
