// Number text, money rounding, typed-number conversion and the terminal name.

#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/terminal.h"
#include "support/teststore.h"

#include <QSysInfo>
#include <limits>

using namespace storedb;
using testsupport::EnvGuard;

namespace {} // namespace

class TestNumText : public QObject {
    Q_OBJECT

  private slots:
    void numberText_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 350.0 << "350";
        QTest::newRow("one place") << 12.5 << "12.5";
        QTest::newRow("negative") << -80.5 << "-80.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("binary noise") << 0.1 + 0.2 << "0.3";
        QTest::newRow("sum noise") << 734.5 - 184.5 + 0.1 - 0.1 << "550";
        QTest::newRow("no grouping") << 1234567.0 << "1234567";
        QTest::newRow("fifteen digits") << 1.0 / 3.0 << "0.333333333333333";
        QTest::newRow("fifteen digits rounded") << 1234567.891234567 << "1234567.89123457";
        QTest::newRow("large, no exponent") << 1e15 << "1000000000000000";
        QTest::newRow("larger, fifteen digits") << 123456789012345678.0 << "123456789012346000";
        QTest::newRow("huge") << -2.5e20 << "-250000000000000000000";
        QTest::newRow("tiny") << 0.00001 << "0.00001";
        QTest::newRow("tiny with digits") << 1.25e-7 << "0.000000125";
        QTest::newRow("just under one") << 0.9999999999999999 << "1";
        QTest::newRow("ninety-nine point nine") << 99.9 << "99.9";
    }
    void numberText() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(storedb::numberText(value), text);
    }

    void numberTextRoundTrips() {
        // Whatever is shown reads back as the same money amount.
        for (double v : {0.1, 2.675, 1e-3, 19.99, 123456.7, -0.05, 9999999.9})
            QCOMPARE(toNumber(storedb::numberText(v)), v);
    }

    void rounding_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("places");
        QTest::addColumn<double>("rounded");
        // Half away from zero on the decimal value, although 0.15, 2.675 and
        // 1.005 lie just below their halves in binary.
        QTest::newRow("0.15") << 0.15 << 1 << 0.2;
        QTest::newRow("0.05") << 0.05 << 1 << 0.1;
        QTest::newRow("-0.05") << -0.05 << 1 << -0.1;
        QTest::newRow("2.25") << 2.25 << 1 << 2.3;
        QTest::newRow("-2.25") << -2.25 << 1 << -2.3;
        QTest::newRow("2.24") << 2.24 << 1 << 2.2;
        QTest::newRow("2.675 fen") << 2.675 << 2 << 2.68;
        QTest::newRow("1.005 fen") << 1.005 << 2 << 1.01;
        QTest::newRow("3 x 1.15") << 3 * 1.15 << 1 << 3.5;
        QTest::newRow("large") << 1234567.85 << 1 << 1234567.9;
        QTest::newRow("whole") << 42.0 << 0 << 42.0;
    }
    void rounding() {
        QFETCH(double, value);
        QFETCH(int, places);
        QFETCH(double, rounded);
        QCOMPARE(roundTo(value, places), rounded);
        if (places == 1)
            QCOMPARE(roundMoney(value), rounded);
        if (places == 2)
            QCOMPARE(roundFen(value), rounded);
    }

    void conversions() {
        QCOMPARE(toNumber("12.5"), 12.5);
        QCOMPARE(toNumber(" 7 "), 7.0);
        QCOMPARE(toNumber("-80.5"), -80.5);
        QCOMPARE(toNumber(".5"), 0.5);
        QCOMPARE(toInteger("5"), 5);
        QCOMPARE(toInteger("-3"), -3);
        QCOMPARE(toInteger(" 12 "), 12);
    }

    void conversionErrors_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank") << "   " << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("prompt text") << "输入删除的货物编号" << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("lone point") << "." << false;
        QTest::newRow("comma") << "1,5" << false;
        QTest::newRow("infinite") << "1e400" << false;
        QTest::newRow("nan") << "nan" << false;
        QTest::newRow("inf") << "inf" << false;
        QTest::newRow("fraction") << "1.5" << true;
        QTest::newRow("too large for int") << "99999999999" << true;
    }
    void conversionErrors() {
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        if (isNumber) {
            toNumber(text);
        } else {
            try {
                toNumber(text);
                QFAIL("toNumber accepted it");
            } catch (const ConversionError& e) {
                QVERIFY2(e.text().contains(QLatin1Char('\'') + text + QLatin1Char('\'')),
                         qPrintable(e.text()));
            }
        }
        // Not one of them is a whole number.
        try {
            toInteger(text);
            QFAIL("toInteger accepted it");
        } catch (const ConversionError& e) {
            QVERIFY(e.text().contains(QLatin1Char('\'') + text + QLatin1Char('\'')));
        }
    }

    void terminalNameTrimming_data() {
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("plain") << "TILL1"
                               << "TILL1";
        QTest::newRow("blanks") << "  TILL1  "
                                << "TILL1";
        QTest::newRow("tabs and line ends") << "\tTILL1\r\n"
                                            << "TILL1";
        QTest::newRow("control characters") << QString::fromLatin1("\x01\x1f"
                                                                   "TILL1\x7f\x00",
                                                                   9)
                                            << "TILL1";
        QTest::newRow("ideographic space")
            << QString::fromUtf8("\u3000收银台一\u3000") << "收银台一";
        QTest::newRow("inner blank kept") << " till 2 "
                                          << "till 2";
        QTest::newRow("inner control kept") << QString("a\x01"
                                                       "b")
                                            << QString("a\x01"
                                                       "b");
        QTest::newRow("nothing but blanks") << " \t\r\n "
                                            << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void terminalNameTrimming() {
        QFETCH(QString, raw);
        QFETCH(QString, trimmed);
        QCOMPARE(trimTerminalName(raw), trimmed);
    }

    void terminalNameOverride() {
        const QString host = trimTerminalName(QSysInfo::machineHostName());
        {
            EnvGuard unset("TAVO_TERMINAL_NAME", std::nullopt);
            QCOMPARE(terminalName(), host);
        }
        {
            const QByteArray value = QString::fromUtf8(" 收银台-2\t\n").toUtf8();
            EnvGuard set("TAVO_TERMINAL_NAME", value);
            QCOMPARE(terminalName(), QString::fromUtf8("收银台-2"));
        }
        {
            // Blanks only name nothing: the computer's own name stands.
            const QByteArray blanks = " \t ";
            EnvGuard set("TAVO_TERMINAL_NAME", blanks);
            QCOMPARE(terminalName(), host);
        }
    }
};

STORE_TEST_MAIN(TestNumText)
#include "unit_numtext.moc"
