#include "session.h"

#include "aboutwindow.h"
#include "analysisprogresswindow.h"
#include "backupwindow.h"
#include "correctionwindow.h"
#include "dayreportwindow.h"
#include "goodsconfigwindow.h"
#include "loginwindow.h"
#include "mainwindow.h"
#include "monitorwindow.h"
#include "personnelwindow.h"
#include "profitwindow.h"
#include "purchasequerywindow.h"
#include "returnlistwindow.h"
#include "salesquerywindow.h"
#include "settlementwindow.h"
#include "statisticswindow.h"
#include "stockanalysiswindow.h"
#include "stockreportwindow.h"
#include "stockwindow.h"
#include "tillregistrationwindow.h"

#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/upgradewindow.h"
#include "storedb/datalink.h"

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

AdminSession::AdminSession() : data_(QStringLiteral("tavo_admin")) {
    setApplicationFont();
    // Message boxes say which program speaks; the windows' captions are their own.
    formkit::setMessageCaption(QStringLiteral("服务器端"));
    main_ = std::make_unique<MainWindow>(*this);
    stock_ = std::make_unique<StockWindow>(*this);
    goodsConfig_ = std::make_unique<GoodsConfigWindow>(*this);
    personnel_ = std::make_unique<PersonnelWindow>(*this);
    settlement_ = std::make_unique<SettlementWindow>(*this);
    correction_ = std::make_unique<CorrectionWindow>(*this);
    about_ = std::make_unique<AboutWindow>(*this);
    salesQuery_ = std::make_unique<SalesQueryWindow>(*this);
    purchaseQuery_ = std::make_unique<PurchaseQueryWindow>(*this);
    registration_ = std::make_unique<TillRegistrationWindow>(*this);
    monitor_ = std::make_unique<MonitorWindow>(*this);
    statistics_ = std::make_unique<StatisticsWindow>(*this);
    analysisProgress_ = std::make_unique<AnalysisProgressWindow>(*this);
    analysis_ = std::make_unique<StockAnalysisWindow>(*this);
    stockReport_ = std::make_unique<StockReportWindow>(*this);
    profit_ = std::make_unique<ProfitWindow>(*this);
    returnList_ = std::make_unique<ReturnListWindow>(*this);
    dayReport_ = std::make_unique<DayReportWindow>(*this);
    backup_ = std::make_unique<BackupWindow>(*this);
}

// The windows go in the reverse order of their making (members), the login
// window first, and all of them before the connection.
AdminSession::~AdminSession() = default;

bool AdminSession::start() {
    // The screen's size as well, for displays without a window manager to
    // maximise the window.
    if (const QScreen* screen = main_->screen())
        main_->setGeometry(screen->availableGeometry());
    main_->showMaximized();
    // Only now: a window shown before the main window is on screen loses the
    // keyboard to it.
    openStoreAndAskForSignOn();
    return !startupFailed_;
}

int AdminSession::run() {
    if (!start())
        return 1;
    return QApplication::exec();
}

void AdminSession::openStoreAndAskForSignOn() {
    try {
        const storedb::DataLink link = storedb::DataModule::dataLink();
        storedb::StoreCreation creation = storedb::StoreCreation::MustExist;
        // A link to a file that is not there may be a new shop or a wrong
        // link: only the administrator can tell.
        if (storedb::storeFileMissing(link)) {
            if (!formkit::askYesNo(QStringLiteral("数据库文件 ") + link.dataSource +
                                   QStringLiteral(" 不存在。要建立一个新的商店数据库吗？"))) {
                qCWarning(lcErrors).noquote()
                    << "tavo_admin start-up: no store created at" << link.dataSource;
                failStart();
                return;
            }
            creation = storedb::StoreCreation::MayCreate;
        }
        {
            formkit::UpgradeWindow upgrade(main_.get());
            data_.open(creation, upgrade.runner());
        }
        login_ = std::make_unique<LoginWindow>(*this);
        login_->openForSignOn();
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("tavo_admin start-up"));
        failStart();
    }
}

void AdminSession::failStart() {
    startupFailed_ = true;
    formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
    QCoreApplication::exit(1);
}

} // namespace admin
