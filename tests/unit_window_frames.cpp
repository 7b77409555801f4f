// What the frames of tool windows and message boxes show and allow.

#include "formkit/messages.h"
#include "formkit/toolwindow.h"
#include "support/teststore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QWindow>

class TestWindowFrames : public QObject {
    Q_OBJECT

  private slots:
    void closedFromTheFrameOnlyWithACloseBox() {
        for (bool closeBox : {false, true}) {
            QWidget window;
            formkit::makeToolWindow(&window, QSize(289, 199), closeBox);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            // The window manager's close button and Alt+F4 arrive as this.
            QCloseEvent fromFrame;
            QSpontaneKeyEvent::setSpontaneous(&fromFrame);
            QCoreApplication::sendEvent(window.windowHandle(), &fromFrame);
            QCOMPARE(window.isVisible(), !closeBox);
            QVERIFY(window.close()); // the program itself always can
        }
    }

    void minimizedWindowComesBack() {
        QWidget window;
        formkit::makeToolWindow(&window, QSize(297, 320));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(!window.isMinimized());
    }

    void messageBoxesInTheProgramsWords() {
        formkit::setMessageCaption(QStringLiteral("收银台端"));
        QString caption;
        QTimer::singleShot(0, [&caption] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
                    caption = box->windowTitle() + QLatin1Char('|') + box->buttons().at(0)->text();
                    box->done(0);
                }
            }
        });
        formkit::showMessage(QStringLiteral("此台计算机还有余额 200"));
        QCOMPARE(caption, QStringLiteral("收银台端|确定"));
    }
};

STORE_TEST_MAIN(TestWindowFrames)
#include "unit_window_frames.moc"
