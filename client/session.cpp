#include "session.h"

#include "formkit/guard.h"
#include "storedb/errors.h"
#include "storedb/tilllease.h"

TillSession::TillSession() : data_(QStringLiteral("client")), settings_(TillSettings::load()) {
    leaseRenewal_.setInterval(storedb::TillLease::kRenewSeconds * 1000);
    connect(&leaseRenewal_, &QTimer::timeout, this, &TillSession::renewTillName);
}

TillSession::~TillSession() {
    releaseTillName();
    data_.close();
}

void TillSession::signedOn(const Clerk& clerk, const QString& shopName) {
    clerk_ = clerk;
    emit clerkSignedOn(clerk.shym, shopName);
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
