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
    ui->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    formkit::onClick(ui->BitBtn1, this, &PasswordWindow::changePassword);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &QWidget::close);
    formkit::installNumericFilter(ui->Edit1, formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::chainEnter({ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->BitBtn1});
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->BitBtn2);
}

PasswordWindow::~PasswordWindow() {
    delete ui;
}

void PasswordWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    for (QLineEdit* edit : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4})
        edit->clear();
    ui->Edit1->setFocus();
}

void PasswordWindow::forceChangeFor(const QString& shyh, const QString& resetPassword) {
    forced_ = true;
    ui->Edit1->setText(shyh);
    ui->Edit2->setText(resetPassword);
    ui->Edit1->setReadOnly(true);
    ui->Edit2->setReadOnly(true);
    ui->Edit3->clear();
    ui->Edit4->clear();
    ui->Edit3->setFocus();
}

void PasswordWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    const QString shyh = ui->Edit1->text();
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
    if (ui->Edit1->text().isEmpty())
        return refuseEmpty(ui->Edit1, QStringLiteral("请输入售货员号！"));
    const QString emptyPassword = QStringLiteral("请输入密码,密码不能为空！");
    for (QLineEdit* edit : {ui->Edit2, ui->Edit3, ui->Edit4}) {
        if (edit->text().isEmpty())
            return refuseEmpty(edit, emptyPassword);
    }
    storedb::Db& db = session_.db();
    const QString shyh = ui->Edit1->text();
    // No number holds a NUL, and PostgreSQL would cut the statement there.
    const std::optional<storedb::ClerkLogin> clerk =
        shyh.contains(QChar(0)) ? std::nullopt : storedb::shydl(db, shyh);
    if (!clerk || clerk->mm != ui->Edit2->text()) {
        formkit::showMessage(QStringLiteral("原密码输入有误,你无权修改密码！"));
        if (forced_)
            return (void)close(); // reset again meanwhile: sign on anew
        ui->Edit2->clear();
        ui->Edit3->clear();
        ui->Edit4->clear();
        ui->Edit2->setFocus();
        return;
    }
    if (ui->Edit3->text() != ui->Edit4->text()) {
        formkit::showMessage(QStringLiteral("两次密码输入不一致,请重新输入！"));
        ui->Edit3->clear();
        ui->Edit4->clear();
        ui->Edit3->setFocus();
        return;
    }
    // Proven again and set in one transaction, a due change cleared with it.
    switch (storedb::changeOwnPassword(db, storedb::Person::Clerk, shyh, ui->Edit2->text(),
                                       ui->Edit3->text())) {
    case storedb::PasswordChange::Changed:
        break;
    case storedb::PasswordChange::Unchanged:
        formkit::showMessage(QStringLiteral("新密码不能与原密码相同,请重新输入！"));
        ui->Edit3->clear();
        ui->Edit4->clear();
        ui->Edit3->setFocus();
        return;
    case storedb::PasswordChange::Missing:
    case storedb::PasswordChange::WrongPassword:
        // Reset or removed since the look above.
        formkit::showMessage(QStringLiteral("原密码输入有误,你无权修改密码！"));
        if (forced_)
            return (void)close();
        for (QLineEdit* edit : {ui->Edit2, ui->Edit3, ui->Edit4})
            edit->clear();
        ui->Edit2->setFocus();
        return;
    }
    formkit::showMessage(QStringLiteral("售货员 ") + clerk->shym +
                         QStringLiteral(" 修改密码成功！"));
    if (forced_) {
        changed_ = true;
        close();
        return;
    }
    for (QLineEdit* edit : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4})
        edit->clear();
    ui->Edit1->setFocus();
}
