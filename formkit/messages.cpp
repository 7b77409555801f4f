#include "formkit/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace formkit {

namespace {
ScriptedResponder* g_responder = nullptr;
QString g_caption;

QString caption() {
    return g_caption.isEmpty() ? QApplication::applicationDisplayName() : g_caption;
}
} // namespace

void setMessageCaption(const QString& caption) {
    g_caption = caption;
}

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
    // Qt's own button texts are English unless its translations are installed.
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
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
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    return box.exec() == QMessageBox::Yes;
}

} // namespace formkit
