#include "session.h"

#include "dl.h"
#include "dy.h"
#include "help.h"
#include "tavo.h"
#include "xgmm.h"
#include "zx.h"

#include "formkit/guard.h"
#include "formkit/messages.h"
#include "storedb/errors.h"
#include "storedb/tilllease.h"

TillSession::TillSession() : data_(QStringLiteral("client")), settings_(TillSettings::load()) {
    // Message boxes say which program speaks; the windows' captions are their own.
    formkit::setMessageCaption(QStringLiteral("收银台端"));
    main_ = std::make_unique<Tmainform>(*this);
    summary_ = std::make_unique<Tzxform>();
    receipt_ = std::make_unique<Tdyform>();
    receipt_->usePrinter(settings_.receiptPrinter, settings_.receiptWidthMm);
    about_ = std::make_unique<Thelpform>();
    signOn_ = std::make_unique<Tdlform>(*this);
    main_->attachSummary(*summary_);
    main_->attachSignOn(*signOn_);
    leaseRenewal_.setInterval(storedb::TillLease::kRenewSeconds * 1000);
    connect(&leaseRenewal_, &QTimer::timeout, this, &TillSession::renewTillName);
}

TillSession::~TillSession() {
    releaseTillName();
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

void TillSession::holdTillName() {
    if (lease_ && lease_->jsj() != terminal_)
        releaseTillName(); // the computer was renamed since
    if (!lease_) {
        lease_ = std::make_unique<storedb::TillLease>(
            storedb::storeIdentity(storedb::DataModule::dataLink()), terminal_);
        lease_->onLost([this](const QString& message) {
            // After the action that found it: its own error comes first.
            leaseRenewal_.stop();
            QTimer::singleShot(0, this, [this, message] { emit tillNameLost(message); });
        });
    }
    lease_->take(db());
    db().workUnder(lease_.get());
    leaseRenewal_.start();
}

void TillSession::renewTillName() {
    if (!lease_ || !lease_->held())
        return;
    try {
        lease_->confirm(db());
    } catch (const storedb::TillLeaseLostError&) {
        // tillNameLost follows
    } catch (...) {
        // A server away for a moment: the next renewal tries again.
        formkit::logCurrentException(QStringLiteral("till name renewal"));
    }
}

void TillSession::releaseTillName() noexcept {
    leaseRenewal_.stop();
    if (!lease_)
        return;
    if (data_.isOpen()) {
        data_.db().workUnder(nullptr);
        lease_->release(data_.db());
    }
    lease_.reset();
}
