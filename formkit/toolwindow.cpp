#include "formkit/toolwindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

namespace formkit {

namespace {

// Keeps the window manager to what the window allows. The flags already ask
// for no minimize or maximize button and for a close button only where there
// is a close box, but some window managers (openbox) draw their buttons
// whatever a window asks; their clicks, and Alt+F4, are undone here.
class FrameGuard : public QObject {
  public:
    FrameGuard(QWidget* window, bool closeBox) : QObject(window), closeBox_(closeBox) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* window = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::Close && event->spontaneous() && !closeBox_) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::WindowStateChange && window->isMinimized()) {
            // Undone once this state change has been delivered.
            QTimer::singleShot(0, window, [window] {
                window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool closeBox_;
};

} // namespace

void makeToolWindow(QWidget* window, const QSize& clientSize, bool closeBox) {
    // A title bar and nothing else unless there is a close box; stays a
    // Qt::Window (not Qt::Tool) so that it keeps its task-bar entry.
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    window->setWindowFlags(flags);
    // A fixed size also takes maximize away (min = max size in the hints).
    window->setFixedSize(clientSize);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->installEventFilter(new FrameGuard(window, closeBox));
    centreOnScreen(window);
}

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace formkit
