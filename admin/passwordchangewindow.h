#pragma once

#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class PasswordChangeWindow;
}

// An administrator whose password was reset chooses a new one: brought up by
// the login window after the reset password was typed, before the back
// office unlocks. Leaves only by a change or a cancel.
class PasswordChangeWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PasswordChangeWindow(AdminSession& session, QWidget* parent = nullptr);
    ~PasswordChangeWindow() override;

    // The administrator has just typed the reset password.
    void openFor(const QString& glyh, const QString& glym, const QString& resetPassword);

  signals:
    // The new password is stored; the sign-on may go on.
    void passwordChanged(const QString& glyh);
    // No change: the sign-on does not happen.
    void changeAbandoned();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void changePassword();
    void cancelChange();
    void abandon(const QString& message);
    void leave();
    void clearPasswords();

    AdminSession& session_;
    Ui::PasswordChangeWindow* ui = nullptr;
    QString glyh_;
    QString glym_;
    QString resetPassword_;
    bool leaving_ = false;
};

} // namespace admin
