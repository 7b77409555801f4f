#pragma once

#include <QString>

namespace storedb {

// Shortest decimal text: up to 15 significant digits, no grouping, no
// trailing zeros (350, 12.5, -80.5).
QString numberText(double value);

// Money is kept to one decimal place in the till tables.
double roundTo(double value, int places);
inline double roundMoney(double value) {
    return roundTo(value, 1);
}
// Sums are rounded to the fen before they are shown, so that floating-point
// noise never reaches the screen.
inline double roundFen(double value) {
    return roundTo(value, 2);
}

// Text typed by a user as a number; throws ConversionError when it is not one
// (empty text included), its Chinese text quoting what was typed.
double toNumber(const QString& text);
int toInteger(const QString& text);

} // namespace storedb
