#pragma once

class QWidget;
class QSize;

namespace formkit {

// A modeless tool window: stays on top, fixed client size, centred on the
// screen, and only hidden when closed. Its frame has a title and, with a
// close box, a close button; it can be neither maximized nor minimized, and
// without a close box the window manager (close button, Alt+F4) cannot close
// it: only the program does.
void makeToolWindow(QWidget* window, const QSize& clientSize, bool closeBox = true);
void centreOnScreen(QWidget* window);

} // namespace formkit
