// Qt's own texts on screen, and the dates Qt writes, are Chinese like the
// programs' own, whatever the computer's locale (LANG=C in the tests).

#include "formkit/application.h"
#include "formkit/hint.h"

#include <QAction>
#include <QCalendarWidget>
#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <memory>

class TestQtTexts : public QObject {
    Q_OBJECT

  private slots:
    void textBoxMenuIsChinese() {
        QLineEdit box;
        const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator())
                texts << action->text().section('\t', 0, 0); // without the key
        }
        QVERIFY(!texts.isEmpty());
        // "粘贴" (paste), "全选" (select all): no English entry left.
        QVERIFY2(texts.join(' ').contains(QStringLiteral("粘贴")), qPrintable(texts.join(' ')));
        for (const QString& text : texts)
            QVERIFY2(!text.contains(QRegularExpression("[A-Za-z]{3,}")), qPrintable(text));
    }

    void clockAndCalendarAreChinese() {
        const QDateTime now(QDate(2026, 12, 9), QTime(14, 5, 6));
        const QString clock = formkit::clockText(now);
        QVERIFY2(clock.startsWith(QStringLiteral("2026/12/9")), qPrintable(clock));
        QVERIFY2(clock.contains(QStringLiteral("14:05:06")), qPrintable(clock));
        QVERIFY2(!clock.contains(QRegularExpression("[A-Za-z]")), qPrintable(clock));
        // The pop-up of every date picker.
        QCalendarWidget calendar;
        QCOMPARE(calendar.locale().monthName(12), QStringLiteral("十二月"));
    }
};

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    TestQtTexts test;
    return QTest::qExec(&test, argc, argv);
}
#include "unit_qt_texts.moc"
