#include "tavo.h"

#include "ui_tavo.h"

#include "dl.h"
#include "help.h"
#include "session.h"
#include "sf.h"
#include "zx.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/grid.h"
#include "formkit/guard.h"
#include "formkit/hint.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "formkit/upgradewindow.h"
#include "storedb/charge.h"
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
} // namespace

Tmainform::Tmainform(TillSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui(new Ui::Tmainform) {
    ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(790, 545);
    setFont(formkit::songFont());
    ui->sf->setFont(formkit::songFont(15));
    QPalette red = ui->zj->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->zj->setPalette(red);
    ui->StatusBar1->raise();
    ui->StatusBar2->raise();

    ui->ToolButton1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ui->ToolButton2->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    ui->ToolButton3->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->ToolButton4->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->ToolButton5->setIcon(style()->standardIcon(QStyle::SP_MessageBoxInformation));
    ui->sc->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));

    lsb = new QSqlQueryModel(this);
    ui->DBGrid1->setModel(lsb);
    formkit::prepareGrid(ui->DBGrid1);
    ui->DBGrid1->viewport()->installEventFilter(this);

    // The application's hint handler: the status line follows the pointer.
    hints_ = new formkit::HintWatcher(this);
    connect(hints_, &formkit::HintWatcher::hintChanged, ui->StatusBar1, &QLabel::setText);
    setStatusText(QStringLiteral("欢迎进入Orvani系统--收银台端"));

    // Function keys, so that a clerk never needs the mouse. The toolbar's
    // actions only answer while their button is shown and enabled, so the
    // keys follow the states exactly as the buttons do.
    ui->ToolButton2->setShortcut(Qt::Key_F2);
    ui->ToolButton3->setShortcut(Qt::Key_F3);
    ui->ToolButton4->setShortcut(Qt::Key_F4);
    ui->SpeedButton1->setShortcut(Qt::Key_F5);
    ui->BitBtn3->setShortcut(Qt::Key_F6);

    formkit::onTriggered(ui->ToolButton1, this, &Tmainform::exitProgram);
    formkit::onTriggered(ui->ToolButton2, this, &Tmainform::openSalePanel);
    formkit::onTriggered(ui->ToolButton3, this, &Tmainform::signOnAgain);
    formkit::onTriggered(ui->ToolButton4, this, &Tmainform::signOff);
    formkit::onTriggered(ui->ToolButton5, this, &Tmainform::showAbout);
    formkit::onClick(ui->BitBtn1, this, &Tmainform::addLine);
    formkit::onClick(ui->SpeedButton1, this, &Tmainform::chargeSale);
    formkit::onClick(ui->BitBtn3, this, &Tmainform::showTakings);
    formkit::onClick(ui->sc, this, &Tmainform::deleteLine);
    // Only the clerk's typing offers the deletion, not the window's own resets.
    formkit::onSignal(ui->Edit3, &QLineEdit::textEdited, this, &Tmainform::allowDeletion);

    formkit::installNumericFilter(ui->Edit1, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->Edit2, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->Edit3, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::onEnter(ui->Edit1, [this] { moveToQuantity(); });
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->sc);

    connect(&session_, &TillSession::clerkSignedOn, this, &Tmainform::goOnDuty);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tmainform::showTime);
    Timer1->start();
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

Tmainform::~Tmainform() {
    delete chargeWindow_.data();
    delete ui;
}

void Tmainform::attachSummary(Tzxform& summary) {
    summary_ = &summary;
    connect(summary_, &Tzxform::confirmed, this, &Tmainform::summaryConfirmed);
}

void Tmainform::attachSignOn(Tdlform& signOn) {
    connect(&signOn, &Tdlform::signOnDone, this, &Tmainform::takeKeyboard);
    connect(&signOn, &Tdlform::signOnCancelled, this, [this] {
        setState(State::NoClerk);
        takeKeyboard();
    });
    connect(&signOn, &Tdlform::terminalRefused, this, &Tmainform::refuseToRun);
}

void Tmainform::setState(State state) {
    state_ = state;
    auto& u = *ui;
    const auto toolbar = [&](bool exitOn, bool openShown, bool signOnShown, bool signOnOn,
                             bool signOffShown, bool signOffOn) {
        u.ToolBar1->show();
        u.ToolButton1->setVisible(true);
        u.ToolButton1->setEnabled(exitOn);
        u.ToolButton2->setVisible(openShown);
        u.ToolButton3->setVisible(signOnShown);
        u.ToolButton3->setEnabled(signOnOn);
        u.ToolButton4->setVisible(signOffShown);
        u.ToolButton4->setEnabled(signOffOn);
    };
    switch (state) {
    case State::SigningOn:
        u.ToolBar1->hide();
        u.sf->hide();
        break;
    case State::NoClerk:
        toolbar(true, false, true, true, false, true);
        u.sf->hide();
        break;
    case State::OnDuty:
        toolbar(true, true, false, true, true, true);
        u.ToolButton2->setEnabled(true);
        u.sf->hide();
        break;
    case State::SalePanelOpen:
        toolbar(true, false, false, true, true, true);
        u.sf->show();
        u.SpeedButton1->setEnabled(false);
        break;
    case State::SalePending:
    case State::Charging:
        toolbar(true, false, false, true, true, false);
        u.sf->show();
        u.SpeedButton1->setEnabled(true);
        break;
    case State::SignOffSummary:
        toolbar(false, false, true, false, false, true);
        u.sf->hide();
        break;
    }
}

void Tmainform::setStatusText(const QString& text) {
    setStatusTip(text);
    ui->StatusBar1->setText(text);
}

QString Tmainform::statusText() const {
    return statusTip();
}

void Tmainform::endProgram(int exitCode) {
    if (ended_)
        return;
    ended_ = true;
    exitCode_ = exitCode;
    emit quitRequested(exitCode);
}

bool Tmainform::FormQueryEndSession() {
    formkit::showMessage(QStringLiteral("不能关闭或重启计算机,请先退出Orvani--营业员系统!"));
    return false;
}

void Tmainform::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    startUp();
}

void Tmainform::startUp() {
    try {
        {
            formkit::UpgradeWindow upgrade(this);
            session_.data().open(storedb::StoreCreation::MustExist, upgrade.runner());
        }
        ui->sc->setEnabled(false);
        setState(State::SigningOn);
        session_.signOnWindow().openForSignOn();
        if (ended_)
            return;
        ui->sf->hide();
        ui->Edit2->setText(QStringLiteral("1"));
        ui->Edit3->setText(kDeletePrompt);
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("till start-up"));
        formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
        endProgram(1);
    }
}

void Tmainform::goOnDuty(const QString& clerkName, const QString& shopName) {
    setStatusText(QStringLiteral("状态: 售货员 ") + clerkName + QStringLiteral(" 正在营业!"));
    ui->chaoshi->setText(shopName);
    setState(State::OnDuty);
}

void Tmainform::refuseToRun(const QString& statusText) {
    ui->ToolBar1->hide();
    setStatusText(statusText);
    endProgram(1);
}

void Tmainform::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    // A sign-off summary on screen must be confirmed first.
    if (summary_ && summary_->awaitingConfirmation()) {
        event->ignore();
        return;
    }
    if (ui->ToolButton4->isVisible() && ui->ToolButton4->isEnabled()) {
        formkit::showMessage(QStringLiteral("你不能退出系统，请注销后退出！"));
        event->ignore();
        return;
    }
    // A hidden action also reports itself disabled; the sign-off button is
    // only ever off while it is shown (lines pending).
    if (ui->ToolButton4->isVisible() && !ui->ToolButton4->isEnabled()) {
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

void Tmainform::exitProgram() {
    close();
}

void Tmainform::openSalePanel() {
    ui->sf->show();
    ui->Edit1->clear();
    ui->Edit1->setFocus();
    setState(State::SalePanelOpen);
    openSaleGrid(kGridWidths);
}

void Tmainform::signOnAgain() {
    session_.signOnWindow().openForSignOn();
    setState(State::SigningOn);
}

void Tmainform::signOff() {
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
        if (ui->sf->isVisible())
            openSaleGrid(kGridWidths);
        return;
    }
    session_.signedOff();
    ui->sf->hide();
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

void Tmainform::summaryConfirmed() {
    setState(State::NoClerk);
    takeKeyboard();
}

void Tmainform::showAbout() {
    Thelpform& about = session_.aboutWindow();
    about.show();
    about.raise();
    about.activateWindow();
}

void Tmainform::moveToQuantity() {
    ui->BitBtn1->setDefault(true);
    ui->Edit2->setText(QStringLiteral("1"));
    ui->Edit2->setFocus();
    // Selected, so that the quantity typed replaces the preset one.
    ui->Edit2->selectAll();
}

void Tmainform::resetEntry() {
    ui->Edit1->clear();
    ui->Edit2->setText(QStringLiteral("1"));
    ui->Edit1->setFocus();
    ui->BitBtn1->setDefault(false);
}

void Tmainform::resetDeletion() {
    ui->Edit3->setText(kDeletePrompt);
    ui->sc->setEnabled(false);
}

bool Tmainform::chargeWindowUp() {
    // The lines on show are booked already: they may be neither changed nor
    // charged again until the charge window is done.
    if (!chargeWindow_)
        return false;
    chargeWindow_->raise();
    chargeWindow_->activateWindow();
    return true;
}

void Tmainform::refuseShortStock(int stockLeft) {
    formkit::showMessage(QStringLiteral("此货库存量已不足,最多只能销售") +
                         QString::number(stockLeft) + QStringLiteral("件"));
    ui->Edit2->setText(QString::number(stockLeft));
    ui->Edit2->setFocus();
    ui->Edit2->selectAll();
}

void Tmainform::addLine() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    const QString hwh = ui->Edit1->text();
    const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db, hwh);
    if (!goods) {
        formkit::showMessage(QStringLiteral("此货物号不存在,请检查输入是否有误或通知管理员检查！"));
        resetEntry();
        return;
    }
    const int quantity = storedb::toInteger(ui->Edit2->text());
    if (goods->kcl - quantity < 0) {
        refuseShortStock(goods->kcl);
        return;
    }
    // A pasted negative quantity would put pieces into stock.
    if (quantity <= 0) {
        formkit::showMessage(QStringLiteral("此货物不能销售！"));
        ui->Edit1->clear();
        ui->Edit1->setFocus();
        return;
    }
    const storedb::AddedLine added = storedb::addSaleLine(db, jsj, hwh, *goods, quantity);
    if (!added.added) {
        refuseShortStock(added.stockLeft);
        return;
    }
    setState(State::SalePending);
    ui->zj->setText(storedb::numberText(storedb::saleTotal(db, jsj)));
    openSaleGrid(kGridWidthsAfterAdd);
    ui->Edit1->clear();
    ui->Edit1->setFocus();
    ui->BitBtn1->setDefault(false);
}

void Tmainform::chargeSale() {
    if (chargeWindowUp())
        return;
    // Bill number, movement rows and takings are booked together or not at
    // all; a failure leaves the sale pending so that it can be charged again.
    const storedb::ChargedSale sale =
        storedb::chargeSale(session_.db(), session_.terminal(), QDate::currentDate());
    setState(State::Charging);
    auto* window = new Tsfform(session_, sale, nullptr);
    chargeWindow_ = window;
    connect(window, &Tsfform::saleFinished, this, [this] {
        ui->Edit3->setText(kDeletePrompt);
        ui->Edit1->clear();
        ui->Edit1->setFocus();
        openSaleGrid(kGridWidths);
    });
    connect(window, &Tsfform::closed, this, [this, window] {
        chargeWindow_ = nullptr;
        window->deleteLater();
        setState(State::SalePanelOpen);
        ui->zj->setText(QStringLiteral("0"));
        // The next customer is keyed in at once.
        takeKeyboard();
    });
    window->show();
    window->raise();
    window->activateWindow();
}

void Tmainform::takeKeyboard() {
    // A closed tool window hands the keyboard to nobody; the till is worked
    // from the keyboard alone, so the main window takes it back.
    raise();
    activateWindow();
}

void Tmainform::showTakings() {
    const double yye = storedb::yyetj(session_.db(), session_.terminal());
    formkit::showMessage(QStringLiteral("本机销售情况:共计 ") + storedb::numberText(yye) +
                         QStringLiteral(" 元"));
    resetEntry();
}

void Tmainform::deleteLine() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    // Whatever the box holds that is no line number names no line.
    bool isNumber = false;
    const int bh = ui->Edit3->text().trimmed().toInt(&isNumber);
    if (!isNumber || !storedb::findSaleLine(db, jsj, bh)) {
        formkit::showMessage(QStringLiteral("你的输入的编号不存在，请重新输入！"));
        resetDeletion();
        ui->Edit3->setFocus();
        return;
    }
    if (!formkit::askYesNo(QStringLiteral("真的要删除吗？"))) {
        resetDeletion();
        resetEntry();
        return;
    }
    storedb::removeSaleLine(db, jsj, bh);
    if (storedb::saleLineCount(db, jsj) > 0) {
        ui->zj->setText(storedb::numberText(storedb::saleTotal(db, jsj)));
        openSaleGrid(kGridWidths);
        ui->Edit1->clear();
        ui->Edit1->setFocus();
        resetDeletion();
        ui->Edit2->setText(QStringLiteral("1"));
        ui->BitBtn1->setDefault(false);
        return;
    }
    storedb::clearSaleTable(db, jsj);
    openSaleGrid(kGridWidths);
    setState(State::SalePanelOpen);
    ui->zj->setText(QStringLiteral("0"));
    resetDeletion();
    ui->Edit1->clear();
    ui->Edit1->setFocus();
}

void Tmainform::pickLineForDeletion() {
    if (storedb::saleLineCount(session_.db(), session_.terminal()) == 0) {
        resetEntry();
        return;
    }
    QModelIndex current = ui->DBGrid1->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const QVariant bh = lsb->data(lsb->index(row, 0));
    ui->Edit3->setText(QString::number(storedb::toInteger(bh.toString())));
    // A line picked from the list is the clerk's choice as much as a typed one.
    allowDeletion();
    resetEntry();
}

void Tmainform::allowDeletion() {
    ui->sc->setEnabled(true);
}

void Tmainform::showTime() {
    ui->StatusBar2->setText(QStringLiteral(" 系统时间 ") +
                            formkit::clockText(QDateTime::currentDateTime()));
}

void Tmainform::openSaleGrid(const QList<int>& widths) {
    formkit::showRows(ui->DBGrid1, lsb, storedb::saleGridRows(session_.db(), session_.terminal()),
                      widths);
}

bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->DBGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        formkit::runGuarded(QStringLiteral("Tmainform/DBGrid1"), [this] { pickLineForDeletion(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
