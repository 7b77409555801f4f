#include "adminwindows.h"

#include "aboutwindow.h"
#include "analysisprogresswindow.h"
#include "backupwindow.h"
#include "correctionwindow.h"
#include "dayreportwindow.h"
#include "goodsconfigwindow.h"
#include "loginwindow.h"
#include "mainwindow.h"
#include "monitorwindow.h"
#include "opening.h"
#include "personnelwindow.h"
#include "profitwindow.h"
#include "purchasequerywindow.h"
#include "returnlistwindow.h"
#include "salesquerywindow.h"
#include "session.h"
#include "settlementwindow.h"
#include "statisticswindow.h"
#include "stockanalysiswindow.h"
#include "stockreportwindow.h"
#include "stockwindow.h"
#include "tillregistrationwindow.h"

#include "formkit/messages.h"

#include <QApplication>
#include <QScreen>

namespace admin {

namespace {

void setApplicationFont() {
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    QApplication::setFont(font);
}

} // namespace

AdminWindows::AdminWindows(AdminSession& session) : session_(session) {
    setApplicationFont();
    // Message boxes say which program speaks; the windows' captions are their own.
    formkit::setMessageCaption(QStringLiteral("服务器端"));
    main_ = std::make_unique<MainWindow>(session);
    stock_ = std::make_unique<StockWindow>(session);
    goodsConfig_ = std::make_unique<GoodsConfigWindow>(session);
    personnel_ = std::make_unique<PersonnelWindow>(session);
    settlement_ = std::make_unique<SettlementWindow>(session);
    correction_ = std::make_unique<CorrectionWindow>(session);
    about_ = std::make_unique<AboutWindow>(session);
    salesQuery_ = std::make_unique<SalesQueryWindow>(session);
    purchaseQuery_ = std::make_unique<PurchaseQueryWindow>(session);
    registration_ = std::make_unique<TillRegistrationWindow>(session);
    monitor_ = std::make_unique<MonitorWindow>(session);
    statistics_ = std::make_unique<StatisticsWindow>(session);
    analysisProgress_ = std::make_unique<AnalysisProgressWindow>(session);
    analysis_ = std::make_unique<StockAnalysisWindow>(session);
    stockReport_ = std::make_unique<StockReportWindow>(session);
    profit_ = std::make_unique<ProfitWindow>(session);
    returnList_ = std::make_unique<ReturnListWindow>(session);
    dayReport_ = std::make_unique<DayReportWindow>(session);
    backup_ = std::make_unique<BackupWindow>(session);
    connectWindows();
}

AdminWindows::~AdminWindows() = default;

void AdminWindows::connectWindows() {
    main_->attachToolWindows({.stock = *stock_,
                              .correction = *correction_,
                              .settlement = *settlement_,
                              .profit = *profit_,
                              .purchaseQuery = *purchaseQuery_,
                              .salesQuery = *salesQuery_,
                              .returnList = *returnList_,
                              .backup = *backup_,
                              .dayReport = *dayReport_,
                              .analysisProgress = *analysisProgress_,
                              .statistics = *statistics_,
                              .personnel = *personnel_,
                              .configuration = *goodsConfig_,
                              .registration = *registration_,
                              .monitor = *monitor_,
                              .about = *about_});
    QObject::connect(stock_.get(), &StockWindow::closed, main_.get(),
                     &MainWindow::stockWindowClosed);
    StockAnalysisWindow* analysis = analysis_.get();
    QObject::connect(analysisProgress_.get(), &AnalysisProgressWindow::completed, analysis,
                     [analysis] { bringUp(*analysis); });
    analysis_->attachReport(*stockReport_);
}

bool AdminWindows::start() {
    // The screen's size as well, for displays without a window manager to
    // maximise the window.
    if (const QScreen* screen = main_->screen())
        main_->setGeometry(screen->availableGeometry());
    main_->showMaximized();
    // Only now: a window shown before the main window is on screen loses the
    // keyboard to it.
    if (!session_.openStore(main_.get()))
        return false;
    login_ = std::make_unique<LoginWindow>(session_, *main_);
    login_->openForSignOn();
    return true;
}

} // namespace admin
