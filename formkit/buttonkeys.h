#pragma once

class QWidget;
class QPushButton;
class QAbstractButton;

namespace formkit {

// Default and cancel buttons of a window that is not a dialog (the programs'
// windows are modeless). Enter that no control of the window takes presses
// the focused push button or else the window's default button; Esc that no
// control takes presses the cancel button. A button is pressed only while it
// is enabled and visible.

// The default button is the one whose isDefault() is set; windows make a
// button default and not default as they go (setDefault).
void installDefaultButton(QWidget* window);
void installCancelButton(QWidget* window, QAbstractButton* cancel);

} // namespace formkit
