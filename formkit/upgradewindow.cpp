#include "formkit/upgradewindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QThread>

namespace formkit {

namespace {
const int kPaintWaitMs = 200;
} // namespace

UpgradeWindow::UpgradeWindow(QWidget* parent) : parent_(parent) {}

UpgradeWindow::~UpgradeWindow() {
    if (!shown_)
        return;
    QApplication::restoreOverrideCursor();
    delete window_;
}

storedb::UpgradeNotice UpgradeWindow::notice() {
    return [this] { show(); };
}

void UpgradeWindow::show() {
    if (shown_)
        return;
    shown_ = true;
    window_ = new QProgressDialog(QStringLiteral("正在升级数据库,可能需要几分钟,请不要关闭程序..."),
                                  QString(), 0, 0, parent_);
    window_->setObjectName(QStringLiteral("upgradeWindow"));
    window_->setWindowTitle(QStringLiteral("升级数据库"));
    window_->setCancelButton(nullptr);
    window_->setWindowModality(Qt::ApplicationModal);
    window_->setMinimumDuration(0);
    window_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The work that follows holds the thread: the window is painted now or
    // not at all, once the display has mapped it. Keys and clicks wait for
    // the program to be ready.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kPaintWaitMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

} // namespace formkit
