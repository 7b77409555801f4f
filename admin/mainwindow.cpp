#include "mainwindow.h"

#include "ui_mainwindow.h"

#include "aboutwindow.h"
#include "analysisprogresswindow.h"
#include "backupwindow.h"
#include "correctionwindow.h"
#include "dayreportwindow.h"
#include "goodsconfigwindow.h"
#include "monitorwindow.h"
#include "opening.h"
#include "personnelwindow.h"
#include "profitwindow.h"
#include "purchasequerywindow.h"
#include "returnlistwindow.h"
#include "salesquerywindow.h"
#include "settlementwindow.h"
#include "statisticswindow.h"
#include "stockwindow.h"
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
        {ui->tillRegistrationButton, QStyle::SP_ComputerIcon},
        {ui->monitorButton, QStyle::SP_DesktopIcon},
        {ui->stockInButton, QStyle::SP_ArrowDown},
        {ui->stockOutButton, QStyle::SP_ArrowUp},
        {ui->correctionButton, QStyle::SP_FileDialogDetailedView},
        {ui->profitEstimateButton, QStyle::SP_FileDialogInfoView},
        {ui->settlementButton, QStyle::SP_DialogApplyButton},
        {ui->purchaseQueryButton, QStyle::SP_FileDialogContentsView},
        {ui->salesQueryButton, QStyle::SP_FileDialogListView},
        {ui->personnelButton, QStyle::SP_DirHomeIcon},
        {ui->stockAnalysisButton, QStyle::SP_DriveHDIcon},
        {ui->statisticsButton, QStyle::SP_FileDialogStart},
        {ui->configurationButton, QStyle::SP_FileDialogNewFolder},
        {ui->exitButton, QStyle::SP_DialogCloseButton},
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

void MainWindow::attachToolWindows(const ToolWindows& windows) {
    windows_.emplace(windows);
}

// Two panels, each as wide as its text needs: the hint takes what the clock
// leaves.
void MainWindow::buildStatusBar() {
    hintPanel_ = new QLabel(ui->statusBar);
    hintPanel_->setObjectName(QStringLiteral("HintPanel"));
    clockPanel_ = new QLabel(ui->statusBar);
    clockPanel_->setObjectName(QStringLiteral("ClockPanel"));
    backupPanel_ = new QLabel(ui->statusBar);
    backupPanel_->setObjectName(QStringLiteral("BackupPanel"));
    for (QLabel* panel : {hintPanel_, backupPanel_, clockPanel_})
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ui->statusBar->addWidget(hintPanel_, 1);
    ui->statusBar->addWidget(backupPanel_);
    ui->statusBar->addWidget(clockPanel_);
    backupPanel_->hide(); // until an administrator has signed on

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("clockTimer"));
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &MainWindow::showClock);
    clockTimer_->start();
}

void MainWindow::nameMenuEntries() {
    // A menu's hint belongs to its entry in the menu above, not to the
    // drop-down; the entry carries the menu's name as well, and a drop-down's
    // separator is named after its menu like every other entry.
    for (QMenu* menu : findChildren<QMenu*>()) {
        menu->menuAction()->setObjectName(menu->objectName());
        menu->menuAction()->setStatusTip(menu->statusTip());
        menu->setStatusTip(QString());
        for (QAction* action : menu->actions()) {
            if (action->isSeparator())
                action->setObjectName(menu->objectName() + QStringLiteral("Separator"));
        }
    }
    // Ctrl+S and Ctrl+U belong to the incoming-goods query entries. The sales
    // query entries show the same keys, but Qt treats a key bound twice as
    // ambiguous and gives it to neither, so these two carry the key only as
    // text in the menu's shortcut column (after the tab).
    ui->salesByGoodsAction->setText(ui->salesByGoodsAction->text() + QStringLiteral("\tCtrl+S"));
    ui->salesByCategoryAction->setText(ui->salesByCategoryAction->text() +
                                       QStringLiteral("\tCtrl+U"));
}

void MainWindow::connectHandlers() {
    const std::pair<QAction*, void (MainWindow::*)()> entries[] = {
        {ui->stockInAction, &MainWindow::openStockIn},
        {ui->stockOutAction, &MainWindow::openStockOut},
        {ui->movementCorrectionAction, &MainWindow::openMovementCorrection},
        {ui->priceChangeAction, &MainWindow::openPriceChange},
        {ui->settlementAction, &MainWindow::openSettlement},
        {ui->profitEstimateAction, &MainWindow::openProfitEstimate},
        {ui->purchaseByGoodsAction, &MainWindow::openIncomingByGoods},
        {ui->purchaseByCategoryAction, &MainWindow::openIncomingByCategory},
        {ui->salesByGoodsAction, &MainWindow::openSalesByGoods},
        {ui->salesByCategoryAction, &MainWindow::openSalesByCategory},
        {ui->ReturnQuery, &MainWindow::openReturnList},
        {ui->BackupAction, &MainWindow::openBackup},
        {ui->DayReport, &MainWindow::openDayReport},
        {ui->stockAnalysisAction, &MainWindow::openStockAnalysis},
        {ui->statisticsByCategoryAction, &MainWindow::openStatisticsByCategory},
        {ui->statisticsByGoodsAction, &MainWindow::openStatisticsByGoods},
        {ui->administratorsAction, &MainWindow::openAdministrators},
        {ui->clerksAction, &MainWindow::openClerks},
        {ui->categoryConfigurationAction, &MainWindow::openCategoryConfiguration},
        {ui->goodsConfigurationAction, &MainWindow::openGoodsConfiguration},
        {ui->shopSettingsAction, &MainWindow::openShopSettings},
        {ui->tillRegistrationAction, &MainWindow::openTerminalRegistration},
        {ui->monitorAction, &MainWindow::openMonitoring},
        {ui->aboutAction, &MainWindow::openAbout},
        {ui->exitAction, &MainWindow::exitProgram},
    };
    for (const auto& [action, handler] : entries)
        formkit::onTriggered(action, this, handler);

    const std::pair<QToolButton*, void (MainWindow::*)()> buttons[] = {
        {ui->tillRegistrationButton, &MainWindow::openTerminalRegistration},
        {ui->monitorButton, &MainWindow::openMonitoring},
        {ui->stockInButton, &MainWindow::openStockIn},
        {ui->stockOutButton, &MainWindow::openStockOut},
        {ui->correctionButton, &MainWindow::openCorrectionAsLeft},
        {ui->profitEstimateButton, &MainWindow::openProfitEstimate},
        {ui->settlementButton, &MainWindow::openSettlement},
        {ui->purchaseQueryButton, &MainWindow::openIncomingQueryAsLeft},
        {ui->salesQueryButton, &MainWindow::openSalesQueryAsLeft},
        {ui->personnelButton, &MainWindow::openAdministrators},
        {ui->stockAnalysisButton, &MainWindow::openStockAnalysis},
        {ui->statisticsButton, &MainWindow::openStatisticsByCategory},
        {ui->configurationButton, &MainWindow::openCategoryConfiguration},
        {ui->exitButton, &MainWindow::exitProgram},
    };
    for (const auto& [button, handler] : buttons)
        formkit::onClick(button, this, handler);
}

// The functions locked until sign-on, in the order they are locked and
// unlocked: the top-level menus, then the tool buttons.
QList<QAction*> MainWindow::lockedMenus() const {
    return {ui->goodsMenu->menuAction(),         ui->takingsMenu->menuAction(),
            ui->queryMenu->menuAction(),         ui->stockAnalysisAction,
            ui->statisticsMenu->menuAction(),    ui->personnelMenu->menuAction(),
            ui->configurationMenu->menuAction(), ui->tillsMenu->menuAction()};
}

QList<QToolButton*> MainWindow::lockedToolButtons() const {
    return {ui->stockInButton,          ui->stockOutButton,      ui->correctionButton,
            ui->settlementButton,       ui->purchaseQueryButton, ui->stockAnalysisButton,
            ui->tillRegistrationButton, ui->statisticsButton,    ui->personnelButton,
            ui->configurationButton,    ui->salesQueryButton,    ui->monitorButton,
            ui->profitEstimateButton};
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
    BackupWindow& backup = windows_->backup;
    connect(&backup, &BackupWindow::backedUp, this, &MainWindow::showLastBackup,
            Qt::UniqueConnection);
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
    ui->stockOutAction->setEnabled(true);
    ui->stockInAction->setEnabled(true);
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
    windows_->stock.openForStockIn();
    ui->stockOutAction->setEnabled(false);
}

void MainWindow::openStockOut() {
    windows_->stock.openForStockOut();
    ui->stockInAction->setEnabled(false);
}

void MainWindow::openMovementCorrection() {
    windows_->correction.openCorrection();
}

void MainWindow::openPriceChange() {
    windows_->correction.openPriceChange();
}

void MainWindow::openCorrectionAsLeft() {
    bringUp(windows_->correction);
}

void MainWindow::openSettlement() {
    windows_->settlement.openOwedShifts();
}

void MainWindow::openProfitEstimate() {
    bringUp(windows_->profit);
}

void MainWindow::openIncomingByGoods() {
    windows_->purchaseQuery.openByGoods();
}

void MainWindow::openIncomingByCategory() {
    windows_->purchaseQuery.openByCategory();
}

void MainWindow::openIncomingQueryAsLeft() {
    bringUp(windows_->purchaseQuery);
}

void MainWindow::openSalesByGoods() {
    windows_->salesQuery.openByGoods();
}

void MainWindow::openSalesByCategory() {
    windows_->salesQuery.openByCategory();
}

void MainWindow::openSalesQueryAsLeft() {
    bringUp(windows_->salesQuery);
}

void MainWindow::openBackup() {
    bringUp(windows_->backup);
}

void MainWindow::openReturnList() {
    bringUp(windows_->returnList);
}

void MainWindow::openDayReport() {
    bringUp(windows_->dayReport);
}

void MainWindow::openStockAnalysis() {
    bringUp(windows_->analysisProgress);
}

void MainWindow::openStatisticsByCategory() {
    windows_->statistics.openByCategory();
}

void MainWindow::openStatisticsByGoods() {
    windows_->statistics.openByGoods();
}

void MainWindow::openAdministrators() {
    windows_->personnel.openAdministrators();
}

void MainWindow::openClerks() {
    windows_->personnel.openClerks();
}

void MainWindow::openCategoryConfiguration() {
    windows_->configuration.prepareCategoryPage();
}

void MainWindow::openGoodsConfiguration() {
    windows_->configuration.prepareGoodsPage();
}

void MainWindow::openShopSettings() {
    windows_->configuration.prepareSettingsPage();
}

void MainWindow::openTerminalRegistration() {
    bringUp(windows_->registration);
}

void MainWindow::openMonitoring() {
    bringUp(windows_->monitor);
}

void MainWindow::openAbout() {
    bringUp(windows_->about);
}

// At once: no question, open windows are not asked.
void MainWindow::exitProgram() {
    QCoreApplication::exit(0);
}

} // namespace admin
