#pragma once

#include <QWidget>

class TillSession;
namespace Ui {
class PasswordWindow;
}

// A clerk changes the own password; made anew each time the sign-on window
// asks for it, which comes back when this window closes.
class PasswordWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PasswordWindow(TillSession& session, QWidget* parent = nullptr);
    ~PasswordWindow() override;

    // A clerk whose password was reset has just typed it at sign-on: the
    // number and that password are given, the clerk types the new one twice.
    // After the change the sign-on goes on; a cancel leaves it undone.
    void forceChangeFor(const QString& shyh, const QString& resetPassword);

  signals:
    // The window has closed; the sign-on window is wanted again.
    void signOnWanted();
    // The window has closed after the forced change: the sign-on of this
    // clerk goes on.
    void changedAtSignOn(const QString& shyh);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void changePassword();

    TillSession& session_;
    Ui::PasswordWindow* ui = nullptr;
    bool forced_ = false;
    bool changed_ = false;
};
