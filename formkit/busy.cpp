#include "formkit/busy.h"

#include <QCursor>
#include <QGuiApplication>

namespace formkit {

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace formkit
