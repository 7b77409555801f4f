#include "storedb/barcode.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>

namespace storedb {

namespace {

Q_LOGGING_CATEGORY(lcBarcode, "orvani.barcode")

// ASCII only: a full-width or other script's digit is not what a scanner sends.
bool allDigits(const QString& text) {
    for (QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return !text.isEmpty();
}

// The till asks for every scan: a wrong layout in the settings is logged
// once, not once a scan.
void warnOnce(const QString& layout) {
    static QMutex mutex;
    static QSet<QString> warned;
    const QMutexLocker lock(&mutex);
    if (warned.contains(layout))
        return;
    warned.insert(layout);
    qCWarning(lcBarcode).noquote()
        << "scale label layout" << ('"' + layout + '"')
        << "is not usable: one or two F first, then the I and the P digits, a single C last";
}

struct Layout {
    qsizetype goodsAt = 0, goodsLength = 0;
    qsizetype priceAt = 0, priceLength = 0;
};

std::optional<Layout> readLayout(const QString& text) {
    // A price of more than 18 digits would not fit the fen count.
    static const QRegularExpression shape(
        QStringLiteral("^(F{1,2})(?:(I+)(P{1,18})|(P{1,18})(I+))C$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    Layout layout;
    const int goods = m.hasCaptured(2) ? 2 : 5;
    const int price = m.hasCaptured(3) ? 3 : 4;
    layout.goodsAt = m.capturedStart(goods);
    layout.goodsLength = m.capturedLength(goods);
    layout.priceAt = m.capturedStart(price);
    layout.priceLength = m.capturedLength(price);
    return layout;
}

} // namespace

int gtinCheckDigit(const QString& digits) {
    if (!allDigits(digits))
        return -1;
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += weight * (digits.at(i).unicode() - '0');
        weight = 4 - weight;
    }
    return (10 - sum % 10) % 10;
}

std::optional<int> wrongGtinCheckDigit(const QString& code) {
    const qsizetype n = code.size();
    if ((n != 8 && n != 12 && n != 13) || !allDigits(code))
        return std::nullopt;
    const int expected = gtinCheckDigit(code.first(n - 1));
    if (code.at(n - 1).unicode() - '0' == expected)
        return std::nullopt;
    return expected;
}

std::optional<ScaleLabel> parseScaleLabel(const QString& code, const QString& layoutText) {
    // No layout: the shop has no scale labels, which is no mistake to log.
    if (layoutText.isEmpty())
        return std::nullopt;
    const std::optional<Layout> layout = readLayout(layoutText);
    if (!layout) {
        warnOnce(layoutText);
        return std::nullopt;
    }
    if (code.size() != layoutText.size() || !allDigits(code) || code.at(0) != QLatin1Char('2'))
        return std::nullopt;
    ScaleLabel label;
    label.goodsNumber = code.mid(layout->goodsAt, layout->goodsLength);
    label.priceFen = code.mid(layout->priceAt, layout->priceLength).toLongLong();
    label.checkDigitOk = code.back().unicode() - '0' == gtinCheckDigit(code.chopped(1));
    return label;
}

} // namespace storedb
