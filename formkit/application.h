#pragma once

#include <QApplication>

namespace formkit {

// The application object of both programs: an exception escaping an event
// handler is shown as a message and the program carries on, the handler
// having stopped where it failed.
class Application : public QApplication {
    Q_OBJECT
  public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows the text of the exception being handled (call from a catch block).
void showCurrentException();

} // namespace formkit
