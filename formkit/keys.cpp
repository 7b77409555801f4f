#include "formkit/keys.h"

#include "formkit/guard.h"
#include "storedb/columntext.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>
#include <QObject>
#include <QValidator>

#include <algorithm>

namespace formkit {

namespace {

// A character the box holds: a digit, or the point where it is accepted.
bool typeable(QChar c, NumericKeys keys) {
    if (c.isDigit() && c.unicode() < 128)
        return true;
    return keys == NumericKeys::DigitsPointBackspaceEscape && c == QLatin1Char('.');
}

// A character typed into the box that the box takes: Backspace and Escape
// besides, except in a digits-only box.
bool accepted(QChar c, NumericKeys keys) {
    if (keys != NumericKeys::DigitsOnly && (c == QLatin1Char('\b') || c == QChar(0x1b)))
        return true;
    return typeable(c, keys);
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

bool typeable(const QString& text, NumericKeys keys) {
    return std::all_of(text.begin(), text.end(), [keys](QChar c) { return typeable(c, keys); });
}

// What the box holds when left to the keys: digits, with at most one point.
bool isNumber(const QString& text, NumericKeys keys) {
    return typeable(text, keys) && text.count(QLatin1Char('.')) <= 1;
}

// What an edit put into the text: the part of the new text between what it
// shares with the old one at the start and at the end.
QString inserted(const QString& before, const QString& after) {
    qsizetype start = 0;
    while (start < before.size() && start < after.size() && before[start] == after[start])
        ++start;
    qsizetype end = 0;
    while (end < before.size() - start && end < after.size() - start &&
           before[before.size() - 1 - end] == after[after.size() - 1 - end])
        ++end;
    return after.mid(start, after.size() - start - end);
}

// Text that reaches the box other than by a key the filter sees (a paste by
// key or menu, a drop, an input method) meets the same rule: the box undoes a
// user's edit that puts in a character the keys would drop, or that turns a
// number into something that is not one (a second point). Text the program
// sets stands, so that a numeric box can show a prompt such as
// "输入删除的货物编号"; the user may then type digits onto it, as by keys.
class NumericValidator : public QValidator {
  public:
    NumericValidator(QLineEdit* edit, NumericKeys keys)
        : QValidator(edit), edit_(edit), keys_(keys), previous_(edit->text()) {}

    State validate(QString& input, int&) const override {
        const State state = judge(input);
        if (state != Invalid)
            previous_ = input;
        return state;
    }

  private:
    State judge(const QString& input) const {
        if (isNumber(input, keys_))
            return Acceptable;
        // setText leaves the box unmodified; so does undoing back to it.
        if (!edit_->isModified())
            return Intermediate;
        if (isNumber(previous_, keys_))
            return Invalid;
        return typeable(inserted(previous_, input), keys_) ? Intermediate : Invalid;
    }

    QLineEdit* edit_;
    NumericKeys keys_;
    mutable QString previous_; // the text as it stood before the edit judged
};

// A user's edit that puts a control character in is undone.
class VisibleTextValidator : public QValidator {
  public:
    explicit VisibleTextValidator(QLineEdit* edit)
        : QValidator(edit), edit_(edit), previous_(edit->text()) {}

    State validate(QString& input, int&) const override {
        if (edit_->isModified() && storedb::holdsControlCharacter(inserted(previous_, input)))
            return Invalid;
        previous_ = input;
        return Acceptable;
    }

  private:
    QLineEdit* edit_;
    mutable QString previous_;
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
    edit->setValidator(new NumericValidator(edit, keys));
}

void installVisibleTextFilter(QLineEdit* edit) {
    edit->setValidator(new VisibleTextValidator(edit));
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
