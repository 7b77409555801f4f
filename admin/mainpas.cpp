#include "mainpas.h"

#include "ui_mainpas.h"

#include "backupwindow.h"
#include "dayreportwindow.h"
#include "fx.h"
#include "help.h"
#include "jk.h"
#include "opening.h"
#include "returnlistwindow.h"
#include "rsglpas.h"
#include "session.h"
#include "spckcxpas.h"
#include "spglpas.h"
#include "sppzpas.h"
#include "sprhcxpas.h"
#include "spxg.h"
#include "yl.h"
#include "ywtj.h"
#include "yyejspas.h"
#include "zc.h"

#include "formkit/guard.h"
#include "formkit/hint.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

namespace admin {

Tmain::Tmain(AdminSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui(new Ui::Tmain) {
    ui->setupUi(this);
    // Minimise and the system menu only: the window lives maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui->ClientArea->setBackground(QColor(58, 110, 165)); // the desktop's colour
    buildStatusBar();

    const std::pair<QToolButton*, QStyle::StandardPixmap> images[] = {
        {ui->ToolButton8, QStyle::SP_ComputerIcon},
        {ui->ToolButton17, QStyle::SP_DesktopIcon},
        {ui->ToolButton1, QStyle::SP_ArrowDown},
        {ui->ToolButton2, QStyle::SP_ArrowUp},
        {ui->ToolButton3, QStyle::SP_FileDialogDetailedView},
        {ui->ToolButton18, QStyle::SP_FileDialogInfoView},
        {ui->ToolButton4, QStyle::SP_DialogApplyButton},
        {ui->ToolButton5, QStyle::SP_FileDialogContentsView},
        {ui->ToolButton16, QStyle::SP_FileDialogListView},
        {ui->ToolButton11, QStyle::SP_DirHomeIcon},
        {ui->ToolButton7, QStyle::SP_DriveHDIcon},
        {ui->ToolButton9, QStyle::SP_FileDialogStart},
        {ui->ToolButton13, QStyle::SP_FileDialogNewFolder},
        {ui->ToolButton20, QStyle::SP_DialogCloseButton},
    };
    for (const auto& [button, image] : images)
        button->setIcon(style()->standardIcon(image));

    nameMenuEntries();
    connectHandlers();

    hints_ = new formkit::HintWatcher(this);
    connect(hints_, &formkit::HintWatcher::hintChanged, hintPanel_, &QLabel::setText);
    setLockedFunctionsEnabled(false);
}

Tmain::~Tmain() {
    delete ui;
}

// Two panels, each as wide as its text needs: the hint takes what the clock
// leaves.
void Tmain::buildStatusBar() {
    hintPanel_ = new QLabel(ui->StatusBar1);
    hintPanel_->setObjectName(QStringLiteral("HintPanel"));
    clockPanel_ = new QLabel(ui->StatusBar1);
    clockPanel_->setObjectName(QStringLiteral("ClockPanel"));
    backupPanel_ = new QLabel(ui->StatusBar1);
    backupPanel_->setObjectName(QStringLiteral("BackupPanel"));
    for (QLabel* panel : {hintPanel_, backupPanel_, clockPanel_})
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui->StatusBar1->addWidget(hintPanel_, 1);
    ui->StatusBar1->addWidget(backupPanel_);
    ui->StatusBar1->addWidget(clockPanel_);
    backupPanel_->hide(); // until an administrator has signed on

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tmain::showClock);
    Timer1->start();
}

void Tmain::nameMenuEntries() {
    // A menu's hint belongs to its entry in the menu above, not to the
    // drop-down; the entry carries the menu's name as well.
    for (QMenu* menu : findChildren<QMenu*>()) {
        menu->menuAction()->setObjectName(menu->objectName());
        menu->menuAction()->setStatusTip(menu->statusTip());
        menu->setStatusTip(QString());
    }
    // Each drop-down has one separator; it keeps its name like every other entry.
    const std::pair<QMenu*, const char*> separators[] = {
        {ui->N1, "N10"}, {ui->N8, "N31"}, {ui->N3, "N37"}, {ui->N22, "N11"},
        {ui->N2, "N14"}, {ui->N5, "N15"}, {ui->N18, "N9"}, {ui->N32, "N34"},
    };
    for (const auto& [menu, name] : separators) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                action->setObjectName(QString::fromLatin1(name));
        }
    }
    // Ctrl+S and Ctrl+U belong to the incoming-goods query entries N27 and
    // N26. The sales query entries show the same keys, but Qt treats a key
    // bound twice as ambiguous and gives it to neither, so these two carry
    // the key only as text in the menu's shortcut column (after the tab).
    ui->N29->setText(ui->N29->text() + QStringLiteral("\tCtrl+S"));
    ui->N28->setText(ui->N28->text() + QStringLiteral("\tCtrl+U"));
}

void Tmain::connectHandlers() {
    const std::pair<QAction*, void (Tmain::*)()> entries[] = {
        {ui->N6, &Tmain::openStockIn},
        {ui->N7, &Tmain::openStockOut},
        {ui->N30, &Tmain::openMovementCorrection},
        {ui->D1, &Tmain::openPriceChange},
        {ui->N36, &Tmain::openSettlement},
        {ui->N35, &Tmain::openProfitEstimate},
        {ui->N27, &Tmain::openIncomingByGoods},
        {ui->N26, &Tmain::openIncomingByCategory},
        {ui->N29, &Tmain::openSalesByGoods},
        {ui->N28, &Tmain::openSalesByCategory},
        {ui->ReturnQuery, &Tmain::openReturnList},
        {ui->BackupAction, &Tmain::openBackup},
        {ui->DayReport, &Tmain::openDayReport},
        {ui->N4, &Tmain::openStockAnalysis},
        {ui->N12, &Tmain::openStatisticsByCategory},
        {ui->N13, &Tmain::openStatisticsByGoods},
        {ui->N16, &Tmain::openAdministrators},
        {ui->N17, &Tmain::openClerks},
        {ui->N19, &Tmain::openCategoryConfiguration},
        {ui->N20, &Tmain::openGoodsConfiguration},
        {ui->N38, &Tmain::openShopSettings},
        {ui->M1, &Tmain::openTerminalRegistration},
        {ui->N33, &Tmain::openMonitoring},
        {ui->N25, &Tmain::openAbout},
        {ui->N21, &Tmain::exitProgram},
    };
    for (const auto& [action, handler] : entries)
        formkit::onTriggered(action, this, handler);

    const std::pair<QToolButton*, void (Tmain::*)()> buttons[] = {
        {ui->ToolButton8, &Tmain::openTerminalRegistration},
        {ui->ToolButton17, &Tmain::openMonitoring},
        {ui->ToolButton1, &Tmain::openStockIn},
        {ui->ToolButton2, &Tmain::openStockOut},
        {ui->ToolButton3, &Tmain::openCorrectionAsLeft},
        {ui->ToolButton18, &Tmain::openProfitEstimate},
        {ui->ToolButton4, &Tmain::openSettlement},
        {ui->ToolButton5, &Tmain::openIncomingQueryAsLeft},
        {ui->ToolButton16, &Tmain::openSalesQueryAsLeft},
        {ui->ToolButton11, &Tmain::openAdministrators},
        {ui->ToolButton7, &Tmain::openStockAnalysis},
        {ui->ToolButton9, &Tmain::openStatisticsByCategory},
        {ui->ToolButton13, &Tmain::openCategoryConfiguration},
        {ui->ToolButton20, &Tmain::exitProgram},
    };
    for (const auto& [button, handler] : buttons)
        formkit::onClick(button, this, handler);
}

// The functions locked until sign-on, in the order they are locked and
// unlocked: the top-level menus, then the tool buttons.
QList<QAction*> Tmain::lockedMenus() const {
    return {
        ui->N1->menuAction(), ui->N3->menuAction(), ui->N22->menuAction(), ui->N4,
        ui->N2->menuAction(), ui->N5->menuAction(), ui->N18->menuAction(), ui->N32->menuAction()};
}

QList<QToolButton*> Tmain::lockedToolButtons() const {
    return {ui->ToolButton1,  ui->ToolButton2,  ui->ToolButton3, ui->ToolButton4,  ui->ToolButton5,
            ui->ToolButton7,  ui->ToolButton8,  ui->ToolButton9, ui->ToolButton11, ui->ToolButton13,
            ui->ToolButton16, ui->ToolButton17, ui->ToolButton18};
}

void Tmain::setLockedFunctionsEnabled(bool enabled) {
    for (QAction* menu : lockedMenus())
        menu->setEnabled(enabled);
    for (QToolButton* button : lockedToolButtons())
        button->setEnabled(enabled);
}

QString Tmain::statusText() const {
    return statusTip();
}

void Tmain::administratorSignedOn(const QString& glym) {
    setStatusTip(QStringLiteral("状态:管理员") + glym + QStringLiteral("登录成功"));
    setLockedFunctionsEnabled(true);
    BackupWindow& backup = session_.backupWindow();
    connect(&backup, &BackupWindow::backedUp, this, &Tmain::showLastBackup, Qt::UniqueConnection);
    showLastBackup(backup.lastBackup());
    backup.startDueBackup();
}

void Tmain::showLastBackup(const QDateTime& when) {
    backupPanel_->setText(when.isValid() ? QStringLiteral("上次备份: ") +
                                               when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                         : QStringLiteral("还没有备份"));
    backupPanel_->show();
}

void Tmain::stockWindowClosed() {
    ui->N7->setEnabled(true);
    ui->N6->setEnabled(true);
}

// The program ends with its main window, even while the login window or a
// tool window is still up.
void Tmain::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::exit(0);
}

bool Tmain::event(QEvent* event) {
    // Hints go to the left panel (HintWatcher); QMainWindow would show them
    // as a status bar message covering both panels.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void Tmain::showClock() {
    clockPanel_->setText(QStringLiteral("系统时间: ") +
                         formkit::clockText(QDateTime::currentDateTime()));
}

void Tmain::openStockIn() {
    session_.stockWindow().openForStockIn();
    ui->N7->setEnabled(false);
}

void Tmain::openStockOut() {
    session_.stockWindow().openForStockOut();
    ui->N6->setEnabled(false);
}

void Tmain::openMovementCorrection() {
    session_.correctionWindow().openCorrection();
}

void Tmain::openPriceChange() {
    session_.correctionWindow().openPriceChange();
}

void Tmain::openCorrectionAsLeft() {
    bringUp(session_.correctionWindow());
}

void Tmain::openSettlement() {
    session_.settlementWindow().openOwedShifts();
}

void Tmain::openProfitEstimate() {
    bringUp(session_.profitWindow());
}

void Tmain::openIncomingByGoods() {
    session_.incomingQueryWindow().openByGoods();
}

void Tmain::openIncomingByCategory() {
    session_.incomingQueryWindow().openByCategory();
}

void Tmain::openIncomingQueryAsLeft() {
    bringUp(session_.incomingQueryWindow());
}

void Tmain::openSalesByGoods() {
    session_.salesQueryWindow().openByGoods();
}

void Tmain::openSalesByCategory() {
    session_.salesQueryWindow().openByCategory();
}

void Tmain::openSalesQueryAsLeft() {
    bringUp(session_.salesQueryWindow());
}

void Tmain::openBackup() {
    bringUp(session_.backupWindow());
}

void Tmain::openReturnList() {
    bringUp(session_.returnListWindow());
}

void Tmain::openDayReport() {
    bringUp(session_.dayReportWindow());
}

void Tmain::openStockAnalysis() {
    bringUp(session_.analysisProgressWindow());
}

void Tmain::openStatisticsByCategory() {
    session_.statisticsWindow().openByCategory();
}

void Tmain::openStatisticsByGoods() {
    session_.statisticsWindow().openByGoods();
}

void Tmain::openAdministrators() {
    session_.personnelWindow().openAdministrators();
}

void Tmain::openClerks() {
    session_.personnelWindow().openClerks();
}

void Tmain::openCategoryConfiguration() {
    session_.configurationWindow().prepareCategoryPage();
}

void Tmain::openGoodsConfiguration() {
    session_.configurationWindow().prepareGoodsPage();
}

void Tmain::openShopSettings() {
    session_.configurationWindow().prepareSettingsPage();
}

void Tmain::openTerminalRegistration() {
    bringUp(session_.registrationWindow());
}

void Tmain::openMonitoring() {
    bringUp(session_.monitorWindow());
}

void Tmain::openAbout() {
    bringUp(session_.aboutWindow());
}

// At once: no question, open windows are not asked.
void Tmain::exitProgram() {
    QCoreApplication::exit(0);
}

} // namespace admin
