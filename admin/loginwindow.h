#pragma once

#include <QWidget>

#include <memory>

namespace admin {

class AdminSession;
class MainWindow;
class PasswordChangeWindow;

namespace Ui {
class LoginWindow;
}

// The administrator sign-on: unlocks the main window for the rest of the run.
class LoginWindow : public QWidget {
    Q_OBJECT
  public:
    LoginWindow(AdminSession& session, MainWindow& main, QWidget* parent = nullptr);
    ~LoginWindow() override;

    // Shows the window with the keyboard in the number box, so that the
    // administrator can type at once.
    void openForSignOn();

    // The window that comes up after a sign-on with a reset password; null
    // until the first one.
    PasswordChangeWindow* passwordChangeWindow() const { return passwordChange_.get(); }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void signOn();
    void cancelSignOn();
    void leave();
    // The administrator proved the password (and chose a new one if it was
    // reset): the back office unlocks.
    void completeSignOn(const QString& glyh, const QString& glym);
    void signOnAfterPasswordChange(const QString& glyh);
    void returnFromPasswordChange();

    AdminSession& session_;
    MainWindow& main_;
    Ui::LoginWindow* ui = nullptr;
    bool leaving_ = false;
    std::unique_ptr<PasswordChangeWindow> passwordChange_;
};

} // namespace admin
