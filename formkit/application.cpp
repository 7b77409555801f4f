#include "formkit/application.h"

#include "formkit/guard.h"

namespace formkit {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException(QStringLiteral("unguarded %1")
                                 .arg(receiver
                                          ? QString::fromLatin1(receiver->metaObject()->className())
                                          : QString()));
        return false;
    }
}

} // namespace formkit
