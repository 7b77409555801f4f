#include "formkit/application.h"

#include "formkit/guard.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <cstdio>

namespace formkit {

namespace {

const char* const kShownProperty = "_formkit_shown_reported";

// TAVO_REPORT_WINDOWS set in the environment: each top-level window, once it
// has been painted for the first time, is announced on standard error as
// "window shown: <objectName>", so that the start-up benchmark can time the
// real programs from their start to their first window. The report is queued
// so that it follows the painting of the window's controls as well.
class ShownWindowReporter : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow() &&
            !watched->property(kShownProperty).toBool()) {
            watched->setProperty(kShownProperty, true);
            QTimer::singleShot(0, watched, [name = watched->objectName().toUtf8()] {
                std::fprintf(stderr, "window shown: %s\n", name.constData());
                std::fflush(stderr);
            });
        }
        return false;
    }
};

// Unless TZ names the zone, glibc reads /etc/localtime's status again for
// every local time it works out: a list of a million timestamps from the
// server spent most of its reading there. Set before any thread starts.
int& nameLocalTimeZone(int& argc) {
#if defined(Q_OS_LINUX)
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", ":/etc/localtime");
#endif
    return argc;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(nameLocalTimeZone(argc), argv) {
    // Dates, the clock and the calendar pop-ups read as the rest of the
    // programs do, in Chinese, whatever the computer's locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // Qt's own texts (a text box's context menu, standard buttons) likewise.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
    else
        qCWarning(lcErrors) << "Qt's Chinese translation is missing; Qt's own texts stay English";
    if (qEnvironmentVariableIsSet("TAVO_REPORT_WINDOWS"))
        installEventFilter(new ShownWindowReporter(this));
}

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
