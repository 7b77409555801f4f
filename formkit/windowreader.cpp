#include "formkit/windowreader.h"

#include "formkit/guard.h"
#include "formkit/messages.h"
#include "storedb/datamodule.h"

#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

namespace formkit {

namespace {
// A read that runs longer is stuck, not busy.
const int kStatementTimeoutMs = 60000;
// Reads quicker than this show only the busy cursor.
const int kProgressDelayMs = 400;
} // namespace

WindowReader::WindowReader(QWidget* window, const QString& where)
    : QObject(window), window_(window), where_(where), progressDelay_(new QTimer(this)) {
    progressDelay_->setSingleShot(true);
    progressDelay_->setInterval(kProgressDelayMs);
    connect(progressDelay_, &QTimer::timeout, this, &WindowReader::showProgress);
}

WindowReader::~WindowReader() = default;

void WindowReader::read(QList<storedb::BackgroundReader::Read> reads,
                        std::function<void(const QList<storedb::RowSet>&)> show) {
    if (!reader_) {
        // The store the program opened: link.udl beside the executable.
        reader_ = std::make_unique<storedb::BackgroundReader>(storedb::DataModule::dataLink(),
                                                              where_, kStatementTimeoutMs);
        connect(reader_.get(), &storedb::BackgroundReader::done, this, &WindowReader::arrived);
        connect(reader_.get(), &storedb::BackgroundReader::failed, this, &WindowReader::failed);
    }
    if (!isReading()) {
        window_->setCursor(Qt::BusyCursor);
        progressDelay_->start();
    }
    pending_.clear();
    arrived_.clear();
    show_ = std::move(show);
    for (storedb::BackgroundReader::Read& read : reads)
        pending_ << reader_->start(std::move(read));
}

void WindowReader::abandon() {
    if (isReading())
        finish();
}

void WindowReader::arrived(quint64 ticket, const storedb::RowSet& rows) {
    if (!pending_.contains(ticket))
        return; // abandoned, or overtaken by later reads
    arrived_ << rows;
    if (arrived_.size() < pending_.size())
        return;
    const QList<storedb::RowSet> all = std::move(arrived_);
    const auto show = std::move(show_);
    finish();
    show(all);
}

void WindowReader::failed(quint64 ticket, const QString& text, const QString& userText) {
    if (!pending_.contains(ticket))
        return;
    finish();
    qCWarning(lcErrors).noquote() << where_ + QLatin1Char(':') << text;
    showMessage(userText);
}

void WindowReader::showProgress() {
    if (!isReading())
        return;
    progress_ = new QProgressDialog(QStringLiteral("正在查询,请稍候..."), QStringLiteral("取消"), 0,
                                    0, window_);
    progress_->setWindowTitle(window_->windowTitle());
    progress_->setWindowModality(Qt::WindowModal);
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    connect(progress_, &QProgressDialog::canceled, this, &WindowReader::abandon);
    progress_->show();
}

void WindowReader::finish() {
    pending_.clear();
    arrived_.clear();
    show_ = nullptr;
    progressDelay_->stop();
    window_->unsetCursor();
    if (progress_) {
        // Later, not from inside its own signal: the dialog may be cancelling.
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
}

} // namespace formkit
