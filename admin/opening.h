#pragma once

// How the back office brings its tool windows up.

#include <QSignalBlocker>
#include <QTabWidget>
#include <QWidget>

namespace admin {

// Shows a tool window, or brings it to the front when it is up already.
inline void bringUp(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}

// Selects a page for the window's opener: that is not the user changing
// pages, so the window's page-change handler must not run.
inline void selectPageQuietly(QTabWidget* pages, int index) {
    const QSignalBlocker quiet(pages);
    pages->setCurrentIndex(index);
}

} // namespace admin
