#include "formkit/upgradewindow.h"

#include "formkit/toolwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <memory>

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

storedb::UpgradeRunner UpgradeWindow::runner() {
    return [this](const std::function<void()>& work) { run(work); };
}

void UpgradeWindow::run(const std::function<void()>& work) {
    show();
    // Keys and clicks wait for the program to be ready; painting, moving and
    // the window system's "are you there" go on.
    QEventLoop loop;
    const std::unique_ptr<QThread> thread(QThread::create(work));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
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
    // Closing it would not stop the work, only hide that it goes on.
    makeToolWindow(window_, window_->sizeHint(), false);
    window_->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Painted before the work begins, however quickly it ends: a window
    // that flashes unpainted tells the user nothing.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kPaintWaitMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

} // namespace formkit
