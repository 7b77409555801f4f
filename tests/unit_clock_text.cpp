// The clock of the main windows and the receipt: short date, time of day.

#include "formkit/hint.h"
#include "support/teststore.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

class TestClockText : public QObject {
    Q_OBJECT

  private slots:
    void dateThenTimeWithoutZone() {
        const QDateTime utc(QDate(2026, 12, 8), QTime(20, 8, 20), QTimeZone::utc());
        QCOMPARE(formkit::clockText(utc, QLocale(QLocale::Chinese, QLocale::China)),
                 QStringLiteral("2026/12/8 20:08:20"));
        QCOMPARE(formkit::clockText(utc, QLocale(QLocale::English, QLocale::UnitedStates)),
                 QStringLiteral("12/8/26 8:08:20 PM"));
    }

    void noZoneInAnyLocale() {
        // The same wall time in two zones must read the same, with the
        // minutes and seconds there and no bracket or comma left behind.
        const QDateTime utc(QDate(2026, 12, 8), QTime(20, 47, 53), QTimeZone::utc());
        const QDateTime east(utc.date(), utc.time(), QTimeZone(8 * 3600));
        const auto all = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                  QLocale::AnyTerritory);
        for (const QLocale& locale : all) {
            const QString text = formkit::clockText(utc, locale);
            const QString time = text.mid(locale.toString(utc.date(), QLocale::ShortFormat).size());
            const QString context = locale.name() + QLatin1Char(' ') + text;
            QVERIFY2(text == formkit::clockText(east, locale), qPrintable(context));
            QVERIFY2(time.contains(locale.toString(47)) && time.contains(locale.toString(53)),
                     qPrintable(context));
            QVERIFY2(!time.contains(QLatin1String("()")) && !time.contains(QLatin1String("[]")) &&
                         !time.endsWith(QLatin1Char(',')) && !time.endsWith(QLatin1Char(' ')),
                     qPrintable(context));
        }
    }
};

STORE_TEST_MAIN(TestClockText)
#include "unit_clock_text.moc"
