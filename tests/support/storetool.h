#pragma once

// storetool as a shop runs it: the built program in a process of its own.

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>

namespace testsupport {

inline QString storetoolPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/storetool");
}

struct ToolRun {
    int code = -1;
    QString output; // standard output, then standard error
};

inline ToolRun runStoretool(const QStringList& args, int timeoutMs = 120000) {
    QProcess tool;
    tool.start(storetoolPath(), args);
    if (!tool.waitForFinished(timeoutMs))
        return {-1, tool.errorString()};
    return {tool.exitCode(),
            QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError())};
}

} // namespace testsupport
