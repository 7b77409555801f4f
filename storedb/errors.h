#pragma once

#include <QString>
#include <stdexcept>

namespace storedb {

// Every failure the database layer reports carries two texts: text() says
// what failed and why, in whatever words the driver used, for the log;
// userText() is what a shop's user reads, always Chinese. Without a separate
// user text the one text serves both (it is Chinese already).
class Error : public std::runtime_error {
  public:
    explicit Error(const QString& text, const QString& userText = {})
        : std::runtime_error(text.toStdString()), text_(text), userText_(userText) {}
    const QString& text() const { return text_; }
    const QString& userText() const { return userText_.isEmpty() ? text_ : userText_; }

  private:
    QString text_;
    QString userText_;
};

// What a user is told when a statement fails for a reason only the log can
// explain (the driver's own words are not for the screen).
inline const QString kStatementFailed =
    QStringLiteral("数据库操作失败,请重试!如果仍然失败,请通知管理员检查数据库。");

// A statement failed: the text names the statement and gives the driver's words.
class DbError : public Error {
    using Error::Error;
};

// link.udl is missing, unreadable or describes no usable connection.
class DataLinkError : public Error {
    using Error::Error;
};

// The computer's name cannot serve as a till (empty, or a permanent table's name).
class TerminalNameError : public Error {
    using Error::Error;
};

// Typed text that is not a number.
class ConversionError : public Error {
    using Error::Error;
};

// A value the store will not keep: a number or name too wide for its column,
// blank, or ending in blanks; a negative alarm level. userText() says which.
class InvalidValueError : public Error {
    using Error::Error;
};

// The computer has no till row: never registered, or removed by the back office.
class TillNotRegisteredError : public Error {
    using Error::Error;
};

// A shift with money to account for whose open shift-log row is missing: the
// takings would be booked nowhere.
class ShiftLogMissingError : public Error {
    using Error::Error;
};

// The back office may not remove a till while a clerk works at it.
class TillOnlineError : public Error {
    using Error::Error;
};

} // namespace storedb
