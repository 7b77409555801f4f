#include "tavo.h"

#include "dl.h"
#include "help.h"
#include "sf.h"
#include "tavodata.h"
#include "ui_dl.h"
#include "ui_tavo.h"
#include "ui_zx.h"
#include "zx.h"

#include "formkit/application.h"
#include "formkit/guard.h"
#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/grid.h"
#include "formkit/hint.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
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

Tmainform* mainform = nullptr;

namespace {
const QString kDeletePrompt = QStringLiteral("输入删除的货物编号");
const QList<int> kGridWidths{56, 270, 140, 140, 140};
const QList<int> kGridWidthsAfterAdd{53, 270, 140, 140, 140};
} // namespace

Tmainform::Tmainform(QWidget* parent) : QMainWindow(parent), ui(new Ui::Tmainform) {
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

    connect(ui->ToolButton1, &QAction::triggered, this, &Tmainform::ToolButton1Click);
    connect(ui->ToolButton2, &QAction::triggered, this, &Tmainform::ToolButton2Click);
    connect(ui->ToolButton3, &QAction::triggered, this, &Tmainform::ToolButton3Click);
    connect(ui->ToolButton4, &QAction::triggered, this, &Tmainform::ToolButton4Click);
    connect(ui->ToolButton5, &QAction::triggered, this, &Tmainform::ToolButton5Click);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &Tmainform::BitBtn1Click);
    connect(ui->SpeedButton1, &QPushButton::clicked, this, &Tmainform::SpeedButton1Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &Tmainform::BitBtn3Click);
    connect(ui->sc, &QPushButton::clicked, this, &Tmainform::scClick);
    connect(ui->Edit3, &QLineEdit::textChanged, this, &Tmainform::Edit3Change);

    formkit::installNumericFilter(ui->Edit1, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->Edit2, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::installNumericFilter(ui->Edit3, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::onEnter(ui->Edit1, [this] { Edit1KeyPress(); });
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->sc);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tmainform::Timer1Timer);
    Timer1->start();
    Timer1Timer();

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
    delete dlform;
    delete DataModule1;
    delete ui;
    if (mainform == this)
        mainform = nullptr;
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

QString Tmainform::terminal() const {
    return dlform ? dlform->ui->jsj->text() : QString();
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
    FormShow();
}

void Tmainform::FormShow() {
    try {
        delete DataModule1;
        DataModule1 = new TDataModule1(this);
        DataModule1->open();
        if (zxform)
            zxform->ui->BitBtn1->setEnabled(false);
        ui->sc->setEnabled(false);
        setState(State::SigningOn);
        dlform = new Tdlform();
        dlform->show();
        dlform->rethrowShowFailure();
        if (ended_)
            return;
        dlform->activateWindow();
        dlform->ui->Edit1->setFocus();
        ui->sf->hide();
        ui->Edit2->setText(QStringLiteral("1"));
        ui->Edit3->setText(kDeletePrompt);
    } catch (...) {
        formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
        endProgram(1);
    }
}

void Tmainform::closeEvent(QCloseEvent* event) {
    if (ended_) {
        event->accept();
        return;
    }
    // A sign-off summary on screen must be confirmed first.
    if (zxform && zxform->ui->BitBtn1->isEnabled()) {
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

void Tmainform::ToolButton1Click() {
    close();
}

void Tmainform::ToolButton2Click() {
    ui->sf->show();
    ui->Edit1->clear();
    ui->Edit1->setFocus();
    setState(State::SalePanelOpen);
    openSaleGrid(kGridWidths);
}

void Tmainform::ToolButton3Click() {
    dlform->show();
    dlform->rethrowShowFailure();
    dlform->activateWindow();
    dlform->raise();
    dlform->ui->Edit1->setFocus();
    setState(State::SigningOn);
}

void Tmainform::ToolButton4Click() {
    const QString name = dlform->ui->shym->text();
    storedb::ShiftFigures figures;
    // The grid lets go of the sale table before the table is dropped.
    lsb->clear();
    try {
        figures = storedb::signOff(DataModule1->db(), terminal(), QDateTime::currentDateTime());
    } catch (...) {
        formkit::showMessage(QStringLiteral("注销失败！"));
        if (ui->sf->isVisible())
            openSaleGrid(kGridWidths);
        return;
    }
    ui->sf->hide();
    setStatusText(QStringLiteral("状态: 未登录!"));
    setState(State::NoClerk);
    formkit::showMessage(QStringLiteral("售货员 ") + name + QStringLiteral(" 注销成功!"));
    zxform->fill(name, figures);
    zxform->show();
    zxform->activateWindow();
}

void Tmainform::ToolButton5Click() {
    helpform->show();
    helpform->raise();
    helpform->activateWindow();
}

void Tmainform::Edit1KeyPress() {
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

void Tmainform::BitBtn1Click() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = DataModule1->db();
    const QString jsj = terminal();
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

void Tmainform::SpeedButton1Click() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = DataModule1->db();
    const QString jsj = terminal();
    // Bill number, movement rows and takings are booked together or not at
    // all; a failure leaves the sale pending so that it can be charged again.
    qint64 bill = 0;
    try {
        bill = storedb::chargeSale(db, jsj, QDate::currentDate());
    } catch (...) {
        formkit::showCurrentException();
        return;
    }
    setState(State::Charging);
    auto* window = new Tsfform(db, jsj, ui->zj->text(), nullptr);
    window->setBillNumber(bill);
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

void Tmainform::BitBtn3Click() {
    const double yye = storedb::yyetj(DataModule1->db(), terminal());
    formkit::showMessage(QStringLiteral("本机销售情况:共计 ") + storedb::numberText(yye) +
                         QStringLiteral(" 元"));
    resetEntry();
}

void Tmainform::scClick() {
    if (chargeWindowUp())
        return;
    storedb::Db& db = DataModule1->db();
    const QString jsj = terminal();
    const int bh = storedb::toInteger(ui->Edit3->text());
    if (!storedb::findSaleLine(db, jsj, bh)) {
        formkit::showMessage(QStringLiteral("你的输入的编号不存在，请重新输入！"));
        ui->Edit3->setText(kDeletePrompt);
        ui->Edit3->setFocus();
        ui->sc->setEnabled(false);
        return;
    }
    if (!formkit::askYesNo(QStringLiteral("真的要删除吗？"))) {
        ui->Edit3->setText(kDeletePrompt);
        ui->sc->setEnabled(false);
        resetEntry();
        return;
    }
    storedb::removeSaleLine(db, jsj, bh);
    if (storedb::saleLineCount(db, jsj) > 0) {
        ui->zj->setText(storedb::numberText(storedb::saleTotal(db, jsj)));
        openSaleGrid(kGridWidths);
        ui->Edit1->clear();
        ui->Edit1->setFocus();
        ui->Edit3->setText(kDeletePrompt);
        ui->sc->setEnabled(false);
        ui->Edit2->setText(QStringLiteral("1"));
        ui->BitBtn1->setDefault(false);
        return;
    }
    storedb::clearSaleTable(db, jsj);
    openSaleGrid(kGridWidths);
    setState(State::SalePanelOpen);
    ui->zj->setText(QStringLiteral("0"));
    ui->Edit3->setText(kDeletePrompt);
    ui->Edit1->clear();
    ui->Edit1->setFocus();
}

void Tmainform::DBGrid1DblClick() {
    storedb::Db& db = DataModule1->db();
    if (storedb::saleLineCount(db, terminal()) == 0) {
        resetEntry();
        return;
    }
    QModelIndex current = ui->DBGrid1->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    const QVariant bh = lsb->data(lsb->index(row, 0));
    ui->Edit3->setText(QString::number(storedb::toInteger(bh.toString())));
    resetEntry();
}

void Tmainform::Edit3Change() {
    ui->sc->setEnabled(true);
}

void Tmainform::Timer1Timer() {
    ui->StatusBar2->setText(QStringLiteral(" 系统时间 ") +
                            formkit::clockText(QDateTime::currentDateTime()));
}

void Tmainform::openSaleGrid(const QList<int>& widths) {
    QSqlQuery query = DataModule1->db().exec(
        QStringLiteral("ADOQuerylsb"),
        QStringList{
            QStringLiteral("select bh as 编号,hwm as 货物名,dj as 单价,sl as 数量,jg as 价格 from"),
            storedb::saleTableIdentifier(terminal()) + QStringLiteral(" order by bh")});
    lsb->setQuery(std::move(query));
    // Read every row now, so that no statement stays open on the sale table.
    while (lsb->canFetchMore())
        lsb->fetchMore();
    formkit::layoutGrid(ui->DBGrid1, widths);
}

bool Tmainform::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->DBGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        DBGrid1DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
