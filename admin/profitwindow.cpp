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
    connect(ui->BitBtn1, &QPushButton::clicked, this, &QWidget::close);
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
    ui->Edit1->setText(moneyText(sums.cost));
    ui->Edit2->setText(moneyText(sums.turnover));
    ui->Edit3->setText(moneyText(sums.stock));
    // From the figures as shown, so that the four boxes always add up.
    const double profit = storedb::toNumber(ui->Edit2->text()) +
                          storedb::toNumber(ui->Edit3->text()) -
                          storedb::toNumber(ui->Edit1->text());
    ui->Edit4->setText(moneyText(profit));
    for (QLineEdit* box : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4})
        box->setText(box->text() + kYuan);
}

} // namespace admin
