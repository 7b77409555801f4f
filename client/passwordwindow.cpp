#include "passwordwindow.h"

#include "ui_passwordwindow.h"

#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/passwordreset.h"
#include "storedb/procedures.h"

#include <QCloseEvent>
#include <QShowEvent>
#include <QStyle>

PasswordWindow::PasswordWindow(TillSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::PasswordWindow) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeToolWindow(this, QSize(355, 218), false);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->changeButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->cancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    formkit::onClick(ui->changeButton, this, &PasswordWindow::changePassword);
    connect(ui->cancelButton, &QPushButton::clicked, this, &QWidget::close);
    formkit::installNumericFilter(ui->clerkNumber,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::chainEnter({ui->clerkNumber, ui->oldPassword, ui->newPassword, ui->newPasswordAgain,
                         ui->changeButton});
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->cancelButton);
}

PasswordWindow::~PasswordWindow() {
    delete ui;
}

void PasswordWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    for (QLineEdit* edit :
         {ui->clerkNumber, ui->oldPassword, ui->newPassword, ui->newPasswordAgain})
        edit->clear();
    ui->clerkNumber->setFocus();
}

void PasswordWindow::forceChangeFor(const QString& shyh, const QString& resetPassword) {
    forced_ = true;
    ui->clerkNumber->setText(shyh);
    ui->oldPassword->setText(resetPassword);
    ui->clerkNumber->setReadOnly(true);
    ui->oldPassword->setReadOnly(true);
    ui->newPassword->clear();
    ui->newPasswordAgain->clear();
    ui->newPassword->setFocus();
}

void PasswordWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    const QString shyh = ui->clerkNumber->text();
    if (forced_ && changed_) {
        emit changedAtSignOn(shyh);
        return;
    }
    if (forced_)
        formkit::showMessage(QStringLiteral("没有修改密码,登录没有完成！"));
    emit signOnWanted();
}

void PasswordWindow::changePassword() {
    auto refuseEmpty = [](QLineEdit* edit, const QString& message) {
        formkit::showMessage(message);
        edit->setFocus();
    };
    if (ui->clerkNumber->text().isEmpty())
        return refuseEmpty(ui->clerkNumber, QStringLiteral("请输入售货员号！"));
    const QString emptyPassword = QStringLiteral("请输入密码,密码不能为空！");
    for (QLineEdit* edit : {ui->oldPassword, ui->newPassword, ui->newPasswordAgain}) {
        if (edit->text().isEmpty())
            return refuseEmpty(edit, emptyPassword);
    }
    storedb::Db& db = session_.db();
    const QString shyh = ui->clerkNumber->text();
    // No number holds a NUL, and PostgreSQL would cut the statement there.
    const std::optional<storedb::ClerkLogin> clerk =
        shyh.contains(QChar(0)) ? std::nullopt : storedb::shydl(db, shyh);
    if (!clerk || clerk->mm != ui->oldPassword->text()) {
        formkit::showMessage(QStringLiteral("原密码输入有误,你无权修改密码！"));
        if (forced_)
            return (void)close(); // reset again meanwhile: sign on anew
        ui->oldPassword->clear();
        ui->newPassword->clear();
        ui->newPasswordAgain->clear();
        ui->oldPassword->setFocus();
        return;
    }
    if (ui->newPassword->text() != ui->newPasswordAgain->text()) {
        formkit::showMessage(QStringLiteral("两次密码输入不一致,请重新输入！"));
        ui->newPassword->clear();
        ui->newPasswordAgain->clear();
        ui->newPassword->setFocus();
        return;
    }
    // Proven again and set in one transaction, a due change cleared with it.
    switch (storedb::changeOwnPassword(db, storedb::Person::Clerk, shyh, ui->oldPassword->text(),
                                       ui->newPassword->text())) {
    case storedb::PasswordChange::Changed:
        break;
    case storedb::PasswordChange::Unchanged:
        formkit::showMessage(QStringLiteral("新密码不能与原密码相同,请重新输入！"));
        ui->newPassword->clear();
        ui->newPasswordAgain->clear();
        ui->newPassword->setFocus();
        return;
    case storedb::PasswordChange::Missing:
    case storedb::PasswordChange::WrongPassword:
        // Reset or removed since the look above.
        formkit::showMessage(QStringLiteral("原密码输入有误,你无权修改密码！"));
        if (forced_)
            return (void)close();
        for (QLineEdit* edit : {ui->oldPassword, ui->newPassword, ui->newPasswordAgain})
            edit->clear();
        ui->oldPassword->setFocus();
        return;
    }
    formkit::showMessage(QStringLiteral("售货员 ") + clerk->shym +
                         QStringLiteral(" 修改密码成功！"));
    if (forced_) {
        changed_ = true;
        close();
        return;
    }
    for (QLineEdit* edit :
         {ui->clerkNumber, ui->oldPassword, ui->newPassword, ui->newPasswordAgain})
        edit->clear();
    ui->clerkNumber->setFocus();
}
