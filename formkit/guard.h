#pragma once

// The one way a window's handler runs. An error thrown inside stops the
// handler where it failed, is shown to the user as the window's message (in
// Chinese) and is logged with its cause; the program carries on.

#include <QAbstractButton>
#include <QAction>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcErrors)

namespace formkit {

// Runs the handler; false when it failed (the failure has been shown and
// logged). `where` names the handler in the log.
bool runGuarded(const QString& where, const std::function<void()>& handler);

// Inside a catch block: logs the exception being handled with its cause and
// returns the text the user is shown.
QString logCurrentException(const QString& where);
// Inside a catch block: logs the exception and shows its user text.
void showCurrentException(const QString& where = QStringLiteral("handler"));

// A handler connected to a signal, guarded. The log names the sender's
// object name and the handler's owner.
template <class Sender, class Signal, class Owner, class... Args>
QMetaObject::Connection onSignal(Sender* sender, Signal signal, Owner* owner,
                                 void (Owner::*handler)(Args...)) {
    const QString where = QStringLiteral("%1/%2").arg(
        QString::fromLatin1(owner->metaObject()->className()), sender->objectName());
    // The lambda takes what the handler takes; Qt drops the signal's extra
    // arguments (clicked's checked flag).
    return QObject::connect(sender, signal, owner, [owner, handler, where](Args... args) {
        runGuarded(where, [&] { (owner->*handler)(args...); });
    });
}

template <class Owner>
QMetaObject::Connection onClick(QAbstractButton* button, Owner* owner, void (Owner::*handler)()) {
    return onSignal(button, &QAbstractButton::clicked, owner, handler);
}

template <class Owner>
QMetaObject::Connection onTriggered(QAction* action, Owner* owner, void (Owner::*handler)()) {
    return onSignal(action, &QAction::triggered, owner, handler);
}

} // namespace formkit
