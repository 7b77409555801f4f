#include "formkit/application.h"

#include "formkit/messages.h"
#include "storedb/errors.h"

#include <exception>

namespace formkit {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

void showCurrentException() {
    try {
        throw;
    } catch (const storedb::Error& e) {
        showMessage(e.text());
    } catch (const std::exception& e) {
        showMessage(QString::fromUtf8(e.what()));
    } catch (...) {
        showMessage(QStringLiteral("未知错误"));
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException();
        return false;
    }
}

} // namespace formkit
