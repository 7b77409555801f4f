#include "session.h"

#include "formkit/application.h"

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    admin::AdminSession session;
    return session.run();
}
