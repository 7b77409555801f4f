#include "session.h"

#include "dl.h"
#include "dy.h"
#include "help.h"
#include "tavo.h"
#include "xgmm.h"
#include "zx.h"

#include "formkit/messages.h"

TillSession::TillSession() : data_(QStringLiteral("client")) {
    // Message boxes say which program speaks; the windows' captions are their own.
    formkit::setMessageCaption(QStringLiteral("收银台端"));
    main_ = std::make_unique<Tmainform>(*this);
    summary_ = std::make_unique<Tzxform>();
    receipt_ = std::make_unique<Tdyform>();
    about_ = std::make_unique<Thelpform>();
    signOn_ = std::make_unique<Tdlform>(*this);
    main_->attachSummary(*summary_);
    main_->attachSignOn(*signOn_);
}

TillSession::~TillSession() {
    delete password_.data();
    // Windows go before the connection their grids may still hold.
    signOn_.reset();
    about_.reset();
    receipt_.reset();
    summary_.reset();
    main_.reset();
    data_.close();
}

void TillSession::start() {
    main_->show();
}

void TillSession::signedOn(const Clerk& clerk, const QString& shopName) {
    clerk_ = clerk;
    emit clerkSignedOn(clerk.shym, shopName);
}

Txgmmform* TillSession::passwordWindow() const {
    return password_.data();
}

void TillSession::openPasswordChange() {
    delete password_.data();
    password_ = new Txgmmform(*this);
    password_->show();
    password_->activateWindow();
}
