#include "storedb/numtext.h"

#include "storedb/errors.h"

#include <cmath>

namespace storedb {

QString numberText(double value) {
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == 0)
        return QStringLiteral("0"); // also turns -0 into 0
    // Fifteen significant digits in exponent form, then written out in place,
    // so that large and tiny values get no exponent either.
    const QString e = QString::number(std::fabs(value), 'e', 14);
    const qsizetype at = e.indexOf(QLatin1Char('e'));
    QString digits = e.left(at);
    digits.remove(QLatin1Char('.'));
    const int exponent = e.mid(at + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    const int before = exponent + 1; // digits before the decimal point
    QString text;
    if (before <= 0)
        text = QStringLiteral("0.") + QString(-before, QLatin1Char('0')) + digits;
    else if (before >= digits.size())
        text = digits + QString(before - digits.size(), QLatin1Char('0'));
    else
        text = digits.left(before) + QLatin1Char('.') + digits.mid(before);
    return value < 0 ? QLatin1Char('-') + text : text;
}

double roundTo(double value, int places) {
    const double scale = std::pow(10.0, places);
    // Half away from zero on the decimal value, not on its binary neighbour.
    const double scaled = QString::number(value * scale, 'f', 6).toDouble();
    return std::round(scaled) / scale;
}

namespace {
// The log gets what was typed whole; the screen a few characters of it, as
// a pasted page of text would push the message itself off the screen.
ConversionError notA(const QString& what, const QString& text) {
    constexpr qsizetype kShown = 20;
    QString shown = text;
    if (shown.size() > kShown) {
        const qsizetype cut = shown.at(kShown - 1).isHighSurrogate() ? kShown - 1 : kShown;
        shown = shown.left(cut) + QStringLiteral("…");
    }
    return ConversionError(QStringLiteral("'%1' 不是有效的%2").arg(text, what),
                           QStringLiteral("'%1' 不是有效的%2").arg(shown, what));
}
} // namespace

double toNumber(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw notA(QStringLiteral("数字"), text);
    return value;
}

int toInteger(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw notA(QStringLiteral("整数"), text);
    return value;
}

} // namespace storedb
