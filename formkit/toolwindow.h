#pragma once

class QWidget;
class QSize;

namespace formkit {

// A modeless tool window: stays on top, fixed client size, centred on the
// screen, and only hidden when closed.
void makeToolWindow(QWidget* window, const QSize& clientSize, bool closeBox = true);
void centreOnScreen(QWidget* window);

} // namespace formkit
