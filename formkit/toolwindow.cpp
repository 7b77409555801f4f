#include "formkit/toolwindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace formkit {

void makeToolWindow(QWidget* window, const QSize& clientSize, bool closeBox) {
    Qt::WindowFlags flags =
        Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeBox)
        flags |= Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint;
    window->setWindowFlags(flags);
    window->setFixedSize(clientSize);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
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
