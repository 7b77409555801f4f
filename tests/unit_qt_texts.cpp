// Qt's own texts on screen are Chinese like the programs' own.

#include "formkit/application.h"

#include <QAction>
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
};

int main(int argc, char** argv) {
    formkit::Application app(argc, argv);
    TestQtTexts test;
    return QTest::qExec(&test, argc, argv);
}
#include "unit_qt_texts.moc"
