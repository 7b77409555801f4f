#pragma once

#include <QDate>
#include <QDateTime>
#include <QVariant>

namespace storedb {

// Dates and times travel as "yyyy-MM-dd HH:mm:ss" text: SQLite compares that
// text in order and PostgreSQL casts it to its timestamp column, so both
// engines compare alike. A date is its midnight; an invalid one binds null.
QVariant dateParam(const QDate& date);
QVariant dateTimeParam(const QDateTime& moment);

// A date or time read back from either engine (text from SQLite, a timestamp
// from PostgreSQL); an invalid QDateTime for null.
QDateTime readDateTime(const QVariant& value);

} // namespace storedb
