#include "adminwindows.h"
#include "session.h"

#include "formkit/application.h"

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    admin::AdminSession session;
    admin::AdminWindows windows(session);
    if (!windows.start())
        return 1;
    return app.exec();
}
