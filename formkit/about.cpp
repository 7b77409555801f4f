#include "formkit/about.h"

#include "formkit/buttonkeys.h"
#include "formkit/toolwindow.h"
#include "storedb/terminal.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

namespace formkit {

namespace {

class ComputerNameOnShow : public QObject {
  public:
    ComputerNameOnShow(QWidget* window, QPushButton* close, QLabel* name)
        : QObject(window), close_(close), name_(name) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            name_->setText(storedb::terminalName());
            close_->setFocus();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QPushButton* close_;
    QLabel* name_;
};

} // namespace

void makeAboutWindow(QWidget* window, const QSize& clientSize, QLabel* title, QFont titleFont,
                     QPushButton* close, QLabel* computerName) {
    makeToolWindow(window, clientSize, true);
    titleFont.setBold(true);
    title->setFont(titleFont);
    close->setDefault(true);
    installDefaultButton(window);
    installCancelButton(window, close);
    QObject::connect(close, &QPushButton::clicked, window, &QWidget::close);
    window->installEventFilter(new ComputerNameOnShow(window, close, computerName));
}

} // namespace formkit
