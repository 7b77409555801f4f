#include "formkit/hint.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QLocale>
#include <QRegularExpression>
#include <QStatusTipEvent>
#include <QWidget>

namespace formkit {

HintWatcher::HintWatcher(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

QString HintWatcher::hintFor(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (!w->statusTip().isEmpty())
            return w->statusTip();
    }
    return {};
}

void HintWatcher::publish(const QString& hint) {
    if (hint == last_)
        return;
    last_ = hint;
    emit hintChanged(hint);
}

bool HintWatcher::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
        if (auto* widget = qobject_cast<QWidget*>(watched))
            publish(hintFor(widget));
        break;
    case QEvent::StatusTip:
        // Menus and tool buttons send their action's tip; an empty tip on
        // leaving them is ignored so the last control's hint stays.
        if (auto* tip = static_cast<QStatusTipEvent*>(event); !tip->tip().isEmpty())
            publish(tip->tip());
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

namespace {

// The locale's long time format without its time-zone field (the 't' run
// outside quoted literals) and the blank, comma or brackets around it.
QString timeFormatWithoutZone(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (quoted || c != QLatin1Char('t'))
            kept += c;
    }
    static const QRegularExpression emptyBrackets(QStringLiteral(R"(\(\s*\)|\[\s*\])"));
    static const QRegularExpression blanksAtEnds(QStringLiteral(R"(^[\s,]+|[\s,]+$)"));
    return kept.remove(emptyBrackets).remove(blanksAtEnds);
}

} // namespace

QString clockText(const QDateTime& now, const QLocale& locale) {
    return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           locale.toString(now.time(), timeFormatWithoutZone(locale));
}

QString clockText(const QDateTime& now) {
    return clockText(now, QLocale());
}

} // namespace formkit
