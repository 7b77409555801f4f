#include "loginwindow.h"

#include "ui_loginwindow.h"

#include "mainwindow.h"
#include "passwordchangewindow.h"
#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/passwordreset.h"
#include "storedb/procedures.h"

#include <QCloseEvent>
#include <QStyle>

namespace admin {

LoginWindow::LoginWindow(AdminSession& session, MainWindow& main, QWidget* parent)
    : QWidget(parent), session_(session), main_(main), ui(new Ui::LoginWindow) {
    ui->setupUi(this);
    // No title-bar buttons: the window leaves only by signing on or cancelling.
    formkit::makeToolWindow(this, QSize(249, 156), false);
    ui->password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui->signOnButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->cancelButton->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    formkit::chainEnter({ui->administratorNumber, ui->password, ui->signOnButton});
    ui->signOnButton->setDefault(true);
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->cancelButton);
    formkit::onClick(ui->signOnButton, this, &LoginWindow::signOn);
    formkit::onClick(ui->cancelButton, this, &LoginWindow::cancelSignOn);
}

LoginWindow::~LoginWindow() {
    delete ui;
}

// Under a window manager a new window need not get the keyboard by itself
// (the maximised main window keeps it): ask for it.
void LoginWindow::openForSignOn() {
    show();
    raise();
    activateWindow();
    ui->administratorNumber->setFocus(Qt::OtherFocusReason);
}

void LoginWindow::closeEvent(QCloseEvent* event) {
    // Only signing on or cancelling closes the window; a close from the
    // window manager (Alt+F4) is refused.
    if (!leaving_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void LoginWindow::leave() {
    leaving_ = true;
    close();
    leaving_ = false;
}

void LoginWindow::signOn() {
    // Both texts are used exactly as typed: the number is passed on and kept
    // unchanged, the password compared whole.
    const QString glyh = ui->administratorNumber->text();
    // No number holds a NUL, and PostgreSQL would cut the statement there.
    const auto administrator =
        glyh.contains(QChar(0)) ? std::nullopt : storedb::glydl(session_.db(), glyh);
    if (!administrator || administrator->mm != ui->password->text()) {
        formkit::showMessage(QStringLiteral("你的输入有误，请重新输入！"));
        ui->password->setFocus(Qt::OtherFocusReason);
        return;
    }
    // A reset password opens nothing: its owner chooses a new one first, and
    // cancelling that leaves the back office locked.
    if (storedb::passwordChangeDue(session_.db(), storedb::Person::Administrator, glyh)) {
        formkit::showMessage(QStringLiteral("你的密码已被重置,请先修改密码！"));
        if (!passwordChange_) {
            passwordChange_ = std::make_unique<PasswordChangeWindow>(session_);
            formkit::onSignal(passwordChange_.get(), &PasswordChangeWindow::passwordChanged, this,
                              &LoginWindow::signOnAfterPasswordChange);
            formkit::onSignal(passwordChange_.get(), &PasswordChangeWindow::changeAbandoned, this,
                              &LoginWindow::returnFromPasswordChange);
        }
        hide();
        passwordChange_->openFor(glyh, administrator->glym, ui->password->text());
        return;
    }
    completeSignOn(glyh, administrator->glym);
}

void LoginWindow::completeSignOn(const QString& glyh, const QString& glym) {
    session_.administratorSignedOn(glyh);
    formkit::showMessage(QStringLiteral("管理员") + glym + QStringLiteral("登录成功！"));
    main_.administratorSignedOn(glym);
    leave();
    // The menus' keys work at once: the main window takes the keyboard back.
    main_.activateWindow();
}

void LoginWindow::signOnAfterPasswordChange(const QString& glyh) {
    const auto administrator = storedb::glydl(session_.db(), glyh);
    if (!administrator) {
        // Removed in the moment between: nobody to sign on.
        formkit::showMessage(QStringLiteral("你的输入有误，请重新输入！"));
        returnFromPasswordChange();
        return;
    }
    completeSignOn(glyh, administrator->glym);
}

void LoginWindow::returnFromPasswordChange() {
    ui->password->clear();
    openForSignOn();
}

void LoginWindow::cancelSignOn() {
    if (formkit::askYesNo(QStringLiteral("真的要取消登录吗？")))
        leave();
}

} // namespace admin
