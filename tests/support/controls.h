#pragma once

// Finding a window's controls as the user's tools find them: by object name.

#include <QObject>
#include <QString>
#include <QtGlobal>

namespace testsupport {

// The control of the window with this object name; the test stops when the
// window has none (a renamed control must not pass silently).
template <class T> T* ctl(const QObject* window, const char* name) {
    T* found = window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        qFatal("no control %s in %s", name,
               window ? window->metaObject()->className() : "(no window)");
    return found;
}

} // namespace testsupport
