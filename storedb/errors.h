#pragma once

#include <QString>
#include <stdexcept>

namespace storedb {

// Every failure the database layer reports carries a readable text; windows
// show it as it stands, so it is kept as UTF-8 in what().
class Error : public std::runtime_error {
  public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

  private:
    QString text_;
};

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

} // namespace storedb
