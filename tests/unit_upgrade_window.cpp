// The window over bringing an older store up to date: the work runs on a
// thread of its own while the program goes on answering its window system,
// and the user cannot close the window from its frame meanwhile.

#include "formkit/upgradewindow.h"
#include "support/teststore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <atomic>

namespace {

QProgressDialog* shownWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("upgradeWindow") && widget->isVisible())
            return qobject_cast<QProgressDialog*>(widget);
    }
    return nullptr;
}

} // namespace

class TestUpgradeWindow : public QObject {
    Q_OBJECT

  private slots:
    void workRunsAsideWhileTheWindowAnswers() {
        std::atomic<bool> answered{false};
        QThread* workThread = nullptr;
        bool sawWindow = false;
        bool survivedClose = false;
        QString text;
        {
            formkit::UpgradeWindow upgrade(nullptr);
            // Answered only by an event loop that goes on during the work.
            std::atomic<bool> started{false};
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (!started || answered)
                    return;
                QProgressDialog* window = shownWindow();
                sawWindow = window != nullptr;
                if (window) {
                    text = window->findChild<QLabel*>()->text();
                    // The window manager's close button and Alt+F4 arrive as this.
                    QCloseEvent fromFrame;
                    QSpontaneKeyEvent::setSpontaneous(&fromFrame);
                    QCoreApplication::sendEvent(window->windowHandle(), &fromFrame);
                    survivedClose = window->isVisible();
                }
                answered = true;
            });
            poll.start(10);
            upgrade.runner()([&] {
                workThread = QThread::currentThread();
                started = true;
                for (int waited = 0; !answered && waited < 10000; waited += 10)
                    QThread::msleep(10);
            });
            QVERIFY(answered);
            QVERIFY(shownWindow()); // until the upgrade object goes
        }
        QVERIFY(workThread && workThread != QThread::currentThread());
        QVERIFY(sawWindow);
        QCOMPARE(text, QStringLiteral("正在升级数据库,可能需要几分钟,请不要关闭程序..."));
        QVERIFY(survivedClose);
        QVERIFY(!shownWindow());
        QVERIFY(!QApplication::overrideCursor());
    }
};

STORE_TEST_MAIN(TestUpgradeWindow)
#include "unit_upgrade_window.moc"
