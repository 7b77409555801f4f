#include "mainpas.h"

#include "ui_mainpas.h"

#include "data.h"
#include "dlpas.h"
#include "fx.h"
#include "help.h"
#include "jk.h"
#include "rsglpas.h"
#include "spckcxpas.h"
#include "spglpas.h"
#include "sppzpas.h"
#include "sprhcxpas.h"
#include "spxg.h"
#include "ui_rsglpas.h"
#include "ui_spckcxpas.h"
#include "ui_spglpas.h"
#include "ui_sprhcxpas.h"
#include "ui_spxg.h"
#include "ui_ywtj.h"
#include "ui_yyejspas.h"
#include "yl.h"
#include "ywtj.h"
#include "yyejspas.h"
#include "zc.h"

#include "formkit/grid.h"
#include "formkit/hint.h"
#include "formkit/messages.h"
#include "storedb/backoffice.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <exception>

namespace admin {

Tmain* mainform = nullptr;

namespace {

// Brings a tool window up (or to the front, when it is up already).
void showWindow(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// Selecting a page from here is not the user changing pages: the window's
// page-change handler must not run.
void selectPage(QTabWidget* pages, int index) {
    const QSignalBlocker quiet(pages);
    pages->setCurrentIndex(index);
}

} // namespace

Tmain::Tmain(QWidget* parent) : QMainWindow(parent), ui(new Ui::Tmain) {
    ui->setupUi(this);
    // Minimise and the system menu only: the window lives maximised.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ui->ClientArea->setBackground(QColor(58, 110, 165)); // the desktop's colour

    hintPanel = new QLabel(ui->StatusBar1);
    hintPanel->setObjectName(QStringLiteral("HintPanel"));
    clockPanel = new QLabel(ui->StatusBar1);
    clockPanel->setObjectName(QStringLiteral("ClockPanel"));
    for (auto [panel, width] : {std::pair{hintPanel, 630}, std::pair{clockPanel, 170}}) {
        panel->setFixedWidth(width);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        ui->StatusBar1->addWidget(panel);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Tmain::Timer1Timer);
    Timer1->start();

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

    // A menu's hint belongs to its entry in the menu above, not to the
    // drop-down; the entry carries the menu's name as well.
    for (QMenu* menu : findChildren<QMenu*>()) {
        menu->menuAction()->setObjectName(menu->objectName());
        menu->menuAction()->setStatusTip(menu->statusTip());
        menu->setStatusTip(QString());
    }
    nameSeparators();

    // Ctrl+S and Ctrl+U belong to the incoming-goods query entries N27 and
    // N26. The sales query entries show the same keys, but Qt treats a key
    // bound twice as ambiguous and gives it to neither, so these two carry
    // the key only as text in the menu's shortcut column (after the tab).
    ui->N29->setText(ui->N29->text() + QStringLiteral("\tCtrl+S"));
    ui->N28->setText(ui->N28->text() + QStringLiteral("\tCtrl+U"));

    connectHandlers();
    FormCreate();
}

Tmain::~Tmain() {
    if (mainform == this)
        mainform = nullptr;
    delete ui;
}

// Each drop-down has one separator; it keeps its name like every other entry.
void Tmain::nameSeparators() {
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
}

void Tmain::connectHandlers() {
    const std::pair<QAction*, void (Tmain::*)()> entries[] = {
        {ui->N6, &Tmain::N6Click},   {ui->N7, &Tmain::N7Click},   {ui->N30, &Tmain::N30Click},
        {ui->D1, &Tmain::D1Click},   {ui->N36, &Tmain::N36Click}, {ui->N35, &Tmain::N35Click},
        {ui->N27, &Tmain::N27Click}, {ui->N26, &Tmain::N26Click}, {ui->N29, &Tmain::N29Click},
        {ui->N28, &Tmain::N28Click}, {ui->N4, &Tmain::N4Click},   {ui->N12, &Tmain::N12Click},
        {ui->N13, &Tmain::N13Click}, {ui->N16, &Tmain::N16Click}, {ui->N17, &Tmain::N17Click},
        {ui->N19, &Tmain::N19Click}, {ui->N20, &Tmain::N20Click}, {ui->N38, &Tmain::N38Click},
        {ui->M1, &Tmain::M1Click},   {ui->N33, &Tmain::N33Click}, {ui->N25, &Tmain::N25Click},
        {ui->N21, &Tmain::N21Click},
    };
    for (const auto& [action, handler] : entries)
        connect(action, &QAction::triggered, this, handler);

    const std::pair<QToolButton*, void (Tmain::*)()> buttons[] = {
        {ui->ToolButton8, &Tmain::M1Click},
        {ui->ToolButton17, &Tmain::N33Click},
        {ui->ToolButton1, &Tmain::N6Click},
        {ui->ToolButton2, &Tmain::N7Click},
        {ui->ToolButton3, &Tmain::ToolButton3Click},
        {ui->ToolButton18, &Tmain::N35Click},
        {ui->ToolButton4, &Tmain::N36Click},
        {ui->ToolButton5, &Tmain::ToolButton5Click},
        {ui->ToolButton16, &Tmain::ToolButton16Click},
        {ui->ToolButton11, &Tmain::N16Click},
        {ui->ToolButton7, &Tmain::N4Click},
        {ui->ToolButton9, &Tmain::N12Click},
        {ui->ToolButton13, &Tmain::N19Click},
        {ui->ToolButton20, &Tmain::N21Click},
    };
    for (const auto& [button, handler] : buttons)
        connect(button, &QToolButton::clicked, this, handler);
}

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

void Tmain::setStatusText(const QString& text) {
    setStatusTip(text);
}

void Tmain::FormCreate() {
    hints_ = new formkit::HintWatcher(this);
    connect(hints_, &formkit::HintWatcher::hintChanged, hintPanel, &QLabel::setText);
    setLockedFunctionsEnabled(false);
}

void Tmain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    FormShow();
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

void Tmain::FormShow() {
    try {
        delete DataModule1;
        DataModule1 = new TDataModule1;
        DataModule1->open(); // link.udl beside the executable
        delete dlForm;
        dlForm = new TdlForm;
        dlForm->show();
    } catch (...) {
        try {
            throw;
        } catch (const storedb::Error& e) {
            qWarning("tavo_admin: %s", qPrintable(e.text()));
        } catch (const std::exception& e) {
            qWarning("tavo_admin: %s", e.what());
        } catch (...) {
        }
        startupFailed_ = true;
        formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
        QCoreApplication::exit(1);
    }
}

void Tmain::Timer1Timer() {
    clockPanel->setText(QStringLiteral("系统时间: ") +
                        formkit::clockText(QDateTime::currentDateTime()));
}

void Tmain::N6Click() {
    showWindow(spglForm);
    spglForm->ui->GroupBox1->setTitle(QStringLiteral("商品入库"));
    spglForm->ui->Label7->setText(QStringLiteral("入货价    "));
    spglForm->ui->Label8->setVisible(true);
    spglForm->ui->Edit3->setVisible(true);
    ui->N7->setEnabled(false);
}

void Tmain::N7Click() {
    showWindow(spglForm);
    spglForm->ui->GroupBox1->setTitle(QStringLiteral("商品出库"));
    spglForm->ui->Label7->setText(QStringLiteral("出货价     "));
    spglForm->ui->Label8->setVisible(false);
    spglForm->ui->Edit3->setVisible(false);
    ui->N6->setEnabled(false);
}

void Tmain::N30Click() {
    selectPage(spxgForm->ui->PageControl1, 0);
    showWindow(spxgForm);
}

void Tmain::D1Click() {
    selectPage(spxgForm->ui->PageControl1, 1);
    showWindow(spxgForm);
}

void Tmain::N36Click() {
    showWindow(yyejsForm);
    TDataModule1::reopen(DataModule1->DataSourceyyejs, storedb::yyejs(DataModule1->db()));
    yyejsForm->ui->DBGrid1->setModel(DataModule1->DataSourceyyejs);
    formkit::layoutGrid(yyejsForm->ui->DBGrid1, {50, 125, 60});
    yyejsForm->ui->Edit1->clear();
    yyejsForm->ui->Edit2->clear();
    yyejsForm->ui->Edit3->clear();
}

void Tmain::N35Click() {
    showWindow(ylform);
}

void Tmain::N27Click() {
    selectPage(sprhcxForm->ui->PageControl1, 1);
    showWindow(sprhcxForm);
}

void Tmain::N26Click() {
    selectPage(sprhcxForm->ui->PageControl1, 0);
    showWindow(sprhcxForm);
}

void Tmain::N29Click() {
    selectPage(spckcxForm->ui->PageControl1, 1);
    showWindow(spckcxForm);
}

void Tmain::N28Click() {
    selectPage(spckcxForm->ui->PageControl1, 0);
    showWindow(spckcxForm);
}

void Tmain::N4Click() {
    showWindow(fxform);
}

void Tmain::N12Click() {
    selectPage(ywtjform->ui->PageControl1, 0);
    showWindow(ywtjform);
}

void Tmain::N13Click() {
    selectPage(ywtjform->ui->PageControl1, 1);
    showWindow(ywtjform);
}

void Tmain::N16Click() {
    showWindow(rsglForm);
    selectPage(rsglForm->ui->PageControl1, 0);
    TDataModule1::reopen(DataModule1->DataSourcersgl,
                         storedb::rsglAdministrators(DataModule1->db()));
    rsglForm->ui->DBGrid1->setModel(DataModule1->DataSourcersgl);
    rsglForm->ui->DBGrid2->setModel(DataModule1->DataSourcersgl);
    formkit::layoutGrid(rsglForm->ui->DBGrid1, {50, 150});
}

void Tmain::N17Click() {
    showWindow(rsglForm);
    selectPage(rsglForm->ui->PageControl1, 1);
    TDataModule1::reopen(DataModule1->DataSourcersgl, storedb::rsglClerks(DataModule1->db()));
    rsglForm->ui->DBGrid1->setModel(DataModule1->DataSourcersgl);
    rsglForm->ui->DBGrid2->setModel(DataModule1->DataSourcersgl);
    formkit::layoutGrid(rsglForm->ui->DBGrid2, {50, 150});
}

void Tmain::N19Click() {
    sppzForm->prepareCategoryPage();
}

void Tmain::N20Click() {
    sppzForm->prepareGoodsPage();
}

void Tmain::N38Click() {
    sppzForm->prepareSettingsPage();
}

void Tmain::M1Click() {
    showWindow(zcform);
}

void Tmain::N33Click() {
    showWindow(jkform);
}

void Tmain::N25Click() {
    showWindow(helpform);
}

// At once: no question, open windows are not asked.
void Tmain::N21Click() {
    QCoreApplication::exit(0);
}

void Tmain::ToolButton3Click() {
    showWindow(spxgForm);
}

void Tmain::ToolButton5Click() {
    showWindow(sprhcxForm);
}

void Tmain::ToolButton16Click() {
    showWindow(spckcxForm);
}

} // namespace admin
