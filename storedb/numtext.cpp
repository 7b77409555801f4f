#include "storedb/numtext.h"

#include "storedb/errors.h"

#include <cmath>

namespace storedb {

QString numberText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also turns -0 into 0
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) {
        // 'g' switches to exponent form for large or tiny values; write them out.
        const int decimals = std::max(0, 14 - int(std::floor(std::log10(std::fabs(value)))));
        text = QString::number(value, 'f', std::min(decimals, 30));
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
    }
    return text;
}

double roundTo(double value, int places)
{
    const double scale = std::pow(10.0, places);
    // Half away from zero on the decimal value, not on its binary neighbour.
    const double scaled = QString::number(value * scale, 'f', 6).toDouble();
    return std::round(scaled) / scale;
}

double toNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw ConversionError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return value;
}

int toInteger(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw ConversionError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

} // namespace storedb
