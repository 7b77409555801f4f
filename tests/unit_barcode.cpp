// Check digits of printed codes and the scales' price labels.

#include "storedb/barcode.h"
#include "support/teststore.h"

#include <QRegularExpression>

using storedb::parseScaleLabel;
using storedb::wrongGtinCheckDigit;

class TestBarcode : public QObject {
    Q_OBJECT

  private slots:
    // Published codes with their check digits; altered copies worked out by hand.
    void checkDigit_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("expected"); // -1: right or not a GTIN, nothing reported
        for (const char* published :
             {"4006381333931", "9780306406157", "5901234123457", "4901234567894", "73513537",
              "96385074", "036000291452", "012345678905", "0036000291452"}) {
            const QString code = QString::fromLatin1(published);
            QTest::newRow(published) << code << -1;
            // Every other last digit is wrong, and the published one is wanted.
            for (int d = 1; d <= 9; ++d) {
                QString altered = code;
                altered.back() = QChar('0' + (code.back().unicode() - '0' + d) % 10);
                QTest::addRow("%s last+%d", published, d) << altered << code.back().unicode() - '0';
            }
        }
        QTest::newRow("EAN-13 1st digit") << "5006381333931" << 0;
        QTest::newRow("EAN-13 2nd digit") << "4106381333931" << 8;
        QTest::newRow("EAN-8 1st digit") << "83513537" << 4;
        QTest::newRow("UPC-A 2nd digit") << "046000291452" << 1;
        for (const char* other :
             {"", "7351353", "40063813339", "4006381333", "40063813339310", "A006381333931",
              "4006381 33932", "400638133393X", "４００６３８１３３３９３２"})
            QTest::addRow("not reported: '%s'", other) << QString::fromUtf8(other) << -1;
    }
    void checkDigit() {
        QFETCH(QString, code);
        QFETCH(int, expected);
        const std::optional<int> wrong = wrongGtinCheckDigit(code);
        QCOMPARE(wrong.value_or(-1), expected);
        if (expected >= 0)
            QCOMPARE(storedb::gtinCheckDigit(code.chopped(1)), expected);
    }

    void scaleLabel_data() {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("goods"); // empty: no label
        QTest::addColumn<qint64>("priceFen");
        QTest::addColumn<bool>("checkOk");
        const auto row = [](const char* name, const char* layout, const char* code,
                            const char* goods, qint64 fen, bool ok) {
            QTest::newRow(name) << QString(layout) << QString(code) << QString(goods) << fen << ok;
        };
        const char *two = "FFIIIIIPPPPPC", *one = "FIIIIIIPPPPPC";
        row("prefix 21", two, "2100123012503", "00123", 1250, true);
        row("prefix 20", two, "2012345009998", "12345", 999, true);
        row("prefix 29", two, "2954321100001", "54321", 10000, true);
        row("wrong check", two, "2012345009991", "12345", 999, false);
        row("prefix 19", two, "1912345009992", "", 0, true);
        row("prefix 30", two, "3012345009997", "", 0, true);
        row("one F", one, "2123456019995", "123456", 1999, true);
        row("one F, 1", one, "1123456019996", "", 0, true);
        row("eight digits", "FFIIPPPC", "21423505", "42", 350, true);
        row("ten digits", "FIIIIPPPPC", "2123405007", "1234", 500, true);
        row("price first", "FFPPPPPIIIIIC", "2001250001234", "00123", 1250, true);
        row("too short", two, "201234500999", "", 0, true);
        row("too long", two, "20123450099980", "", 0, true);
        row("letter", two, "20123A5009998", "", 0, true);
    }
    void scaleLabel() {
        QFETCH(QString, layout);
        QFETCH(QString, code);
        QFETCH(QString, goods);
        QFETCH(qint64, priceFen);
        QFETCH(bool, checkOk);
        const std::optional<storedb::ScaleLabel> label = parseScaleLabel(code, layout);
        QCOMPARE(label.has_value(), !goods.isEmpty());
        if (label) {
            QCOMPARE(label->goodsNumber, goods);
            QCOMPARE(label->priceFen, priceFen);
            QCOMPARE(label->checkDigitOk, checkOk);
        }
    }

    // A layout the scales cannot have reads no label, and the log says so
    // once, not at every scan.
    void malformedLayout_data() {
        QTest::addColumn<QString>("layout");
        for (const char* layout :
             {"FFIIIIIPPPPP", "FFIIIIIPPPPCP", "FFIIIIPPPPPCC", "FFIIIIIIIIIIC", "FFPPPPPPPPPPC",
              "FFIIIIIXPPPPC", "ffiiiiipppppc", "IIIIIIIPPPPPC", "FFFIIIIPPPPPC", "FFIIPPPIIPPPC",
              "IFIIIIIPPPPPC"})
            QTest::newRow(layout) << QString::fromLatin1(layout);
    }
    void malformedLayout() {
        QFETCH(QString, layout);
        const QString code = QString("2012345009998").left(qMax(layout.size(), 1));
        const QRegularExpression warning("scale label layout \"" +
                                         QRegularExpression::escape(layout) + "\" is not usable");
        QTest::ignoreMessage(QtWarningMsg, warning);
        QVERIFY(!parseScaleLabel(code, layout));
        QTest::failOnWarning(warning);
        QVERIFY(!parseScaleLabel(code, layout));
    }
};

STORE_TEST_MAIN(TestBarcode)
#include "unit_barcode.moc"
