#include "tillwindows.h"

#include "aboutwindow.h"
#include "passwordwindow.h"
#include "receiptwindow.h"
#include "session.h"
#include "signoffwindow.h"
#include "signonwindow.h"
#include "tillwindow.h"

#include "formkit/guard.h"
#include "formkit/messages.h"

TillWindows::TillWindows(TillSession& session) : session_(session) {
    // Message boxes say which program speaks; the windows' captions are their own.
    formkit::setMessageCaption(QStringLiteral("收银台端"));
    main_ = std::make_unique<TillWindow>(session);
    summary_ = std::make_unique<SignOffWindow>();
    receipt_ = std::make_unique<ReceiptWindow>();
    receipt_->usePrinter(session.settings().receiptPrinter, session.settings().receiptWidthMm);
    about_ = std::make_unique<AboutWindow>();
    signOn_ = std::make_unique<SignOnWindow>(session);
    main_->attachSummary(*summary_);
    main_->attachSignOn(*signOn_);
    main_->attachReceipt(*receipt_);
    connect(main_.get(), &TillWindow::aboutRequested, this, &TillWindows::showAbout);
    connect(signOn_.get(), &SignOnWindow::passwordChangeRequested, this,
            [this] { openPasswordWindow(); });
    connect(signOn_.get(), &SignOnWindow::passwordChangeDue, this,
            [this](const QString& shyh, const QString& resetPassword) {
                openPasswordWindow().forceChangeFor(shyh, resetPassword);
            });
}

TillWindows::~TillWindows() {
    delete password_.data();
    signOn_.reset();
    about_.reset();
    receipt_.reset();
    summary_.reset();
    main_.reset();
}

void TillWindows::start() {
    main_->show();
}

PasswordWindow* TillWindows::passwordWindow() const {
    return password_.data();
}

PasswordWindow& TillWindows::openPasswordWindow() {
    delete password_.data();
    password_ = new PasswordWindow(session_);
    // When it closes, the sign-on window comes back: after a forced change
    // the sign-on goes on as if the new password had been typed.
    SignOnWindow* signOn = signOn_.get();
    connect(password_, &PasswordWindow::signOnWanted, signOn, [signOn] {
        formkit::runGuarded(QStringLiteral("PasswordWindow/close"),
                            [signOn] { signOn->openForSignOn(); });
    });
    connect(password_, &PasswordWindow::changedAtSignOn, signOn, [signOn](const QString& shyh) {
        formkit::runGuarded(QStringLiteral("PasswordWindow/close"),
                            [signOn, shyh] { signOn->signOnAfterPasswordChange(shyh); });
    });
    password_->show();
    password_->activateWindow();
    return *password_;
}

void TillWindows::showAbout() {
    about_->show();
    about_->raise();
    about_->activateWindow();
}
