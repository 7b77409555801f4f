#include "mainpas.h"
#include "startup.h"

#include "formkit/application.h"

#include <QScreen>
#include <QTimer>

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    admin::initialiseApplication();
    admin::createWindows();
    // Shown from inside the loop, so that a failed connection on the first
    // show can end the loop (exit code 1).
    QTimer::singleShot(0, admin::mainform, [] {
        // The screen's size as well, for displays without a window manager
        // to maximise it.
        if (const QScreen* screen = admin::mainform->screen())
            admin::mainform->setGeometry(screen->availableGeometry());
        admin::mainform->showMaximized();
    });
    const int code = app.exec();
    admin::destroyWindows();
    return code;
}
