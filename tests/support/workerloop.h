#pragma once

// The command loop of the worker_* programs: commands read from standard
// input, one a line, each run to its end before the next; after each the
// message boxes shown meanwhile, "msg <text>" each, then "ok <command>" or
// "fail <command>: <why>" (see workerprocess.h for the test's side).
//
// Questions are answered Yes. A command ending in "hold@K" answers the first
// K-1 questions and stops at the K-th: it prints "held <question>" and waits
// there, the question on screen, until the process is killed.

#include "formkit/messages.h"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace testsupport {

inline void say(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// The message boxes shown from `from` on, as the loop reports them.
inline void sayShown(const QStringList& shown, qsizetype from = 0) {
    for (qsizetype i = from; i < shown.size(); ++i)
        say(QStringLiteral("msg ") + shown.at(i));
}

class CommandLoop : public QObject {
  public:
    // Runs one command given as its words; an empty result means the windows
    // stand where the user expects them after it, otherwise it says what
    // they show instead.
    using Run = std::function<QString(const QStringList& words)>;

    // answers: the Yes answers a command gets, more than any command asks.
    CommandLoop(formkit::ScriptedResponder& responder, int answers, Run run)
        : responder_(responder), answers_(answers), run_(std::move(run)),
          notifier_(STDIN_FILENO, QSocketNotifier::Read) {
        connect(&notifier_, &QSocketNotifier::activated, this, &CommandLoop::readInput);
        // Only a held command runs out of answers.
        responder_.onUnanswered = [](const QString& question) {
            say(QStringLiteral("held ") + question);
            for (;;)
                ::pause();
        };
    }

  private:
    void readInput() {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // The test has gone: nobody is left to work the program.
            notifier_.setEnabled(false);
            QCoreApplication::exit(3);
            return;
        }
        pending_.append(buffer, got);
        // A command that waits in an event loop of its own (a modal window)
        // lets input arrive: it queues behind the one running.
        if (running_)
            return;
        running_ = true;
        qsizetype end = 0;
        while ((end = pending_.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
            pending_.remove(0, end + 1);
            if (!line.isEmpty())
                runCommand(line);
        }
        running_ = false;
    }

    void runCommand(const QString& line) {
        QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        int answers = answers_;
        if (words.last().startsWith(QLatin1String("hold@")))
            answers = words.takeLast().mid(5).toInt() - 1;
        // Answers the last command did not use would go to this one's
        // questions: asking uses them up.
        while (responder_.pendingAnswers() > 0)
            formkit::askYesNo(QString());
        responder_.clear();
        for (int i = 0; i < answers; ++i)
            responder_.answer(true);
        const QString failure = run_(words);
        sayShown(responder_.shown());
        say(failure.isEmpty() ? QStringLiteral("ok ") + line
                              : QStringLiteral("fail %1: %2").arg(line, failure));
    }

    formkit::ScriptedResponder& responder_;
    int answers_;
    Run run_;
    QSocketNotifier notifier_;
    QByteArray pending_;
    bool running_ = false;
};

} // namespace testsupport
