#include "dy.h"
#include "help.h"
#include "tavo.h"
#include "zx.h"

#include "formkit/application.h"

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("收银台端"));
    // The main window decides when the program ends (its close rules, or a
    // start-up that cannot go on).
    QApplication::setQuitOnLastWindowClosed(false);

    mainform = new Tmainform;
    zxform = new Tzxform;
    dyform = new Tdyform;
    helpform = new Thelpform;
    // Queued: the first show may end the program before the loop runs.
    QObject::connect(
        mainform, &Tmainform::quitRequested, &app, [](int code) { QCoreApplication::exit(code); },
        Qt::QueuedConnection);
    mainform->show();
    const int code = app.exec();

    delete helpform;
    delete dyform;
    delete zxform;
    delete mainform;
    return code;
}
