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

// What a user is told when the database server cannot be reached (a server
// that went away and has not come back yet, or a broken network).
inline const QString kConnectionLost =
    QStringLiteral("数据库服务器连接中断,请检查网络或服务器后重试！");
// The connection broke inside a write transaction: the server drops the whole
// transaction, so the user may rely on nothing of it having been saved.
inline const QString kConnectionLostNothingSaved =
    QStringLiteral("数据库服务器连接中断,本次操作没有保存,请检查网络或服务器后重试！");
// The connection broke while the server was committing: only the server knows
// whether the commit got through.
inline const QString kConnectionLostAtCommit =
    QStringLiteral("数据库服务器连接中断,不能确定本次操作是否已经保存,请检查网络或服务器后核对！");
// A SQLite store that cannot be written: the disk is full, or the file or its
// folder is read-only.
inline const QString kDiskFull =
    QStringLiteral("磁盘空间已满,本次操作没有保存,请腾出磁盘空间后重试！");
inline const QString kStoreReadOnly =
    QStringLiteral("数据库文件不能写入(只读),本次操作没有保存,请检查文件和文件夹的权限！");

// A statement failed: the text names the statement and gives the driver's words.
class DbError : public Error {
    using Error::Error;
};

// The connection to the database server was lost and could not be made again
// (or was lost inside a transaction, which is never replayed).
class ConnectionLostError : public DbError {
    using DbError::DbError;
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

// The till renewed its lease a moment ago: it may still be selling, so the
// back office may not end its shift.
class TillInContactError : public Error {
    using Error::Error;
};

// Nobody is signed on at the till: there is no shift to end.
class TillNotOnDutyError : public Error {
    using Error::Error;
};

// The back office may not remove a till while a clerk works at it.
class TillOnlineError : public Error {
    using Error::Error;
};

// Another running till holds this till's name: the text names its computer.
class TillNameHeldError : public Error {
    using Error::Error;
};

// Another till took this till's name while it ran (this one was taken for
// dead): nothing of the action was written.
class TillLeaseLostError : public Error {
    using Error::Error;
};

// The day has been closed (日结): no till opens a shift on it any more.
class DayClosedError : public Error {
    using Error::Error;
};

// A charge found no lines in the till's sale table.
class EmptySaleError : public Error {
    using Error::Error;
};

// A return the bill does not allow (more pieces than are left, goods not on
// the bill, no such sale) or the drawer cannot pay: nothing was written.
class ReturnRefusedError : public Error {
    using Error::Error;
};

} // namespace storedb
