#include "session.h"

#include "backupwindow.h"
#include "dayreportwindow.h"
#include "dlpas.h"
#include "dy.h"
#include "fx.h"
#include "fx1.h"
#include "help.h"
#include "jk.h"
#include "mainpas.h"
#include "returnlistwindow.h"
#include "rsglpas.h"
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
    main_ = std::make_unique<Tmain>(*this);
    spgl_ = std::make_unique<TspglForm>(*this);
    sppz_ = std::make_unique<TsppzForm>(*this);
    rsgl_ = std::make_unique<TrsglForm>(*this);
    yyejs_ = std::make_unique<TyyejsForm>(*this);
    spxg_ = std::make_unique<TspxgForm>(*this);
    help_ = std::make_unique<Thelpform>(*this);
    spckcx_ = std::make_unique<TspckcxForm>(*this);
    sprhcx_ = std::make_unique<TsprhcxForm>(*this);
    zc_ = std::make_unique<Tzcform>(*this);
    jk_ = std::make_unique<Tjkform>(*this);
    ywtj_ = std::make_unique<Tywtjform>(*this);
    fx_ = std::make_unique<Tfxform>(*this);
    fx1_ = std::make_unique<Tfx1form>(*this);
    dy_ = std::make_unique<Tdyform>(*this);
    yl_ = std::make_unique<Tylform>(*this);
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
        login_ = std::make_unique<TdlForm>(*this);
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
