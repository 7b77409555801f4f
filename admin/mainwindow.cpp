#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "backupwindow.h"
#include "dayreportwindow.h"
#include "analysisprogresswindow.h"
#include "aboutwindow.h"
#include "monitorwindow.h"
#include "opening.h"
#include "returnlistwindow.h"
#include "personnelwindow.h"
#include "session.h"
#include "salesquerywindow.h"
#include "stockwindow.h"
#include "goodsconfigwindow.h"
#include "purchasequerywindow.h"
#include "correctionwindow.h"
#include "profitwindow.h"
#include "statisticswindow.h"
#include "settlementwindow.h"
#include "tillregistrationwindow.h"

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

MainWindow::MainWindow(AdminSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session), ui(new Ui::MainWindow) {
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

MainWindow::~MainWindow() {
    delete ui;
}

// Two panels, each as wide as its text needs: the hint takes what the clock
// leaves.
void MainWindow::buildStatusBar() {
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
    connect(Timer1, &QTimer::timeout, this, &MainWindow::showClock);
    Timer1->start();
}

void MainWindow::nameMenuEntries() {
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

void MainWindow::connectHandlers() {
    const std::pair<QAction*, void (MainWindow::*)()> entries[] = {
        {ui->N6, &MainWindow::openStockIn},
        {ui->N7, &MainWindow::openStockOut},
        {ui->N30, &MainWindow::openMovementCorrection},
        {ui->D1, &MainWindow::openPriceChange},
        {ui->N36, &MainWindow::openSettlement},
        {ui->N35, &MainWindow::openProfitEstimate},
        {ui->N27, &MainWindow::openIncomingByGoods},
        {ui->N26, &MainWindow::openIncomingByCategory},
        {ui->N29, &MainWindow::openSalesByGoods},
        {ui->N28, &MainWindow::openSalesByCategory},
        {ui->ReturnQuery, &MainWindow::openReturnList},
        {ui->BackupAction, &MainWindow::openBackup},
        {ui->DayReport, &MainWindow::openDayReport},
        {ui->N4, &MainWindow::openStockAnalysis},
        {ui->N12, &MainWindow::openStatisticsByCategory},
        {ui->N13, &MainWindow::openStatisticsByGoods},
        {ui->N16, &MainWindow::openAdministrators},
        {ui->N17, &MainWindow::openClerks},
        {ui->N19, &MainWindow::openCategoryConfiguration},
        {ui->N20, &MainWindow::openGoodsConfiguration},
        {ui->N38, &MainWindow::openShopSettings},
        {ui->M1, &MainWindow::openTerminalRegistration},
        {ui->N33, &MainWindow::openMonitoring},
        {ui->N25, &MainWindow::openAbout},
        {ui->N21, &MainWindow::exitProgram},
    };
    for (const auto& [action, handler] : entries)
        formkit::onTriggered(action, this, handler);

    const std::pair<QToolButton*, void (MainWindow::*)()> buttons[] = {
        {ui->ToolButton8, &MainWindow::openTerminalRegistration},
        {ui->ToolButton17, &MainWindow::openMonitoring},
        {ui->ToolButton1, &MainWindow::openStockIn},
        {ui->ToolButton2, &MainWindow::openStockOut},
        {ui->ToolButton3, &MainWindow::openCorrectionAsLeft},
        {ui->ToolButton18, &MainWindow::openProfitEstimate},
        {ui->ToolButton4, &MainWindow::openSettlement},
        {ui->ToolButton5, &MainWindow::openIncomingQueryAsLeft},
        {ui->ToolButton16, &MainWindow::openSalesQueryAsLeft},
        {ui->ToolButton11, &MainWindow::openAdministrators},
        {ui->ToolButton7, &MainWindow::openStockAnalysis},
        {ui->ToolButton9, &MainWindow::openStatisticsByCategory},
        {ui->ToolButton13, &MainWindow::openCategoryConfiguration},
        {ui->ToolButton20, &MainWindow::exitProgram},
    };
    for (const auto& [button, handler] : buttons)
        formkit::onClick(button, this, handler);
}

// The functions locked until sign-on, in the order they are locked and
// unlocked: the top-level menus, then the tool buttons.
QList<QAction*> MainWindow::lockedMenus() const {
    return {
        ui->N1->menuAction(), ui->N3->menuAction(), ui->N22->menuAction(), ui->N4,
        ui->N2->menuAction(), ui->N5->menuAction(), ui->N18->menuAction(), ui->N32->menuAction()};
}

QList<QToolButton*> MainWindow::lockedToolButtons() const {
    return {ui->ToolButton1,  ui->ToolButton2,  ui->ToolButton3, ui->ToolButton4,  ui->ToolButton5,
            ui->ToolButton7,  ui->ToolButton8,  ui->ToolButton9, ui->ToolButton11, ui->ToolButton13,
            ui->ToolButton16, ui->ToolButton17, ui->ToolButton18};
}

void MainWindow::setLockedFunctionsEnabled(bool enabled) {
    for (QAction* menu : lockedMenus())
        menu->setEnabled(enabled);
    for (QToolButton* button : lockedToolButtons())
        button->setEnabled(enabled);
}

QString MainWindow::statusText() const {
    return statusTip();
}

void MainWindow::administratorSignedOn(const QString& glym) {
    setStatusTip(QStringLiteral("状态:管理员") + glym + QStringLiteral("登录成功"));
    setLockedFunctionsEnabled(true);
    BackupWindow& backup = session_.backupWindow();
    connect(&backup, &BackupWindow::backedUp, this, &MainWindow::showLastBackup, Qt::UniqueConnection);
    showLastBackup(backup.lastBackup());
    backup.startDueBackup();
}

void MainWindow::showLastBackup(const QDateTime& when) {
    backupPanel_->setText(when.isValid() ? QStringLiteral("上次备份: ") +
                                               when.toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                         : QStringLiteral("还没有备份"));
    backupPanel_->show();
}

void MainWindow::stockWindowClosed() {
    ui->N7->setEnabled(true);
    ui->N6->setEnabled(true);
}

// The program ends with its main window, even while the login window or a
// tool window is still up.
void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::exit(0);
}

bool MainWindow::event(QEvent* event) {
    // Hints go to the left panel (HintWatcher); QMainWindow would show them
    // as a status bar message covering both panels.
    if (event->type() == QEvent::StatusTip)
        return true;
    return QMainWindow::event(event);
}

void MainWindow::showClock() {
    clockPanel_->setText(QStringLiteral("系统时间: ") +
                         formkit::clockText(QDateTime::currentDateTime()));
}

void MainWindow::openStockIn() {
    session_.stockWindow().openForStockIn();
    ui->N7->setEnabled(false);
}

void MainWindow::openStockOut() {
    session_.stockWindow().openForStockOut();
    ui->N6->setEnabled(false);
}

void MainWindow::openMovementCorrection() {
    session_.correctionWindow().openCorrection();
}

void MainWindow::openPriceChange() {
    session_.correctionWindow().openPriceChange();
}

void MainWindow::openCorrectionAsLeft() {
    bringUp(session_.correctionWindow());
}

void MainWindow::openSettlement() {
    session_.settlementWindow().openOwedShifts();
}

void MainWindow::openProfitEstimate() {
    bringUp(session_.profitWindow());
}

void MainWindow::openIncomingByGoods() {
    session_.purchaseQueryWindow().openByGoods();
}

void MainWindow::openIncomingByCategory() {
    session_.purchaseQueryWindow().openByCategory();
}

void MainWindow::openIncomingQueryAsLeft() {
    bringUp(session_.purchaseQueryWindow());
}

void MainWindow::openSalesByGoods() {
    session_.salesQueryWindow().openByGoods();
}

void MainWindow::openSalesByCategory() {
    session_.salesQueryWindow().openByCategory();
}

void MainWindow::openSalesQueryAsLeft() {
    bringUp(session_.salesQueryWindow());
}

void MainWindow::openBackup() {
    bringUp(session_.backupWindow());
}

void MainWindow::openReturnList() {
    bringUp(session_.returnListWindow());
}

void MainWindow::openDayReport() {
    bringUp(session_.dayReportWindow());
}

void MainWindow::openStockAnalysis() {
    bringUp(session_.analysisProgressWindow());
}

void MainWindow::openStatisticsByCategory() {
    session_.statisticsWindow().openByCategory();
}

void MainWindow::openStatisticsByGoods() {
    session_.statisticsWindow().openByGoods();
}

void MainWindow::openAdministrators() {
    session_.personnelWindow().openAdministrators();
}

void MainWindow::openClerks() {
    session_.personnelWindow().openClerks();
}

void MainWindow::openCategoryConfiguration() {
    session_.configurationWindow().prepareCategoryPage();
}

void MainWindow::openGoodsConfiguration() {
    session_.configurationWindow().prepareGoodsPage();
}

void MainWindow::openShopSettings() {
    session_.configurationWindow().prepareSettingsPage();
}

void MainWindow::openTerminalRegistration() {
    bringUp(session_.registrationWindow());
}

void MainWindow::openMonitoring() {
    bringUp(session_.monitorWindow());
}

void MainWindow::openAbout() {
    bringUp(session_.aboutWindow());
}

// At once: no question, open windows are not asked.
void MainWindow::exitProgram() {
    QCoreApplication::exit(0);
}

} // namespace admin
