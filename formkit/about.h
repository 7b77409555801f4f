#pragma once

class QFont;
class QLabel;
class QPushButton;
class QSize;
class QWidget;

namespace formkit {

// The about window of either program: a tool window with a close box, its
// title in the given font made bold, one button that closes it (Enter and
// Esc press it), and the computer's name read at every show (the computer
// may have been renamed since).
void makeAboutWindow(QWidget* window, const QSize& clientSize, QLabel* title, QFont titleFont,
                     QPushButton* close, QLabel* computerName);

} // namespace formkit
