#include "tillwindow.h"

#include "ui_tillwindow.h"

#include "chargewindow.h"
#include "receiptwindow.h"
#include "returnwindow.h"
#include "session.h"
#include "signoffwindow.h"
#include "signonwindow.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/hint.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/scandetector.h"
#include "formkit/toolwindow.h"
#include "formkit/upgradewindow.h"
#include "storedb/barcode.h"
#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/till.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSqlQueryModel>
#include <QStyle>
#include <QTimer>

namespace {
const QString kDeletePrompt = QStringLiteral("输入删除的货物编号");
const QList<int> kGridWidths{56, 270, 140, 140, 140};
const QList<int> kGridWidthsAfterAdd{53, 270, 140, 140, 140};

// The till keeps money to the jiao: a label's fen are rounded half up, in
// whole numbers, so that 12.35 never turns into 12.3.
double jiaoPrice(qint64 fen) {
    return double((fen + 5) / 10) / 10;
}

// The goods a scale label names: its number as printed, else without the
// leading zeros the label pads it with.
std::optional<std::pair<QString, storedb::GoodsAtTill>> labelGoods(const storedb::Db& db,
                                                                   const QString& printed) {
    QString bare = printed;
    while (bare.startsWith(QLatin1Char('0')))
        bare.remove(0, 1);
    for (const QString& hwh : {printed, bare}) {
        if (hwh.isEmpty())
            continue;
        if (const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db, hwh))
            return std::pair{hwh, *goods};
    }
    return std::nullopt;
}
} // namespace

TillWindow::TillWindow(TillSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui(new Ui::TillWindow) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(790, 545);
    setFont(formkit::songFont());
    ui->salePanel->setFont(formkit::songFont(15));
    QPalette red = ui->totalLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->totalLabel->setPalette(red);
    ui->statusLabel->raise();
    ui->clockLabel->raise();

    ui->exitAction->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->openSalePanelAction->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    ui->signOnAction->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->signOffAction->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->aboutAction->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    ui->deleteLineButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->addLineButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));

    lsb = new QSqlQueryModel(this);
    ui->saleLines->setModel(lsb);
    formkit::prepareGrid(ui->saleLines);
    ui->saleLines->viewport()->installEventFilter(this);

    // The application's hint handler: the status line follows the pointer.
    hints_ = new formkit::HintWatcher(this);
    connect(hints_, &formkit::HintWatcher::hintChanged, ui->statusLabel, &QLabel::setText);
    setStatusText(QStringLiteral("欢迎进入Orvani系统--收银台端"));

    // Function keys, so that a clerk never needs the mouse. The toolbar's
    // actions only answer while their button is shown and enabled, so the
    // keys follow the states exactly as the buttons do.
    ui->openSalePanelAction->setShortcut(Qt::Key_F2);
    ui->signOnAction->setShortcut(Qt::Key_F3);
    ui->signOffAction->setShortcut(Qt::Key_F4);
    ui->chargeButton->setShortcut(Qt::Key_F5);
    ui->takingsButton->setShortcut(Qt::Key_F6);

    formkit::onTriggered(ui->exitAction, this, &TillWindow::exitProgram);
    formkit::onTriggered(ui->openSalePanelAction, this, &TillWindow::openSalePanel);
    formkit::onTriggered(ui->signOnAction, this, &TillWindow::signOnAgain);
    formkit::onTriggered(ui->signOffAction, this, &TillWindow::signOff);
    formkit::onTriggered(ui->aboutAction, this, &TillWindow::showAbout);
    formkit::onClick(ui->addLineButton, this, &TillWindow::addLine);
    formkit::onClick(ui->chargeButton, this, &TillWindow::chargeSale);
    formkit::onClick(ui->takingsButton, this, &TillWindow::showTakings);
    formkit::onClick(ui->deleteLineButton, this, &TillWindow::deleteLine);
    // Only the clerk's typing offers the deletion, not the window's own resets.
    formkit::onSignal(ui->lineToDelete, &QLineEdit::textEdited, this, &TillWindow::allowDeletion);

    // Goods numbers may hold letters; a Code 128 scanner sends them too.
    formkit::installVisibleTextFilter(ui->goodsNumber);
    formkit::installNumericFilter(ui->quantity, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->lineToDelete,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::onEnter(ui->goodsNumber, [this] { moveToQuantity(); });
    // Last, so that they see a scanner's keys before the filters above.
    const int scanGap = session_.settings().scanMaxKeyGapMs;
    formkit::onScan(ui->goodsNumber, scanGap,
                    [this](const formkit::Scan& scan) { takeScan(scan.code); });
    formkit::onScan(ui->quantity, scanGap,
                    [this](const formkit::Scan& scan) { takeScanInQuantityBox(scan); });
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->deleteLineButton);
    installReceiptKeys();
    installReturnKeys();

    connect(&session_, &TillSession::clerkSignedOn, this, &TillWindow::goOnDuty);
    connect(&session_, &TillSession::tillNameLost, this, &TillWindow::leaveDuty);

    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &TillWindow::showTime);
    clockTimer_->start();
    showTime();

#ifndef QT_NO_SESSIONMANAGER
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
        if (manager.allowsInteraction()) {
            FormQueryEndSession();
            manager.release();
        }
        manager.cancel();
    });
#endif
    formkit::centreOnScreen(this);
}

TillWindow::~TillWindow() {
    delete chargeWindow_.data();
    delete returnWindow_.data();
    delete ui;
}

void TillWindow::attachSummary(SignOffWindow& summary) {
    summary_ = &summary;
    connect(summary_, &SignOffWindow::confirmed, this, &TillWindow::summaryConfirmed);
}

void TillWindow::attachSignOn(SignOnWindow& signOn) {
    signOn_ = &signOn;
    connect(&signOn, &SignOnWindow::signOnDone, this, &TillWindow::takeKeyboard);
    connect(&signOn, &SignOnWindow::signOnCancelled, this, [this] {
        setState(State::NoClerk);
        takeKeyboard();
    });
    connect(&signOn, &SignOnWindow::terminalRefused, this, &TillWindow::refuseToRun);
}

void TillWindow::attachReceipt(ReceiptWindow& receipt) {
    receipt_ = &receipt;
}

void TillWindow::setState(State state) {
    state_ = state;
    auto& u = *ui;
    const auto toolbar = [&](bool exitOn, bool openShown, bool signOnShown, bool signOnOn,
                             bool signOffShown, bool signOffOn) {
        u.toolBar->show();
        u.exitAction->setVisible(true);
        u.exitAction->setEnabled(exitOn);
        u.openSalePanelAction->setVisible(openShown);
        u.signOnAction->setVisible(signOnShown);
        u.signOnAction->setEnabled(signOnOn);
        u.signOffAction->setVisible(signOffShown);
        u.signOffAction->setEnabled(signOffOn);
    };
    switch (state) {
    case State::SigningOn:
        u.toolBar->hide();
        u.salePanel->hide();
        break;
    case State::NoClerk:
        toolbar(true, false, true, true, false, true);
        u.salePanel->hide();
        break;
    case State::OnDuty:
        toolbar(true, true, false, true, true, true);
        u.openSalePanelAction->setEnabled(true);
        u.salePanel->hide();
        break;
    case State::SalePanelOpen:
        toolbar(true, false, false, true, true, true);
        u.salePanel->show();
        u.chargeButton->setEnabled(false);
        break;
    case State::SalePending:
    case State::Charging:
        toolbar(true, false, false, true, true, false);
        u.salePanel->show();
        u.chargeButton->setEnabled(true);
        break;
    case State::SignOffSummary:
        toolbar(false, false, true, false, false, true);
        u.salePanel->hide();
        break;
    }
}

void TillWindow::setStatusText(const QString& text) {
    setStatusTip(text);
    ui->statusLabel->setText(text);
}

QString TillWindow::statusText() const {
    return statusTip();
}

void TillWindow::endProgram(int exitCode) {
    if (ended_)
        return;
    ended_ = true;
    exitCode_ = exitCode;
    emit quitRequested(exitCode);
}

bool TillWindow::FormQueryEndSession() {
    formkit::showMessage(QStringLiteral("不能关闭或重启计算机,请先退出Orvani--营业员系统!"));
    return false;
}

void TillWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    startUp();
}

void TillWindow::startUp() {
    try {
        {
            formkit::UpgradeWindow upgrade(this);
            session_.data().open(storedb::StoreCreation::MustExist, upgrade.runner());
        }
        ui->deleteLineButton->setEnabled(false);
        setState(State::SigningOn);
        signOn_->openForSignOn();
        if (ended_)
            return;
        ui->salePanel->hide();
        ui->quantity->setText(QStringLiteral("1"));
        ui->lineToDelete->setText(kDeletePrompt);
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("till start-up"));
        formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
        endProgram(1);
    }
}

void TillWindow::goOnDuty(const QString& clerkName, const QString& shopName) {
    setStatusText(QStringLiteral("状态: 售货员 ") + clerkName + QStringLiteral(" 正在营业!"));
    ui->shopNameLabel->setText(shopName);
    setState(State::OnDuty);
}

void TillWindow::refuseToRun(const QString& statusText) {
    ui->toolBar->hide();
    setStatusText(statusText);
    endProgram(1);
}

void TillWindow::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    // A sign-off summary on screen must be confirmed first.
    if (summary_ && summary_->awaitingConfirmation()) {
        event->ignore();
        return;
    }
    if (ui->signOffAction->isVisible() && ui->signOffAction->isEnabled()) {
        formkit::showMessage(QStringLiteral("你不能退出系统，请注销后退出！"));
        event->ignore();
        return;
    }
    // A hidden action also reports itself disabled; the sign-off button is
    // only ever off while it is shown (lines pending).
    if (ui->signOffAction->isVisible() && !ui->signOffAction->isEnabled()) {
        formkit::showMessage(QStringLiteral("你不能退出系统，请收费后退出！"));
        event->ignore();
        return;
    }
    if (!formkit::askYesNo(QStringLiteral("真的要退出系统吗？"))) {
        event->ignore();
        return;
    }
    event->accept();
    endProgram(0);
}

void TillWindow::exitProgram() {
    close();
}

void TillWindow::openSalePanel() {
    ui->salePanel->show();
    ui->goodsNumber->clear();
    ui->goodsNumber->setFocus();
    setState(State::SalePanelOpen);
    openSaleGrid(kGridWidths);
}

void TillWindow::signOnAgain() {
    signOn_->openForSignOn();
    setState(State::SigningOn);
}

void TillWindow::signOff() {
    const QString name = session_.clerkOnDuty() ? session_.clerkOnDuty()->shym : QString();
    storedb::ShiftFigures figures;
    // The grid lets go of the sale table before the table is dropped.
    lsb->clear();
    try {
        figures =
            storedb::signOff(session_.db(), session_.terminal(), QDateTime::currentDateTime());
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("sign-off"));
        formkit::showMessage(QStringLiteral("注销失败！"));
        if (ui->salePanel->isVisible())
            openSaleGrid(kGridWidths);
        return;
    }
    session_.signedOff();
    ui->salePanel->hide();
    setStatusText(QStringLiteral("状态: 未登录!"));
    setState(State::NoClerk);
    formkit::showMessage(QStringLiteral("售货员 ") + name + QStringLiteral(" 注销成功!"));
    if (!figures.tillRegistered)
        formkit::showMessage(
            QStringLiteral("此计算机 ") + session_.terminal() +
            QStringLiteral(" 已被管理员删除注册,不能再登录！请通知管理员重新注册。"));
    summary_->showSummary(name, figures);
    setState(State::SignOffSummary);
}

void TillWindow::summaryConfirmed() {
    setState(State::NoClerk);
    takeKeyboard();
}

void TillWindow::showAbout() {
    emit aboutRequested();
}

void TillWindow::moveToQuantity() {
    ui->addLineButton->setDefault(true);
    ui->quantity->setText(QStringLiteral("1"));
    ui->quantity->setFocus();
    // Selected, so that the quantity typed replaces the preset one.
    ui->quantity->selectAll();
}

void TillWindow::resetEntry() {
    ui->goodsNumber->clear();
    ui->quantity->setText(QStringLiteral("1"));
    ui->goodsNumber->setFocus();
    ui->addLineButton->setDefault(false);
}

void TillWindow::resetDeletion() {
    ui->lineToDelete->setText(kDeletePrompt);
    ui->deleteLineButton->setEnabled(false);
}

bool TillWindow::chargeWindowUp() {
    // The lines on show are booked already: they may be neither changed nor
    // charged again until the charge window is done.
    if (!chargeWindow_)
        return false;
    chargeWindow_->raise();
    chargeWindow_->activateWindow();
    return true;
}

void TillWindow::refuseShortStock(int stockLeft, Pieces pieces) {
    formkit::showMessage(QStringLiteral("此货库存量已不足,最多只能销售") +
                         QString::number(stockLeft) + QStringLiteral("件"));
    // A single piece short leaves no quantity to correct.
    if (pieces == Pieces::One) {
        resetEntry();
        return;
    }
    ui->quantity->setText(QString::number(stockLeft));
    ui->quantity->setFocus();
    ui->quantity->selectAll();
}

void TillWindow::addLine() {
    sellCode(ui->goodsNumber->text(), Pieces::FromQuantityBox);
}

void TillWindow::takeScan(const QString& code) {
    ui->goodsNumber->setText(code);
    ui->quantity->setText(QStringLiteral("1"));
    sellCode(code, Pieces::One);
}

void TillWindow::takeScanInQuantityBox(const formkit::Scan& scan) {
    // The scanner's keys went into the box: it holds what the clerk had keyed.
    ui->quantity->setText(scan.textBefore);
    // The line keyed by hand is added first, as its Enter would have added
    // it; refused, the clerk deals with it and the scan waits for another go.
    if (ui->addLineButton->isDefault() &&
        !sellCode(ui->goodsNumber->text(), Pieces::FromQuantityBox))
        return;
    takeScan(scan.code);
}

bool TillWindow::sellCode(const QString& code, Pieces pieces) {
    if (chargeWindowUp())
        return false;
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    QString hwh = code;
    std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db, hwh);
    const QString& layout = session_.settings().scaleLabelLayout;
    if (!goods && !layout.isEmpty()) {
        if (const std::optional<storedb::ScaleLabel> label =
                storedb::parseScaleLabel(code, layout)) {
            if (!label->checkDigitOk) {
                formkit::showMessage(QStringLiteral("条码 %1 的校验位有误,请重新扫描！").arg(code));
                resetEntry();
                return false;
            }
            // A label prices one weighed piece, whatever the quantity box says.
            if (auto found = labelGoods(db, label->goodsNumber)) {
                hwh = found->first;
                goods = found->second;
                goods->dj = jiaoPrice(label->priceFen);
                pieces = Pieces::One;
            }
        }
    }
    if (!goods) {
        formkit::showMessage(QStringLiteral("此货物号不存在,请检查输入是否有误或通知管理员检查！"));
        resetEntry();
        return false;
    }
    const int quantity = pieces == Pieces::One ? 1 : storedb::toInteger(ui->quantity->text());
    if (goods->kcl - quantity < 0) {
        refuseShortStock(goods->kcl, pieces);
        return false;
    }
    // A pasted negative quantity would put pieces into stock.
    if (quantity <= 0) {
        formkit::showMessage(QStringLiteral("此货物不能销售！"));
        ui->goodsNumber->clear();
        ui->goodsNumber->setFocus();
        return false;
    }
    const storedb::AddedLine added = storedb::addSaleLine(db, jsj, hwh, *goods, quantity);
    if (!added.added) {
        refuseShortStock(added.stockLeft, pieces);
        return false;
    }
    setState(State::SalePending);
    ui->totalLabel->setText(storedb::numberText(storedb::saleTotal(db, jsj)));
    openSaleGrid(kGridWidthsAfterAdd);
    // The line just added stays in sight however long the sale grows.
    ui->saleLines->scrollToBottom();
    ui->goodsNumber->clear();
    ui->goodsNumber->setFocus();
    ui->addLineButton->setDefault(false);
    return true;
}

void TillWindow::chargeSale() {
    if (chargeWindowUp())
        return;
    // Bill number, movement rows and takings are booked together or not at
    // all; a failure leaves the sale pending so that it can be charged again.
    storedb::ChargedSale sale;
    try {
        sale = storedb::chargeSale(session_.db(), session_.terminal(), QDate::currentDate());
    } catch (const storedb::EmptySaleError& empty) {
        formkit::showMessage(empty.userText());
        reloadSale();
        return;
    }
    session_.saleCharged(sale.bill);
    setState(State::Charging);
    auto* window = new ChargeWindow(session_, *receipt_, sale, nullptr);
    chargeWindow_ = window;
    connect(window, &ChargeWindow::saleFinished, this, [this] {
        ui->lineToDelete->setText(kDeletePrompt);
        ui->goodsNumber->clear();
        ui->goodsNumber->setFocus();
        openSaleGrid(kGridWidths);
    });
    connect(window, &ChargeWindow::closed, this, [this, window] {
        chargeWindow_ = nullptr;
        window->deleteLater();
        setState(State::SalePanelOpen);
        ui->totalLabel->setText(QStringLiteral("0"));
        // The next customer is keyed in at once.
        takeKeyboard();
    });
    window->show();
    window->raise();
    window->activateWindow();
}

void TillWindow::reloadSale() {
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    const bool lines = storedb::saleLineCount(db, jsj) > 0;
    ui->totalLabel->setText(lines ? storedb::numberText(storedb::saleTotal(db, jsj))
                                  : QStringLiteral("0"));
    openSaleGrid(kGridWidths);
    setState(lines ? State::SalePending : State::SalePanelOpen);
    resetDeletion();
    resetEntry();
}

void TillWindow::leaveDuty(const QString& message) {
    if (!session_.clerkOnDuty())
        return;
    // The shift was wound up by the till that took the name: nothing here
    // may touch the store any more, not even the grid's sale table.
    lsb->clear();
    session_.signedOff();
    ui->totalLabel->setText(QStringLiteral("0"));
    setStatusText(QStringLiteral("状态: 未登录!"));
    setState(State::NoClerk);
    formkit::showMessage(message);
    takeKeyboard();
}

void TillWindow::takeKeyboard() {
    // A closed tool window hands the keyboard to nobody; the till is worked
    // from the keyboard alone, so the main window takes it back.
    raise();
    activateWindow();
}

void TillWindow::showTakings() {
    const double yye = storedb::yyetj(session_.db(), session_.terminal());
    formkit::showMessage(QStringLiteral("本机销售情况:共计 ") + storedb::numberText(yye) +
                         QStringLiteral(" 元"));
    resetEntry();
}

void TillWindow::deleteLine() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    // Whatever the box holds that is no line number names no line.
    bool isNumber = false;
    const int bh = ui->lineToDelete->text().trimmed().toInt(&isNumber);
    if (!isNumber || !storedb::findSaleLine(db, jsj, bh)) {
        formkit::showMessage(QStringLiteral("你的输入的编号不存在，请重新输入！"));
        resetDeletion();
        ui->lineToDelete->setFocus();
        return;
    }
    if (!formkit::askYesNo(QStringLiteral("真的要删除吗？"))) {
        resetDeletion();
        resetEntry();
        return;
    }
    storedb::removeSaleLine(db, jsj, bh);
    if (storedb::saleLineCount(db, jsj) > 0) {
        ui->totalLabel->setText(storedb::numberText(storedb::saleTotal(db, jsj)));
        openSaleGrid(kGridWidths);
        ui->goodsNumber->clear();
        ui->goodsNumber->setFocus();
        resetDeletion();
        ui->quantity->setText(QStringLiteral("1"));
        ui->addLineButton->setDefault(false);
        return;
    }
    storedb::clearSaleTable(db, jsj);
    openSaleGrid(kGridWidths);
    setState(State::SalePanelOpen);
    ui->totalLabel->setText(QStringLiteral("0"));
    resetDeletion();
    ui->goodsNumber->clear();
    ui->goodsNumber->setFocus();
}

void TillWindow::pickLineForDeletion() {
    if (storedb::saleLineCount(session_.db(), session_.terminal()) == 0) {
        resetEntry();
        return;
    }
    QModelIndex current = ui->saleLines->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const QVariant bh = lsb->data(lsb->index(row, 0));
    ui->lineToDelete->setText(QString::number(storedb::toInteger(bh.toString())));
    // A line picked from the list is the clerk's choice as much as a typed one.
    allowDeletion();
    resetEntry();
}

void TillWindow::allowDeletion() {
    ui->deleteLineButton->setEnabled(true);
}

void TillWindow::showTime() {
    ui->clockLabel->setText(QStringLiteral(" 系统时间 ") +
                            formkit::clockText(QDateTime::currentDateTime()));
}

void TillWindow::openSaleGrid(const QList<int>& widths) {
    formkit::showRows(ui->saleLines, lsb, storedb::saleGridRows(session_.db(), session_.terminal()),
                      widths);
}

bool TillWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->saleLines->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        formkit::runGuarded(QStringLiteral("TillWindow/saleLines"),
                            [this] { pickLineForDeletion(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TillWindow::installReceiptKeys() {
    const auto key = [this](const char* name, const QString& text, Qt::Key shortcut,
                            void (TillWindow::*handler)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        addAction(action);
        formkit::onTriggered(action, this, handler);
    };
    key("reprintReceipt", QStringLiteral("重打小票"), Qt::Key_F8, &TillWindow::reprintReceipt);
    key("openCashDrawer", QStringLiteral("打开钱箱"), Qt::Key_F9, &TillWindow::openCashDrawer);
}

void TillWindow::installReturnKeys() {
    const auto key = [this](const char* name, const QString& text, Qt::Key shortcut,
                            QStyle::StandardPixmap icon, void (TillWindow::*handler)()) {
        auto* action = new QAction(style()->standardIcon(icon), text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setStatusTip(text + QStringLiteral(" (") +
                             action->shortcut().toString(QKeySequence::NativeText) +
                             QLatin1Char(')'));
        // On the main window as well: the key answers while the toolbar is
        // hidden, to say why no return can start.
        addAction(action);
        ui->toolBar->insertAction(ui->aboutAction, action);
        formkit::onTriggered(action, this, handler);
    };
    key("returnGoods", QStringLiteral("退货"), Qt::Key_F7, QStyle::SP_ArrowBack,
        &TillWindow::openReturn);
    key("voidLastSale", QStringLiteral("撤销上一单"), Qt::Key_F10, QStyle::SP_DialogDiscardButton,
        &TillWindow::voidLastSale);
}

bool TillWindow::mayStartReturn() {
    if (returnWindow_) {
        returnWindow_->raise();
        returnWindow_->activateWindow();
        return false;
    }
    if (!session_.clerkOnDuty() || state_ == State::SigningOn || state_ == State::SignOffSummary) {
        formkit::showMessage(QStringLiteral("请先登录,再办理退货！"));
        return false;
    }
    if (chargeWindow_ || state_ == State::SalePending || state_ == State::Charging) {
        formkit::showMessage(QStringLiteral("本单还有货物没有收费,请先收费或删除后再办理退货！"));
        return false;
    }
    return true;
}

ReturnWindow* TillWindow::showReturnWindow() {
    auto* window = new ReturnWindow(session_, *receipt_, nullptr);
    returnWindow_ = window;
    connect(window, &ReturnWindow::closed, this, [this, window] {
        returnWindow_ = nullptr;
        window->deleteLater();
        takeKeyboard();
        if (ui->salePanel->isVisible())
            ui->goodsNumber->setFocus();
    });
    return window;
}

void TillWindow::openReturn() {
    if (mayStartReturn())
        showReturnWindow()->openForReturn();
}

void TillWindow::voidLastSale() {
    if (!mayStartReturn())
        return;
    const std::optional<qint64> bill = session_.lastSale();
    if (!bill) {
        formkit::showMessage(QStringLiteral("本班还没有收费的帐单,没有可以撤销的销售！"));
        return;
    }
    showReturnWindow()->openForVoid(*bill);
}

void TillWindow::reprintReceipt() {
    receipt_->reprint();
}

void TillWindow::openCashDrawer() {
    // The drawer holds the shift's cash: only for the clerk on duty.
    if (const std::optional<Clerk>& clerk = session_.clerkOnDuty())
        receipt_->openDrawer(clerk->shyh + QLatin1Char(' ') + clerk->shym);
}
