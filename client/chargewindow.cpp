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
    const QList<QWidget*> large{ui->dueCaption, ui->dueLabel, ui->cashReceivedCaption,
                                ui->cashReceived, ui->changeCaption};
    for (QWidget* widget : large)
        widget->setFont(formkit::songFont(24));
    ui->changeLabel->setFont(formkit::songFont(32));
    formkit::installNumericFilter(ui->cashReceived,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    // Enter with an empty field does nothing; it never reaches the box.
    formkit::onEnter(ui->cashReceived, [this] {
        if (!ui->cashReceived->text().isEmpty())
            workOutChange();
    });
    ui->cashReceived->installEventFilter(this);
    formkit::onClick(ui->confirmButton, this, &ChargeWindow::finishSale);
}

ChargeWindow::~ChargeWindow() {
    delete ui;
}

void ChargeWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ui->cashReceived->clear();
    ui->cashReceived->setFocus();
    ui->dueLabel->setText(storedb::numberText(sale_.total));
}

bool ChargeWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->cashReceived && event->type() == QEvent::FocusOut) {
        // Only a move to another control of this window counts as leaving the
        // field, not the window losing its activation.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // A click on the confirm button works the cash out itself; doing it
        // here as well would show a conversion error twice.
        const bool confirming =
            reason == Qt::MouseFocusReason && QApplication::focusWidget() == ui->confirmButton;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            !confirming && !ui->cashReceived->text().isEmpty() && !finished_)
            formkit::runGuarded(QStringLiteral("ChargeWindow/cashReceived"),
                                [this] { workOutChange(); });
    }
    return QWidget::eventFilter(watched, event);
}

void ChargeWindow::keepFocusInCashReceived() {
    // Queued: when the field is being left, the focus is still on its way to
    // the other control and would otherwise end there.
    ui->cashReceived->setFocus();
    QTimer::singleShot(0, ui->cashReceived, [edit = ui->cashReceived] { edit->setFocus(); });
}

bool ChargeWindow::takeCash() {
    double received = 0;
    try {
        received = storedb::toNumber(ui->cashReceived->text());
    } catch (...) {
        // The text stays as typed for the clerk to correct; the handler's
        // guard shows the conversion error.
        keepFocusInCashReceived();
        throw;
    }
    const double due = sale_.total;
    if (received >= due) {
        ui->changeLabel->setText(storedb::numberText(storedb::roundFen(received - due)));
        ui->confirmButton->setFocus();
        return true;
    }
    // Short: no message, the change is never negative.
    ui->cashReceived->clear();
    ui->changeLabel->clear();
    keepFocusInCashReceived();
    return false;
}

void ChargeWindow::workOutChange() {
    takeCash();
}

void ChargeWindow::finishSale() {
    if (finished_)
        return;
    if (ui->cashReceived->text().isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入现收额！"));
        ui->cashReceived->clear();
        ui->cashReceived->setFocus();
        return;
    }
    // The field may have changed since the change was shown (or never been
    // left): the receipt must show a change that belongs to the cash on it.
    if (!takeCash())
        return;
    // The sale left the sale table when it was booked: the receipt prints
    // what was charged.
    ReceiptWindow& receipt = receipt_;
    receipt.setReceived(ui->cashReceived->text());
    receipt.setChange(ui->changeLabel->text());
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
