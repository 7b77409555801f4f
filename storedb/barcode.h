#pragma once

// The codes printed on goods: the check digit of EAN-13, EAN-8 and UPC-A,
// and the price labels of a shop's own scales.

#include <QString>
#include <optional>

namespace storedb {

// The check digit (0-9) that completes `digits`, the code without its last
// digit (7, 11 or 12 digits; a scale label of any length): weights 3 and 1
// from the right. -1 when `digits` holds anything but the digits 0-9.
int gtinCheckDigit(const QString& digits);

// For an all-digit code of 8, 12 or 13 digits whose last digit is not its
// check digit: the digit it should be. Nothing for any other code (a right
// check digit, another length, letters).
std::optional<int> wrongGtinCheckDigit(const QString& code);

// A price label of the shop's scales: prefix 20-29, the goods number and the
// price in fen, laid out as `layout` says, one letter a digit:
// F prefix, I goods number, P price in fen, C check digit
// (e.g. "FFIIIIIPPPPPC": 2X, five digits of goods number, five of price, check).
struct ScaleLabel {
    QString goodsNumber; // the I digits as printed
    qint64 priceFen = 0;
    bool checkDigitOk = true;
};
// Nothing when the code is no such label: another length or prefix, letters,
// or an empty or malformed layout (one or two F first, the I and the P digits
// each together, one C last; logged once for each such layout).
std::optional<ScaleLabel> parseScaleLabel(const QString& code, const QString& layout);

} // namespace storedb
