#include "session.h"

#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/upgradewindow.h"
#include "storedb/datalink.h"

#include <QCoreApplication>

namespace admin {

AdminSession::AdminSession() : data_(QStringLiteral("tavo_admin")) {}

AdminSession::~AdminSession() = default;

bool AdminSession::openStore(QWidget* window) {
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
                return false;
            }
            creation = storedb::StoreCreation::MayCreate;
        }
        formkit::UpgradeWindow upgrade(window);
        data_.open(creation, upgrade.runner());
        return true;
    } catch (...) {
        formkit::logCurrentException(QStringLiteral("tavo_admin start-up"));
        failStart();
        return false;
    }
}

void AdminSession::failStart() {
    startupFailed_ = true;
    formkit::showMessage(QStringLiteral("数据库连接错误,请检查！程序将自动关闭！"));
    QCoreApplication::exit(1);
}

} // namespace admin
