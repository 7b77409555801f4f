#pragma once

#include <QWidget>

class TillSession;
namespace Ui {
class SignOnWindow;
}

// The clerk's sign-on window.
class SignOnWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SignOnWindow(TillSession& session, QWidget* parent = nullptr);
    ~SignOnWindow() override;

    // Shows the window ready for a clerk: identifies the till and checks
    // that it is registered. A failed check (a lost database) is thrown to
    // the caller; a till that is not registered ends the program (false).
    bool openForSignOn();

    // The clerk whose password was reset has chosen a new one in the
    // password window: the sign-on goes on as if it had been typed.
    void signOnAfterPasswordChange(const QString& shyh);

  signals:
    // The window has closed after a sign-on.
    void signOnDone();
    // The window has closed without one.
    void signOnCancelled();
    // This computer cannot serve as a till: the program ends.
    void terminalRefused(const QString& statusText);
    // The window has closed for the clerk to change the own password.
    void passwordChangeRequested();
    // The clerk typed a password that was reset: a new one must be chosen
    // before the sign-on goes on.
    void passwordChangeDue(const QString& shyh, const QString& resetPassword);

  private:
    void moveToPassword();
    void signOn();
    // The password is proven: the shift opens.
    void goOnDuty(const QString& shyh, const QString& shym);
    void cancelSignOn();
    void changePassword();
    void refuseTerminal(const QString& message, const QString& statusText);

    TillSession& session_;
    Ui::SignOnWindow* ui = nullptr;
};
