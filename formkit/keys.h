#pragma once

#include <QList>
#include <functional>

class QWidget;
class QLineEdit;
class QAbstractButton;

namespace formkit {

enum class NumericKeys {
    DigitsPointBackspaceEscape, // prices and amounts
    DigitsBackspaceEscape,      // whole numbers
    DigitsOnly,
};

// Drops every typed character the box does not accept. Keys that type no
// character (arrows, Enter, Tab, Delete) pass untouched. However text comes
// in (typed, pasted, dropped, from an input method) the edit is undone when
// it adds a character the keys would drop or a second point. Text the
// program sets (a prompt) is not checked.
void installNumericFilter(QLineEdit* edit, NumericKeys keys);

// Takes any visible character, letters too (goods numbers may hold them),
// but no control character, however text comes in. Text the program sets
// is not checked.
void installVisibleTextFilter(QLineEdit* edit);

// Runs the action when Enter (either key) is pressed in the widget; the key
// press is consumed.
void onEnter(QWidget* widget, std::function<void()> action);

// Enter moves the focus along the chain; Enter on the last widget presses it
// when it is a button.
void chainEnter(const QList<QWidget*>& chain);

} // namespace formkit
