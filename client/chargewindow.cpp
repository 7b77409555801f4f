#include "chargewindow.h"

#include "ui_chargewindow.h"

#include "receiptwindow.h"
#include "session.h"

#include "formkit/fonts.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/numtext.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QTimer>

ChargeWindow::ChargeWindow(TillSession& session, ReceiptWindow& receipt, storedb::ChargedSale sale,
                           QWidget* parent)
    : QWidget(parent), session_(session), receipt_(receipt), ui(new Ui::ChargeWindow),
      sale_(std::move(sale)) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(291, 257), false);
    // Large figures the customer can read across the counter.
    const QList<QWidget*> large{ui->Label1, ui->ysk, ui->Label2, ui->Edit1, ui->Label3};
    for (QWidget* widget : large)
        widget->setFont(formkit::songFont(24));
    ui->zl->setFont(formkit::songFont(32));
    formkit::installNumericFilter(ui->Edit1, formkit::NumericKeys::DigitsPointBackspaceEscape);
    // Enter with an empty field does nothing; it never reaches the box.
    formkit::onEnter(ui->Edit1, [this] {
        if (!ui->Edit1->text().isEmpty())
            workOutChange();
    });
    ui->Edit1->installEventFilter(this);
    formkit::onClick(ui->BitBtn1, this, &ChargeWindow::finishSale);
}

ChargeWindow::~ChargeWindow() {
    delete ui;
}

void ChargeWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui->Edit1->clear();
    ui->Edit1->setFocus();
    ui->ysk->setText(storedb::numberText(sale_.total));
}

bool ChargeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Edit1 && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window counts as leaving the
        // field, not the window losing its activation.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A click on the confirm button works the cash out itself; doing it
        // here as well would show a conversion error twice.
        const bool confirming =
            reason == Qt::MouseFocusReason && QApplication::focusWidget() == ui->BitBtn1;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            !confirming && !ui->Edit1->text().isEmpty() && !finished_)
            formkit::runGuarded(QStringLiteral("ChargeWindow/Edit1"), [this] { workOutChange(); });
    }
    return QWidget::eventFilter(watched, event);
}

void ChargeWindow::keepFocusInEdit1() {
    // Queued: when the field is being left, the focus is still on its way to
    // the other control and would otherwise end there.
    ui->Edit1->setFocus();
    QTimer::singleShot(0, ui->Edit1, [edit = ui->Edit1] { edit->setFocus(); });
}

bool ChargeWindow::takeCash() {
    double received = 0;
    try {
        received = storedb::toNumber(ui->Edit1->text());
    } catch (...) {
        // The text stays as typed for the clerk to correct; the handler's
        // guard shows the conversion error.
        keepFocusInEdit1();
        throw;
    }
    const double due = sale_.total;
    if (received >= due) {
        ui->zl->setText(storedb::numberText(storedb::roundFen(received - due)));
        ui->BitBtn1->setFocus();
        return true;
    }
    // Short: no message, the change is never negative.
    ui->Edit1->clear();
    ui->zl->clear();
    keepFocusInEdit1();
    return false;
}

void ChargeWindow::workOutChange() {
    takeCash();
}

void ChargeWindow::finishSale() {
    if (finished_)
        return;
    if (ui->Edit1->text().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入现收额！"));
        ui->Edit1->clear();
        ui->Edit1->setFocus();
        return;
    }
    // The field may have changed since the change was shown (or never been
    // left): the receipt must show a change that belongs to the cash on it.
    if (!takeCash())
        return;
    // The sale left the sale table when it was booked: the receipt prints
    // what was charged.
    ReceiptWindow& receipt = receipt_;
    receipt.setReceived(ui->Edit1->text());
    receipt.setChange(ui->zl->text());
    const std::optional<Clerk>& clerk = session_.clerkOnDuty();
    receipt.print(session_.db(), sale_,
                  clerk ? clerk->shyh + QLatin1Char(' ') + clerk->shym : QString());
    finished_ = true;
    emit saleFinished();
    close();
}

void ChargeWindow::closeEvent(QCloseEvent* event) {
    // Leaving before the receipt would drop a booked sale whose lines are
    // still in the sale table, to be charged a second time.
    if (!finished_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    emit closed();
}
