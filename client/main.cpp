#include "session.h"
#include "tillwindow.h"
#include "tillwindows.h"

#include "formkit/application.h"

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    // The main window decides when the program ends (its close rules, or a
    // start-up that cannot go on).
    QApplication::setQuitOnLastWindowClosed(false);

    TillSession session;
    TillWindows windows(session);
    // Queued: the first show may end the program before the loop runs.
    QObject::connect(
        &windows.mainWindow(), &TillWindow::quitRequested, &app,
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    windows.start();
    return app.exec();
}
