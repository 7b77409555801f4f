#include "tillwindup.h"

#include "session.h"

#include "formkit/messages.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/till.h"

#include <QDateTime>

namespace admin {

bool windUpTillOutOfContact(AdminSession& session, const QString& jsj) {
    if (jsj.isEmpty()) {
        formkit::showMessage(QStringLiteral("请先在列表中选中失去联系的收款机！"));
        return false;
    }
    if (!formkit::askYesNo(QStringLiteral("收款机 %1 已失去联系。真的要在后台结束它的营业吗？"
                                          "未收费的货物将退回库存,营业额记入售货员的应交款。")
                               .arg(jsj)))
        return false;
    try {
        const storedb::LostTillWoundUp done = storedb::windUpLostTill(
            session.db(), jsj, session.administrator(), QDateTime::currentDateTime());
        formkit::showMessage(
            QStringLiteral("收款机 %1 已结束营业:营业额 %2 元、应交款 %3 元记入售货员 %4 "
                           "的帐上,%5 行未收费的货物已退回库存。")
                .arg(jsj, storedb::numberText(done.figures.takings),
                     storedb::numberText(done.figures.handIn), done.shyh)
                .arg(done.linesReturned));
        return true;
    } catch (const storedb::TillInContactError& refused) {
        formkit::showMessage(refused.userText());
    } catch (const storedb::TillNotOnDutyError& refused) {
        formkit::showMessage(refused.userText());
    } catch (const storedb::TillNotRegisteredError&) {
        formkit::showMessage(QStringLiteral("收款机 %1 已经没有注册。").arg(jsj));
    }
    return false;
}

} // namespace admin
