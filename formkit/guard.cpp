#include "formkit/guard.h"

#include "formkit/messages.h"
#include "storedb/errors.h"

#include <exception>

Q_LOGGING_CATEGORY(lcErrors, "orvani.errors")

namespace formkit {

QString logCurrentException(const QString& where) {
    try {
        throw;
    } catch (const storedb::Error& e) {
        qCWarning(lcErrors).noquote() << where << ":" << e.text();
        return e.userText();
    } catch (const std::exception& e) {
        qCWarning(lcErrors).noquote() << where << ":" << e.what();
        return QStringLiteral("程序内部错误,请通知管理员！");
    } catch (...) {
        qCWarning(lcErrors).noquote() << where << ": unknown exception";
        return QStringLiteral("程序内部错误,请通知管理员！");
    }
}

void showCurrentException(const QString& where) {
    showMessage(logCurrentException(where));
}

bool runGuarded(const QString& where, const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        showCurrentException(where);
        return false;
    }
}

} // namespace formkit
