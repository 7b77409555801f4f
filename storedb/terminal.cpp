#include "storedb/terminal.h"

#include <QSysInfo>

namespace storedb {

QString trimTerminalName(const QString& raw) {
    auto blankOrControl = [](QChar c) {
        return c.isSpace() || c.category() == QChar::Other_Control;
    };
    qsizetype begin = 0;
    qsizetype end = raw.size();
    while (begin < end && blankOrControl(raw.at(begin)))
        ++begin;
    while (end > begin && blankOrControl(raw.at(end - 1)))
        --end;
    return raw.mid(begin, end - begin);
}

QString terminalName() {
    // An override of blanks only names nothing: the computer's name stands.
    const QString override = trimTerminalName(qEnvironmentVariable("TAVO_TERMINAL_NAME"));
    if (!override.isEmpty())
        return override;
    return trimTerminalName(QSysInfo::machineHostName());
}

} // namespace storedb
