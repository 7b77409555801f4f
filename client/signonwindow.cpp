#include "signonwindow.h"

#include "ui_signonwindow.h"

#include "session.h"

#include "formkit/buttonkeys.h"
#include "formkit/fonts.h"
#include "formkit/guard.h"
#include "formkit/keys.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "storedb/backoffice.h"
#include "storedb/columntext.h"
#include "storedb/company.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/passwordreset.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/terminal.h"
#include "storedb/till.h"

#include <QDateTime>
#include <QStyle>

SignOnWindow::SignOnWindow(TillSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::SignOnWindow) {
    ui->setupUi(this);
    setFont(formkit::songFont());
    formkit::makeToolWindow(this, QSize(289, 199), false);
    ui->signOnButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    ui->cancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    formkit::onClick(ui->signOnButton, this, &SignOnWindow::signOn);
    formkit::onClick(ui->cancelButton, this, &SignOnWindow::cancelSignOn);
    formkit::onClick(ui->changePasswordButton, this, &SignOnWindow::changePassword);
    formkit::installNumericFilter(ui->clerkNumber,
                                  formkit::NumericKeys::DigitsPointBackspaceEscape);
    formkit::onEnter(ui->clerkNumber, [this] { moveToPassword(); });
    formkit::installDefaultButton(this);
    formkit::installCancelButton(this, ui->cancelButton);
}

SignOnWindow::~SignOnWindow() {
    delete ui;
}

bool SignOnWindow::openForSignOn() {
    show();
    raise();
    activateWindow();
    // Read at every sign-on: the computer may have been renamed meanwhile.
    const QString jsj = storedb::terminalName();
    session_.setTerminal(jsj);
    ui->tillName->setText(jsj);
    ui->clerkNumber->clear();
    ui->password->clear();
    ui->clerkNumber->setFocus();
    ui->signOnButton->setDefault(false);

    // A name that cannot name the till's sale table cannot serve as a till.
    try {
        storedb::checkTerminalName(jsj);
    } catch (const storedb::TerminalNameError& refused) {
        refuseTerminal(refused.userText(), QStringLiteral("状态:未注册,请通知管理员注册！"));
        return false;
    }
    // Registered names are matched without regard to letter case, as the
    // back office's duplicate check does: the till works under the name as
    // registered, which is also its sale table's name.
    if (const std::optional<QString> registered = storedb::registeredTillName(session_.db(), jsj)) {
        session_.setTerminal(*registered);
        ui->tillName->setText(*registered);
        return true;
    }
    refuseTerminal(QStringLiteral("此计算机 ") + jsj +
                       QStringLiteral(" 没有注册，请通知管理员注册！"),
                   QStringLiteral("状态:未注册,请通知管理员注册！"));
    return false;
}

void SignOnWindow::refuseTerminal(const QString& message, const QString& statusText) {
    formkit::showMessage(message);
    ui->signOnButton->setEnabled(false);
    ui->cancelButton->setEnabled(false);
    emit terminalRefused(statusText);
}

void SignOnWindow::moveToPassword() {
    ui->signOnButton->setDefault(true);
    ui->password->setFocus();
}

void SignOnWindow::signOn() {
    storedb::Db& db = session_.db();
    const QString shyh = ui->clerkNumber->text();
    // No number holds a NUL, and PostgreSQL would cut the statement there.
    const std::optional<storedb::ClerkLogin> clerk =
        shyh.contains(QChar(0)) ? std::nullopt : storedb::shydl(db, shyh);
    if (!clerk || clerk->mm != ui->password->text()) {
        formkit::showMessage(QStringLiteral("你的输入有误,请重新输入！"));
        ui->password->clear();
        ui->password->setFocus();
        return;
    }
    // A reset password opens no shift: the clerk chooses a new one first, so
    // that a cancel leaves the till as it was.
    if (storedb::passwordChangeDue(db, storedb::Person::Clerk, shyh)) {
        formkit::showMessage(QStringLiteral("你的密码已被重置,请先修改密码！"));
        const QString resetPassword = ui->password->text();
        close();
        emit passwordChangeDue(shyh, resetPassword);
        return;
    }
    goOnDuty(shyh, clerk->shym);
}

void SignOnWindow::signOnAfterPasswordChange(const QString& shyh) {
    if (!openForSignOn())
        return;
    ui->clerkNumber->setText(shyh);
    const std::optional<storedb::ClerkLogin> clerk = storedb::shydl(session_.db(), shyh);
    if (!clerk) {
        // Removed in the moment between.
        formkit::showMessage(QStringLiteral("你的输入有误,请重新输入！"));
        return;
    }
    goOnDuty(shyh, clerk->shym);
}

void SignOnWindow::goOnDuty(const QString& shyh, const QString& shym) {
    storedb::Db& db = session_.db();
    const QString& jsj = session_.terminal();
    // One running till per name: a second one would wind up the first's
    // live shift and sell from its emptied sale table.
    session_.holdTillName();
    // Every write of the sign-on first; only then does the till go on duty,
    // so that a failure leaves nobody selling without an open shift.
    const storedb::SignedOn booked = storedb::signOn(db, jsj, shyh, QDateTime::currentDateTime());
    const QString shopName = storedb::loadShopSettings(db).company;

    ui->clerkName->setText(shym);
    session_.signedOn(Clerk{shyh, shym}, shopName);
    formkit::showMessage(QStringLiteral("售货员 ") + shym + QStringLiteral(" 登录成功!"));
    formkit::showMessage(QStringLiteral("此台计算机还有余额 ") +
                         storedb::numberText(booked.till.ye));
    close();
    emit signOnDone();
}

void SignOnWindow::cancelSignOn() {
    if (!formkit::askYesNo(QStringLiteral("真的要取消登录吗？")))
        return;
    close();
    emit signOnCancelled();
}

void SignOnWindow::changePassword() {
    close();
    emit passwordChangeRequested();
}
