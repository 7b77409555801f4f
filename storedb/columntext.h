#pragma once

// The text that numbers and names may have in the store. Both programs find
// rows by comparing what they read back with typed text for exact equality,
// and the engines differ on what they do with text too wide for a column
// (PostgreSQL refuses it, SQLite keeps it whole), so storedb checks it
// itself, the same way on every engine: no trailing blanks, no number of
// blanks only, at most 50 characters.
//
// A window passes what the user typed through normalizeCode() and then uses
// that one text for its existence checks and for the write; the write
// functions refuse text that is not normalized rather than trimming it
// behind the window's back. Look-ups and deletes match the text as given.

#include <QString>

namespace storedb {

// Width of the number and name columns (varchar(50)).
inline constexpr int kCodeWidth = 50;

// The text without its trailing blanks (spaces, tabs, full-width spaces).
QString normalizeCode(const QString& text);

// Characters as the server counts them for varchar(n): a character outside
// the basic plane counts once.
int columnCharacters(const QString& text);

// Whether the text holds a control character. No number or name in the
// store does (the checks below refuse them), so a look-up of such text finds
// nothing without asking the server, which could not even be asked about a
// NUL.
bool holdsControlCharacter(const QString& text);

// Each throws InvalidValueError; `label` names the field as the window does
// ("商品号"), and the user text reads e.g. "商品号不能超过50个字符！".
// At most `width` characters.
void checkWidth(const QString& label, const QString& text, int width);
// A number (category, goods, administrator, clerk): not empty or blanks only,
// normalized, at most 50 characters.
void checkNumber(const QString& label, const QString& text);
// A name: normalized, at most 50 characters; it may be empty.
void checkName(const QString& label, const QString& text);
// Free text (a goods source) or a password: kept as typed, blanks and all,
// but at most 50 characters and none of them invisible.
void checkText(const QString& label, const QString& text);

// A computer name a till may work under: one checkSaleTableName() accepts,
// made only of letters, digits, '-', '_' and '.', and not a word the engines
// reserve. Throws TerminalNameError naming the computer.
void checkTerminalName(const QString& jsj);

// A computer name the back office may register as a till: one the till can
// find (it trims its own name), at most 50 characters, and one the till may
// work under (checkTerminalName). Throws InvalidValueError or
// TerminalNameError.
void checkTillName(const QString& jsj);

} // namespace storedb
