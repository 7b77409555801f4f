// The charge window through its real controls: cash received, change,
// confirm, the receipt and the emptied sale table.

#include "client/chargewindow.h"
#include "client/receiptwindow.h"
#include "client/session.h"

#include "formkit/messages.h"
#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/saletable.h"
#include "support/controls.h"
#include "support/teststore.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace storedb;
using namespace testsupport;

namespace {

const QString kTill = QStringLiteral("till-1");

// A booked sale of 87.5 waiting in the charge window.
struct Charging {
    TestStore store;
    TillSession session;
    ReceiptWindow receipt;
    qint64 bill = 0;
    std::unique_ptr<ChargeWindow> window;

    Charging() {
        addTill(store.db(), kTill, 150);
        createSaleTable(store.db(), kTill);
        insertSaleLine(store.db(), kTill, SaleLine{"A", "可乐", "01", 12.5, 2, 25, 0});
        insertSaleLine(store.db(), kTill, SaleLine{"B", "薯片", "02", 3.5, 5, 17.5, 0});
        insertSaleLine(store.db(), kTill, SaleLine{"C", "大米", "03", 45, 1, 45, 0});
        session.data().adopt(store.openAnother(QStringLiteral("till")));
        session.setTerminal(kTill);
        const ChargedSale sale = chargeSale(store.db(), kTill, QDate::currentDate());
        bill = sale.bill;
        window = std::make_unique<ChargeWindow>(session, receipt, sale);
        window->show();
        window->activateWindow();
    }
    bool ready() { return QTest::qWaitForWindowActive(window.get()); }
    template <typename T> T* control(const char* name) const { return ctl<T>(window.get(), name); }
    QLineEdit* cashReceived() const { return control<QLineEdit>("cashReceived"); }
    QLabel* dueLabel() const { return control<QLabel>("dueLabel"); }
    QLabel* changeLabel() const { return control<QLabel>("changeLabel"); }
    QPushButton* confirmButton() const { return control<QPushButton>("confirmButton"); }
    int linesLeft() { return int(saleLines(store.db(), kTill).size()); }
};

QString conversionError(const QString& text) {
    try {
        toNumber(text);
    } catch (const ConversionError& e) {
        return e.text();
    }
    return QString();
}

} // namespace

class TestChargeWindow : public QObject {
    Q_OBJECT

  private slots:
    void windowAsDesigned() {
        Charging c;
        QVERIFY(c.ready());
        ChargeWindow& w = *c.window;
        QCOMPARE(w.windowTitle(), QString("收费找零"));
        QCOMPARE(w.statusTip(), QString("状态:正在收费打印"));
        QCOMPARE(w.size(), QSize(291, 257));
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(c.dueLabel()->text(), QString("87.5"));
        QVERIFY(c.cashReceived()->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), c.cashReceived());
        QCOMPARE(c.control<QGroupBox>("changeBox")->geometry(), QRect(25, 127, 241, 105));
        QCOMPARE(c.cashReceived()->geometry(), QRect(124, 59, 84, 32));
        QCOMPARE(c.dueLabel()->font().pixelSize(), 24);
        QCOMPARE(c.changeLabel()->font().pixelSize(), 32);
        QCOMPARE(c.changeLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
        // Only the confirm button leaves the window.
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        const QString shots = qEnvironmentVariable("STORE_TEST_SHOTS");
        if (!shots.isEmpty()) {
            QTest::keyClicks(c.cashReceived(), "100");
            QTest::keyClick(c.cashReceived(), Qt::Key_Return);
            w.grab().save(shots + "/sf.png");
        }
    }

    void change_data() {
        QTest::addColumn<QString>("received");
        QTest::addColumn<bool>("byTab");
        QTest::addColumn<QString>("change");
        QTest::newRow("more, Enter") << "100" << false << "12.5";
        QTest::newRow("exact, Enter") << "87.5" << false << "0";
        QTest::newRow("short, Enter") << "50" << false << "";
        QTest::newRow("more, leaving") << "100.3" << true << "12.8";
        QTest::newRow("short, leaving") << "87.4" << true << "";
    }
    void change() {
        QFETCH(QString, received);
        QFETCH(bool, byTab);
        QFETCH(QString, change);
        formkit::ScriptedResponder responder;
        Charging c;
        QVERIFY(c.ready());
        QTest::keyClicks(c.cashReceived(), received);
        QTest::keyClick(c.cashReceived(), byTab ? Qt::Key_Tab : Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(c.changeLabel()->text(), change);
        if (change.isEmpty()) {
            // Short: emptied, focus kept, no message.
            QVERIFY(c.cashReceived()->text().isEmpty());
            QTRY_COMPARE(QApplication::focusWidget(), c.cashReceived());
        } else {
            QCOMPARE(c.cashReceived()->text(), received);
            QCOMPARE(QApplication::focusWidget(), c.confirmButton());
        }
        QVERIFY(responder.shown().isEmpty());
        QVERIFY(c.window->isVisible());
    }

    void onlyDigitsAndPointAreTyped() {
        formkit::ScriptedResponder responder;
        Charging c;
        QVERIFY(c.ready());
        QTest::keyClicks(c.cashReceived(), "1a0-0 ,.5x");
        QCOMPARE(c.cashReceived()->text(), QString("100.5"));
        QTest::keyClick(c.cashReceived(), Qt::Key_Backspace);
        QCOMPARE(c.cashReceived()->text(), QString("100."));
        // Enter on an empty field does nothing.
        c.cashReceived()->clear();
        QTest::keyClick(c.cashReceived(), Qt::Key_Return);
        QVERIFY(c.changeLabel()->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), c.cashReceived());
        QVERIFY(responder.shown().isEmpty());
    }

    void confirmWithoutCashOrWithBadCashFinishesNothing() {
        formkit::ScriptedResponder responder;
        Charging c;
        QVERIFY(c.ready());
        QSignalSpy finished(c.window.get(), &ChargeWindow::saleFinished);
        QTest::mouseClick(c.confirmButton(), Qt::LeftButton);
        QCOMPARE(responder.shown(), QStringList{"请输入现收额！"});
        QCOMPARE(QApplication::focusWidget(), c.cashReceived());

        // A second point is not taken from the keys.
        responder.clear();
        QTest::keyClicks(c.cashReceived(), "1..2");
        QCOMPARE(c.cashReceived()->text(), QString("1.2"));
        // Text that is no number all the same (set by other means): the error
        // is shown and the text stays for the clerk to correct.
        c.cashReceived()->setText("1..2");
        QTest::keyClick(c.cashReceived(), Qt::Key_Return);
        const QString error = conversionError("1..2");
        QVERIFY(!error.isEmpty());
        QCOMPARE(responder.shown(), QStringList{error});
        QCOMPARE(c.cashReceived()->text(), QString("1..2"));
        QTRY_COMPARE(QApplication::focusWidget(), c.cashReceived());
        responder.clear();
        QTest::mouseClick(c.confirmButton(), Qt::LeftButton);
        QCOMPARE(responder.shown(), QStringList{error}); // once, not once per event
        QCOMPARE(c.cashReceived()->text(), QString("1..2"));

        // Short cash straight to confirm: emptied, nothing printed.
        responder.clear();
        c.cashReceived()->clear();
        QTest::keyClicks(c.cashReceived(), "50");
        QTest::mouseClick(c.confirmButton(), Qt::LeftButton);
        QVERIFY(responder.shown().isEmpty());
        QVERIFY(c.cashReceived()->text().isEmpty());
        QTRY_COMPARE(QApplication::focusWidget(), c.cashReceived());

        QCOMPARE(finished.count(), 0);
        QVERIFY(c.window->isVisible());
    }

    void confirmPrintsEmptiesTableAndCloses() {
        QTemporaryDir receipts;
        EnvGuard copies("TAVO_RECEIPT_PDF", receipts.path().toUtf8());
        formkit::ScriptedResponder responder;
        Charging c;
        QVERIFY(c.ready());
        QSignalSpy finished(c.window.get(), &ChargeWindow::saleFinished);
        QSignalSpy closed(c.window.get(), &ChargeWindow::closed);

        QTest::keyClicks(c.cashReceived(), "100");
        QTest::keyClick(c.cashReceived(), Qt::Key_Return);
        QCOMPARE(c.changeLabel()->text(), QString("12.5"));
        QCOMPARE(closed.count(), 0);
        QTest::keyClick(c.confirmButton(), Qt::Key_Return);

        QCOMPARE(finished.count(), 1);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!c.window->isVisible());
        QVERIFY(responder.shown().isEmpty());

        // The receipt carries the window's texts and this sale's bill number.
        const QStringList files = QDir(receipts.path()).entryList({"*.pdf"});
        QCOMPARE(files.size(), 1);
        QProcess pdftotext;
        pdftotext.start("pdftotext", {"-layout", receipts.filePath(files.first()), "-"});
        QVERIFY(pdftotext.waitForFinished(30000));
        // Folded: the text layer gives a few ideographs as look-alike radicals.
        const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput())
                                 .normalized(QString::NormalizationForm_KC);
        QVERIFY2(text.contains(QRegularExpression("现收\\s+100\\b")), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("找零\\s+12\\.5\\b")), qPrintable(text));
        QVERIFY2(
            text.contains(QRegularExpression("帐单流水号\\s+" + QString::number(c.bill) + "\\b")),
            qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("共计\\s+87\\.5\\b")), qPrintable(text));
        // Every charged line, although the sale table was emptied at the charge.
        QCOMPARE(c.linesLeft(), 0);
        for (const char* line : {"12.5\\s+2\\s+25", "3.5\\s+5\\s+17.5", "45\\s+1\\s+45"})
            QVERIFY2(text.contains(QRegularExpression(QString::fromLatin1(line))),
                     qPrintable(text));
    }
};

STORE_TEST_MAIN(TestChargeWindow)
#include "tst_charge_window.moc"
