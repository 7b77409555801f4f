#include "passwordchangewindow.h"

#include "ui_passwordchangewindow.h"

#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/passwordreset.h"

#include <QCloseEvent>
#include <QStyle>

namespace admin {

namespace {
const QString kEmptyPassword = QStringLiteral("密码不能为空,请输入密码");
} // namespace

PasswordChangeWindow::PasswordChangeWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::PasswordChangeWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(280, 200), false);
    for (QLineEdit* box : {ui->newPassword, ui->confirmation})
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    ui->confirmButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->cancelButton->setIcon(style()->standardIcon(QStyle::SP_BrowserStop));
    formkit::chainEnter({ui->newPassword, ui->confirmation, ui->confirmButton});
    ui->confirmButton->setDefault(true);
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->cancelButton);
    formkit::onClick(ui->confirmButton, this, &PasswordChangeWindow::changePassword);
    formkit::onClick(ui->cancelButton, this, &PasswordChangeWindow::cancelChange);
}

PasswordChangeWindow::~PasswordChangeWindow() {
    delete ui;
}

void PasswordChangeWindow::openFor(const QString& glyh, const QString& glym,
                                   const QString& resetPassword) {
    glyh_ = glyh;
    glym_ = glym;
    resetPassword_ = resetPassword;
    ui->number->setText(glyh);
    clearPasswords();
    show();
    raise();
    activateWindow();
    ui->newPassword->setFocus(Qt::OtherFocusReason);
}

void PasswordChangeWindow::closeEvent(QCloseEvent* event) {
    // Alt+F4 would leave the login nowhere: only a change or a cancel closes.
    if (!leaving_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void PasswordChangeWindow::leave() {
    leaving_ = true;
    close();
    leaving_ = false;
    resetPassword_.clear();
    clearPasswords();
}

void PasswordChangeWindow::clearPasswords() {
    ui->newPassword->clear();
    ui->confirmation->clear();
    ui->newPassword->setFocus(Qt::OtherFocusReason);
}

void PasswordChangeWindow::changePassword() {
    const QString fresh = ui->newPassword->text();
    if (fresh.isEmpty()) {
        formkit::showMessage(kEmptyPassword);
        ui->newPassword->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (ui->confirmation->text().isEmpty()) {
        formkit::showMessage(kEmptyPassword);
        ui->confirmation->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (fresh != ui->confirmation->text()) {
        formkit::showMessage(QStringLiteral("密码输入不一致,请重新输入密码！"));
        clearPasswords();
        return;
    }
    switch (storedb::changeOwnPassword(session_.db(), storedb::Person::Administrator, glyh_,
                                       resetPassword_, fresh)) {
    case storedb::PasswordChange::Unchanged:
        formkit::showMessage(QStringLiteral("新密码不能与重置的密码相同,请重新输入！"));
        clearPasswords();
        return;
    case storedb::PasswordChange::WrongPassword:
        return abandon(QStringLiteral("你的密码刚刚又被重置过,请用新的密码重新登录！"));
    case storedb::PasswordChange::Missing:
        return abandon(QStringLiteral("此管理员号不存在,请重新输入！"));
    case storedb::PasswordChange::Changed:
        break;
    }
    formkit::showMessage(QStringLiteral("管理员 ") + glym_ + QStringLiteral(" 修改密码成功！"));
    const QString glyh = glyh_;
    leave();
    emit passwordChanged(glyh);
}

void PasswordChangeWindow::cancelChange() {
    abandon(QStringLiteral("没有修改密码,登录没有完成！"));
}

void PasswordChangeWindow::abandon(const QString& message) {
    formkit::showMessage(message);
    leave();
    emit changeAbandoned();
}

} // namespace admin
