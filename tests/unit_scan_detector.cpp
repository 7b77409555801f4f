// Scans told from typing by the window system's time stamps on the keys, not
// by when the program gets round to them.

#include "formkit/keys.h"
#include "formkit/scandetector.h"
#include "support/teststore.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>

class TestScanDetector : public QObject {
    Q_OBJECT

  private slots:
    // Keys "text@ms", sent one after the other at once; "Enter" and "Shift"
    // name those keys. A scan is "code|text before".
    void stampedKeys_data() {
        QTest::addColumn<int>("maxGapMs");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("scan");
        QTest::newRow("close") << 30 << "1@1000 2@1010 3@1020 Enter@1030"
                               << "123|";
        QTest::newRow("far apart, delivered at once") << 30 << "1@1000 2@1100 3@1200 Enter@1300"
                                                      << "";
        QTest::newRow("Enter late") << 30 << "1@1000 2@1010 3@1020 Enter@1100"
                                    << "";
        QTest::newRow("two characters") << 30 << "1@1000 2@1010 Enter@1020"
                                        << "";
        QTest::newRow("after typing") << 30 << "7@0 8@500 1@1000 2@1030 3@1060 Enter@1090"
                                      << "123|78";
        QTest::newRow("letters the box drops") << 30 << "A@1000 1@1010 B@1020 Enter@1030"
                                               << "A1B|";
        QTest::newRow("Shift between capitals")
            << 30 << "A@1000 Shift@1010 B@1020 C@1030 Enter@1040"
            << "ABC|";
        QTest::newRow("switched off") << 0 << "1@1000 2@1001 3@1002 Enter@1003"
                                      << "";
    }
    void stampedKeys() {
        QFETCH(int, maxGapMs);
        QFETCH(QString, keys);
        QFETCH(QString, scan);
        QLineEdit box;
        formkit::installNumericFilter(&box, formkit::NumericKeys::DigitsOnly);
        QStringList scans;
        formkit::onScan(&box, maxGapMs, [&](const formkit::Scan& s) {
            scans << s.code + QLatin1Char('|') + s.textBefore;
        });
        QSignalSpy entered(&box, &QLineEdit::returnPressed);
        for (const QString& key : keys.split(' ')) {
            const QString text = key.section('@', 0, 0);
            int code = text.at(0).toUpper().unicode(); // Qt's keys are ASCII
            if (text == "Enter")
                code = Qt::Key_Return;
            if (text == "Shift")
                code = Qt::Key_Shift;
            const QString typed = text == "Enter" ? "\r" : text == "Shift" ? "" : text;
            QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, typed);
            press.setTimestamp(key.section('@', 1).toULongLong());
            QCoreApplication::sendEvent(&box, &press);
        }
        QCOMPARE(scans.join(' '), scan);
        // A scan's Enter is the scanner's, not the box's.
        QCOMPARE(entered.size(), scan.isEmpty() ? 1 : 0);
    }
};

STORE_TEST_MAIN(TestScanDetector)
#include "unit_scan_detector.moc"
