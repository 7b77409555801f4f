#pragma once

#include <QApplication>

namespace formkit {

// The application object of both programs. Handlers catch their own errors
// (formkit/guard.h); an exception that escapes one all the same is shown and
// logged here as a last resort, and the program carries on.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace formkit
