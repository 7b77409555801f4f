#include "formkit/messages.h"

#include <QApplication>
#include <QMessageBox>

namespace formkit {

namespace {
ScriptedResponder* g_responder = nullptr;

QString caption() {
    return QApplication::applicationDisplayName();
}
} // namespace

ScriptedResponder::ScriptedResponder() : previous_(g_responder) {
    g_responder = this;
    onUnanswered = [](const QString& text) {
        qFatal("question asked with no answer queued: %s", qPrintable(text));
    };
}

ScriptedResponder::~ScriptedResponder() {
    g_responder = previous_;
}

void showMessage(const QString& text) {
    if (g_responder) {
        g_responder->shown_.append(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, caption(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

bool askYesNo(const QString& text) {
    if (g_responder) {
        g_responder->shown_.append(text);
        g_responder->asked_.append(text);
        if (g_responder->answers_.isEmpty()) {
            g_responder->onUnanswered(text);
            return false;
        }
        return g_responder->answers_.takeFirst();
    }
    QMessageBox box(QMessageBox::Question, caption(), text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace formkit
