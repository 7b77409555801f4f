#include "formkit/buttonkeys.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace formkit {

namespace {

bool pressable(const QAbstractButton* button) {
    return button && button->isEnabled() && button->isVisibleTo(button->window());
}

class WindowKeys : public QObject {
  public:
    WindowKeys(QWidget* window, QAbstractButton* cancel)
        : QObject(window), window_(window), cancel_(cancel) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Key presses a control ignored travel up to the window; only those
        // reach here as events of the window itself.
        if (watched != window_ || event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        if (cancel_ == nullptr && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            QPushButton* target = qobject_cast<QPushButton*>(QApplication::focusWidget());
            if (target == nullptr || target->window() != window_) {
                target = nullptr;
                const auto buttons = window_->findChildren<QPushButton*>();
                for (QPushButton* button : buttons) {
                    if (button->isDefault()) {
                        target = button;
                        break;
                    }
                }
            }
            if (pressable(target))
                target->click();
            return true;
        }
        if (cancel_ != nullptr && key->key() == Qt::Key_Escape) {
            if (pressable(cancel_))
                cancel_->click();
            return true;
        }
        return false;
    }

  private:
    QWidget* window_;
    QPointer<QAbstractButton> cancel_;
};

} // namespace

void installDefaultButton(QWidget* window) {
    window->installEventFilter(new WindowKeys(window, nullptr));
}

void installCancelButton(QWidget* window, QAbstractButton* cancel) {
    window->installEventFilter(new WindowKeys(window, cancel));
}

} // namespace formkit
