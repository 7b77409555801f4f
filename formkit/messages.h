#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace formkit {

// Every information box and Yes/No question of both programs goes through
// these two functions, so that tests can answer them.
void showMessage(const QString& text);
// True only for Yes.
bool askYesNo(const QString& text);

// The caption of the boxes: the program's title ("收银台端", "服务器端"), set
// once at start. Not Qt's application display name, which would also be
// appended to the caption of every window.
void setMessageCaption(const QString& caption);

// Replaces the real boxes while it lives: records every text shown, in order,
// and answers questions from a queue. A question with no answer queued calls
// the unanswered handler (by default a fatal error) instead of blocking.
class ScriptedResponder {
  public:
    ScriptedResponder();
    ~ScriptedResponder();
    ScriptedResponder(const ScriptedResponder&) = delete;
    ScriptedResponder& operator=(const ScriptedResponder&) = delete;

    void answer(bool yes) { answers_.append(yes); }
    const QStringList& shown() const { return shown_; }
    // Questions asked, in order (also recorded in shown()).
    const QStringList& asked() const { return asked_; }
    int pendingAnswers() const { return int(answers_.size()); }
    void clear() {
        shown_.clear();
        asked_.clear();
    }
    std::function<void(const QString&)> onUnanswered;

  private:
    friend void showMessage(const QString&);
    friend bool askYesNo(const QString&);
    QStringList shown_;
    QStringList asked_;
    QList<bool> answers_;
    ScriptedResponder* previous_ = nullptr;
};

} // namespace formkit
