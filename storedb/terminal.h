#pragma once

#include <QString>

namespace storedb {

// The computer name trimmed of leading and trailing blanks and control
// characters.
QString trimTerminalName(const QString& raw);

// This till's name: TAVO_TERMINAL_NAME when set (several tills on one
// computer, tests), otherwise the computer's host name; trimmed either way.
// An override that is blank after trimming is ignored.
QString terminalName();

} // namespace storedb
