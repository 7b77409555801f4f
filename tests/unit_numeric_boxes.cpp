// Numeric boxes take only what their keys would type, however text arrives.

#include "formkit/buttonkeys.h"
#include "formkit/keys.h"
#include "support/teststore.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>

using formkit::NumericKeys;
Q_DECLARE_METATYPE(NumericKeys)

namespace {

const QString kPrompt = QStringLiteral("输入删除的货物编号");
const int kWays = 5;

// Ctrl+V, Shift+Insert, paste(), the context menu's Paste, a drop.
void putText(QLineEdit* box, const QString& text, int way) {
    QGuiApplication::clipboard()->setText(text);
    if (way == 0)
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    if (way == 1)
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
    if (way == 2)
        box->paste();
    if (way == 3) {
        std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
        const QString paste = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        for (QAction* action : menu->actions()) {
            if (action->text().endsWith(QLatin1Char('\t') + paste))
                action->trigger();
        }
    }
    if (way == 4) {
        QMimeData mime;
        mime.setText(text);
        const QPoint end(box->width() - 2, box->height() / 2);
        QDragEnterEvent enter(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(end, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(box, &enter);
        QCoreApplication::sendEvent(box, &drop);
    }
}

} // namespace

class TestNumericBoxes : public QObject {
    Q_OBJECT

  private slots:
    void pastedText_data() {
        QTest::addColumn<NumericKeys>("keys");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        const auto row = [](const QByteArray& name, NumericKeys keys, const QString& before,
                            const QString& pasted, const QString& after) {
            QTest::newRow(name.constData()) << keys << before << pasted << after;
        };
        const auto price = NumericKeys::DigitsPointBackspaceEscape;
        for (auto keys : {price, NumericKeys::DigitsBackspaceEscape, NumericKeys::DigitsOnly}) {
            const QByteArray kind = QByteArray::number(int(keys)) + ' ';
            for (const char* refused : {"-5", "1e3", "12.5.3", "abc", " 12", "１２"})
                row(kind + refused, keys, {}, QString::fromUtf8(refused), {});
            row(kind + "12", keys, "7", "12", "712");
            row(kind + "12.5", keys, {}, "12.5", keys == price ? "12.5" : "");
        }
        row("second point", price, "3.5", ".", "3.5");
        row("over the prompt", price, kPrompt, "-5", kPrompt);
    }
    void pastedText() {
        QFETCH(NumericKeys, keys);
        QFETCH(QString, before);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        for (int way = 0; way < kWays; ++way) {
            QLineEdit box;
            formkit::installNumericFilter(&box, keys);
            box.setText(before); // by the program: always stands
            if (before == kPrompt)
                box.selectAll();
            putText(&box, pasted, way);
            QVERIFY2(box.text() == after,
                     qPrintable(QStringLiteral("way %1: %2").arg(way).arg(box.text())));
        }
    }

    // The goods box: letters and any visible text, no control character.
    void visibleTextBox_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("after");
        QTest::newRow("letters and more") << ""
                                          << "A-01 字"
                                          << "A-01 字";
        QTest::newRow("a control character") << "A"
                                             << "\x01B"
                                             << "A";
        QTest::newRow("a tab") << ""
                               << "A\tB"
                               << "";
        QTest::newRow("onto the program's text") << "7\x01"
                                                 << "X"
                                                 << "7\x01X";
    }
    void visibleTextBox() {
        QFETCH(QString, before);
        QFETCH(QString, pasted);
        QFETCH(QString, after);
        for (int way = 0; way < kWays; ++way) {
            QLineEdit box;
            formkit::installVisibleTextFilter(&box);
            box.setText(before);
            putText(&box, pasted, way);
            QVERIFY2(box.text() == after,
                     qPrintable(QStringLiteral("way %1: %2").arg(way).arg(box.text())));
        }
    }

    void keysWorkAsBefore() {
        QWidget window;
        auto* box = new QLineEdit(&window);
        auto* cancel = new QPushButton(&window);
        box->move(0, 40);
        formkit::installNumericFilter(box, NumericKeys::DigitsPointBackspaceEscape);
        formkit::installCancelButton(&window, cancel);
        formkit::chainEnter({box, cancel});
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClicks(box, QStringLiteral("-1.2.3a"));
        QCOMPARE(box->text(), QStringLiteral("1.23"));

        // On the program's prompt: Backspace shortens it, a digit goes on it,
        // Esc reaches the cancel button and Enter the next in the chain.
        box->setText(kPrompt);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_5);
        QCOMPARE(box->text(), kPrompt.chopped(1) + QLatin1Char('5'));
        QSignalSpy cancelled(cancel, &QPushButton::clicked);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(cancelled.size(), 1);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), cancel);

        // A digits-only box drops Backspace, as its keys always did.
        QLineEdit digits;
        formkit::installNumericFilter(&digits, NumericKeys::DigitsOnly);
        QTest::keyClicks(&digits, QStringLiteral("4.5"));
        QTest::keyClick(&digits, Qt::Key_Backspace);
        QCOMPARE(digits.text(), QStringLiteral("45"));
    }
};

STORE_TEST_MAIN(TestNumericBoxes)
#include "unit_numeric_boxes.moc"
