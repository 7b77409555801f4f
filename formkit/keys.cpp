#include "formkit/keys.h"

#include "formkit/guard.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QObject>

namespace formkit {

namespace {

bool accepted(QChar c, NumericKeys keys) {
    if (c.isDigit() && c.unicode() < 128)
        return true;
    if (keys == NumericKeys::DigitsOnly)
        return false;
    if (c == QLatin1Char('\b') || c == QChar(0x1b))
        return true;
    return keys == NumericKeys::DigitsPointBackspaceEscape && c == QLatin1Char('.');
}

class NumericFilter : public QObject {
  public:
    NumericFilter(QObject* parent, NumericKeys keys) : QObject(parent), keys_(keys) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QString text = key->text();
            const bool typesCharacter = !text.isEmpty() && key->key() != Qt::Key_Return &&
                                        key->key() != Qt::Key_Enter && key->key() != Qt::Key_Tab &&
                                        key->key() != Qt::Key_Backtab &&
                                        key->key() != Qt::Key_Delete;
            if (typesCharacter && !(key->modifiers() & Qt::ControlModifier)) {
                for (QChar c : text) {
                    if (!accepted(c, keys_))
                        return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    NumericKeys keys_;
};

class EnterFilter : public QObject {
  public:
    EnterFilter(QObject* parent, std::function<void()> action)
        : QObject(parent), action_(std::move(action)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                runGuarded(QStringLiteral("%1/Enter").arg(watched->objectName()), action_);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void()> action_;
};

} // namespace

void installNumericFilter(QLineEdit* edit, NumericKeys keys) {
    edit->installEventFilter(new NumericFilter(edit, keys));
}

void onEnter(QWidget* widget, std::function<void()> action) {
    widget->installEventFilter(new EnterFilter(widget, std::move(action)));
}

void chainEnter(const QList<QWidget*>& chain) {
    for (qsizetype i = 0; i < chain.size(); ++i) {
        QWidget* widget = chain.at(i);
        if (i + 1 < chain.size()) {
            QWidget* next = chain.at(i + 1);
            onEnter(widget, [next] { next->setFocus(Qt::OtherFocusReason); });
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            onEnter(button, [button] {
                if (button->isEnabled())
                    button->click();
            });
        }
    }
}

} // namespace formkit
