#include "formkit/application.h"

#include "formkit/guard.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace formkit {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // Qt's own texts (a text box's context menu, standard buttons) in the
    // programs' language, whatever the computer's locale.
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
    else
        qCWarning(lcErrors) << "Qt's Chinese translation is missing; Qt's own texts stay English";
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
