#include "returnwindow.h"

#include "receiptwindow.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { GoodsNumber, GoodsName, Price, Sold, Returned, Pieces, ColumnCount };

QTableWidgetItem* readOnly(const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setTextAlignment(alignment | Qt::AlignVCenter);
    return item;
}

// A pieces box's count: empty is none; anything else not a whole number
// (the filter lets only digits in, a paste of nothing but digits too) is none.
int piecesIn(const QLineEdit* box) {
    bool ok = false;
    const int pieces = box->text().trimmed().toInt(&ok);
    return ok ? pieces : 0;
}

} // namespace

ReturnWindow::ReturnWindow(TillSession& session, ReceiptWindow& receipt, QWidget* parent)
    : QWidget(parent), session_(session), receipt_(receipt) {
    setWindowTitle(QStringLiteral("退货"));
    setStatusTip(QStringLiteral("状态:正在退货"));
    setFont(formkit::songFont());

    billNumber_ = new QLineEdit(this);
    billNumber_->setObjectName(QStringLiteral("billNumber"));
    billNumber_->setMaxLength(18);
    find_ = new QPushButton(QStringLiteral("查找"), this);
    find_->setObjectName(QStringLiteral("find"));
    billInfo_ = new QLabel(this);
    billInfo_->setObjectName(QStringLiteral("billInfo"));

    lines_ = new QTableWidget(0, ColumnCount, this);
    lines_->setObjectName(QStringLiteral("lines"));
    lines_->setHorizontalHeaderLabels({QStringLiteral("货物号"), QStringLiteral("货物名"),
                                       QStringLiteral("单价"), QStringLiteral("售出"),
                                       QStringLiteral("已退"), QStringLiteral("退货数")});
    lines_->verticalHeader()->hide();
    lines_->setSelectionMode(QAbstractItemView::NoSelection);
    lines_->setFocusPolicy(Qt::NoFocus);
    lines_->horizontalHeader()->setSectionResizeMode(GoodsName, QHeaderView::Stretch);
    for (int column : {GoodsNumber, Price, Sold, Returned, Pieces})
        lines_->setColumnWidth(column, column == GoodsNumber ? 110 : 64);

    wholeBill_ = new QPushButton(QStringLiteral("整单退货"), this);
    wholeBill_->setObjectName(QStringLiteral("wholeBill"));
    wholeBill_->setShortcut(Qt::Key_F5);
    refund_ = new QLabel(this);
    refund_->setObjectName(QStringLiteral("refund"));
    refund_->setFont(formkit::songFont(20));
    QPalette red = refund_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    refund_->setPalette(red);

    adminNumber_ = new QLineEdit(this);
    adminNumber_->setObjectName(QStringLiteral("adminNumber"));
    adminNumber_->setMaxLength(50);
    adminPassword_ = new QLineEdit(this);
    adminPassword_->setObjectName(QStringLiteral("adminPassword"));
    adminPassword_->setEchoMode(QLineEdit::Password);
    adminPassword_->setMaxLength(50);
    confirm_ = new QPushButton(QStringLiteral("确认退货"), this);
    confirm_->setObjectName(QStringLiteral("confirm"));
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));

    auto* billRow = new QHBoxLayout;
    billRow->addWidget(new QLabel(QStringLiteral("帐单流水号"), this));
    billRow->addWidget(billNumber_, 1);
    billRow->addWidget(find_);
    auto* refundRow = new QHBoxLayout;
    refundRow->addWidget(wholeBill_);
    refundRow->addStretch(1);
    refundRow->addWidget(refund_);
    auto* authorisation = new QGridLayout;
    authorisation->addWidget(new QLabel(QStringLiteral("授权管理员号"), this), 0, 0);
    authorisation->addWidget(adminNumber_, 0, 1);
    authorisation->addWidget(new QLabel(QStringLiteral("密码"), this), 0, 2);
    authorisation->addWidget(adminPassword_, 0, 3);
    authorisation->addWidget(confirm_, 0, 4);
    authorisation->addWidget(cancel_, 0, 5);
    auto* keys = new QLabel(QStringLiteral("回车: 下一项    F5: 整单退货    Esc: 取消"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(billRow);
    layout->addWidget(billInfo_);
    layout->addWidget(lines_, 1);
    layout->addLayout(refundRow);
    layout->addLayout(authorisation);
    layout->addWidget(keys);
    formkit::makeToolWindow(this, QSize(640, 430));

    formkit::installNumericFilter(billNumber_, formkit::NumericKeys::DigitsBackspaceEscape);
    formkit::installVisibleTextFilter(adminNumber_);
    // Through the buttons, so that Enter and a click run the same guarded handler.
    formkit::onEnter(billNumber_, [this] { find_->click(); });
    formkit::onEnter(adminNumber_, [this] { adminPassword_->setFocus(); });
    formkit::onEnter(adminPassword_, [this] {
        if (confirm_->isEnabled())
            confirm_->click();
    });
    formkit::onClick(find_, this, &ReturnWindow::findBill);
    formkit::onClick(wholeBill_, this, &ReturnWindow::returnWholeBill);
    formkit::onClick(confirm_, this, &ReturnWindow::confirmReturn);
    connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
    formkit::installCancelButton(this, cancel_);
    // The name taken by another till: nothing more may be booked here.
    connect(&session_, &TillSession::tillNameLost, this, &QWidget::close);
    clearBill();
}

void ReturnWindow::openForReturn() {
    show();
    raise();
    activateWindow();
    billNumber_->setFocus();
}

void ReturnWindow::openForVoid(qint64 bill) {
    openForReturn();
    billNumber_->setText(QString::number(bill));
    findBill();
    if (!bill_)
        return;
    returnWholeBill();
    adminNumber_->setFocus();
}

void ReturnWindow::clearBill() {
    bill_.reset();
    // At once, not later as the table would: the next bill's boxes take
    // their names.
    qDeleteAll(pieces_);
    pieces_.clear();
    lines_->setRowCount(0);
    billInfo_->clear();
    showRefund();
    wholeBill_->setEnabled(false);
    confirm_->setEnabled(false);
}

void ReturnWindow::findBill() {
    clearBill();
    forgetAuthorisation();
    bool ok = false;
    const qint64 num = billNumber_->text().trimmed().toLongLong(&ok);
    if (!ok || num <= 0) {
        formkit::showMessage(QStringLiteral("请输入小票上的帐单流水号！"));
        billNumber_->setFocus();
        billNumber_->selectAll();
        return;
    }
    const std::optional<storedb::BillForReturn> bill = storedb::billForReturn(session_.db(), num);
    if (!bill) {
        formkit::showMessage(QStringLiteral("找不到帐单流水号为 %1 的销售,请检查输入！").arg(num));
        billNumber_->setFocus();
        billNumber_->selectAll();
        return;
    }
    if (bill->fullyReturned()) {
        formkit::showMessage(QStringLiteral("帐单 %1 的货物已经全部退货,不能再退！").arg(num));
        billNumber_->setFocus();
        billNumber_->selectAll();
        return;
    }
    showBill(*bill);
}

void ReturnWindow::showBill(const storedb::BillForReturn& bill) {
    bill_ = bill;
    QString info = QStringLiteral("日期 ") + bill.date.toString(QStringLiteral("yyyy-MM-dd"));
    if (!bill.jsj.isEmpty())
        info += QStringLiteral("    收款机 ") + bill.jsj;
    if (!bill.shyh.isEmpty())
        info += QStringLiteral("    售货员 ") + bill.shyh + QLatin1Char(' ') + bill.shym;
    billInfo_->setText(info);

    lines_->setRowCount(int(bill.lines.size()));
    QLineEdit* first = nullptr;
    for (int row = 0; row < bill.lines.size(); ++row) {
        const storedb::BillLine& line = bill.lines[row];
        lines_->setItem(row, GoodsNumber, readOnly(line.hwh));
        lines_->setItem(row, GoodsName, readOnly(line.hwm));
        lines_->setItem(row, Price, readOnly(storedb::numberText(line.dj), Qt::AlignRight));
        lines_->setItem(row, Sold, readOnly(QString::number(line.sold), Qt::AlignRight));
        lines_->setItem(row, Returned, readOnly(QString::number(line.returned), Qt::AlignRight));
        auto* box = new QLineEdit(lines_);
        box->setObjectName(QStringLiteral("pieces%1").arg(row));
        box->setMaxLength(9);
        box->setAlignment(Qt::AlignRight);
        formkit::installNumericFilter(box, formkit::NumericKeys::DigitsBackspaceEscape);
        // Nothing left on the line: nothing to key.
        box->setEnabled(line.left() > 0);
        connect(box, &QLineEdit::textChanged, this, &ReturnWindow::showRefund);
        lines_->setCellWidget(row, Pieces, box);
        pieces_ << box;
        if (!first && box->isEnabled())
            first = box;
    }
    // Enter walks down the lines that can be returned, then to the
    // administrator's number.
    QList<QLineEdit*> open;
    for (QLineEdit* box : pieces_) {
        if (box->isEnabled())
            open << box;
    }
    for (qsizetype i = 0; i < open.size(); ++i) {
        QWidget* next = i + 1 < open.size() ? static_cast<QWidget*>(open[i + 1]) : adminNumber_;
        formkit::onEnter(open[i], [next] { next->setFocus(); });
    }
    wholeBill_->setEnabled(true);
    confirm_->setEnabled(true);
    showRefund();
    if (first)
        first->setFocus();
}

void ReturnWindow::returnWholeBill() {
    if (!bill_)
        return;
    for (int row = 0; row < pieces_.size(); ++row) {
        const int left = bill_->lines[row].left();
        pieces_[row]->setText(left > 0 ? QString::number(left) : QString());
    }
    adminNumber_->setFocus();
}

void ReturnWindow::showRefund() {
    double refund = 0;
    if (bill_) {
        for (int row = 0; row < pieces_.size(); ++row)
            refund += piecesIn(pieces_[row]) * bill_->lines[row].dj;
    }
    refund_->setText(QStringLiteral("退款金额 ") + storedb::numberText(storedb::roundFen(refund)) +
                     QStringLiteral(" 元"));
}

std::optional<QList<storedb::ReturnPiece>> ReturnWindow::chosenPieces() {
    QList<storedb::ReturnPiece> chosen;
    for (int row = 0; row < pieces_.size(); ++row) {
        const storedb::BillLine& line = bill_->lines[row];
        QLineEdit* box = pieces_[row];
        const QString text = box->text().trimmed();
        if (text.isEmpty())
            continue;
        bool ok = false;
        const int pieces = text.toInt(&ok);
        if (!ok || pieces > line.left()) {
            formkit::showMessage(QStringLiteral("商品 %1 最多还能退 %2 件,请重新输入！")
                                     .arg(line.hwh, QString::number(line.left())));
            box->setFocus();
            box->selectAll();
            return std::nullopt;
        }
        if (pieces > 0)
            chosen << storedb::ReturnPiece{line.hwh, line.dj, pieces};
    }
    return chosen;
}

bool ReturnWindow::authorised(const QString& glyh, const QString& password) {
    if (glyh.trimmed().isEmpty()) {
        formkit::showMessage(QStringLiteral("退货须由管理员输入管理员号和密码授权！"));
        adminNumber_->setFocus();
        return false;
    }
    // No number holds a NUL, and PostgreSQL would cut the statement there.
    const std::optional<storedb::AdministratorLogin> administrator =
        glyh.contains(QChar(0)) ? std::nullopt : storedb::glydl(session_.db(), glyh);
    if (!administrator || administrator->mm != password) {
        formkit::showMessage(QStringLiteral("管理员号或密码错误,不能退货！"));
        adminNumber_->setFocus();
        return false;
    }
    return true;
}

void ReturnWindow::forgetAuthorisation() {
    adminNumber_->clear();
    adminPassword_->clear();
}

void ReturnWindow::confirmReturn() {
    const std::optional<Clerk> clerk = session_.clerkOnDuty();
    if (!clerk) {
        close();
        return;
    }
    // The authorisation is for this attempt alone, booked or refused.
    const QString glyh = adminNumber_->text();
    const QString password = adminPassword_->text();
    forgetAuthorisation();
    if (!bill_) {
        formkit::showMessage(QStringLiteral("请先输入帐单流水号,按回车查找！"));
        billNumber_->setFocus();
        return;
    }
    const std::optional<QList<storedb::ReturnPiece>> pieces = chosenPieces();
    if (!pieces)
        return;
    if (pieces->isEmpty()) {
        formkit::showMessage(QStringLiteral("请输入退货数量,或按F5整单退货！"));
        if (QLineEdit* first = pieces_.isEmpty() ? nullptr : pieces_.first())
            first->setFocus();
        return;
    }
    if (!authorised(glyh, password))
        return;
    storedb::BookedReturn booked;
    try {
        booked = storedb::bookReturn(session_.db(), session_.terminal(), clerk->shyh, glyh,
                                     bill_->num, *pieces, QDateTime::currentDateTime());
    } catch (const storedb::ReturnRefusedError& refused) {
        formkit::showMessage(refused.userText());
        // Another till may have taken pieces back meanwhile: show what is left.
        const qint64 num = bill_->num;
        clearBill();
        if (const auto bill = storedb::billForReturn(session_.db(), num);
            bill && !bill->fullyReturned())
            showBill(*bill);
        else
            billNumber_->setFocus();
        return;
    }
    receipt_.printReturn(session_.db(), booked, clerk->shyh + QLatin1Char(' ') + clerk->shym);
    formkit::showMessage(
        QStringLiteral("退货成功！请退给顾客 %1 元。").arg(storedb::numberText(booked.amount)));
    emit returnBooked(booked);
    close();
}

void ReturnWindow::closeEvent(QCloseEvent* event) {
    forgetAuthorisation();
    QWidget::closeEvent(event);
    emit closed();
}
