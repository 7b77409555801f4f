#pragma once

// What a hostile or careless user puts into a box, and the ways it gets
// there: typed key by key, pasted, or set by the program (a row picked from a
// list). feedAll() runs one box through all of it and checks that whatever
// the window shows is Chinese and none of a driver's or the toolkit's words.

#include "formkit/messages.h"
#include "storedb/columntext.h"
#include "storedb/connection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QList>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <functional>
#include <utility>

namespace testsupport {

inline QList<std::pair<const char*, QString>> corpus() {
    return {
        {"empty", QString()},
        {"blanks", QStringLiteral("   ")},
        {"huge number", QStringLiteral("99999999999999999999")},
        {"largest int", QStringLiteral("2147483647")},
        {"past int", QStringLiteral("2147483648")},
        {"negative", QStringLiteral("-5")},
        {"full-width digits", QStringLiteral("１２３")},
        {"10000 digits", QString(10000, QLatin1Char('9'))},
        {"10000 characters", QString(10000, QChar(0x5B57))},
        {"sql", QStringLiteral("1';drop table jqb;--")},
        {"double quotes", QStringLiteral("\"x\" or \"1\"=\"1\"")},
        {"control characters", QStringLiteral("8\x01\x02\x7f\x1f8")},
        {"nul", QStringLiteral("7") + QChar(0) + QStringLiteral("7")},
        {"two points", QStringLiteral("1.2.3")},
    };
}

inline bool hasCjk(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

// Words of a driver's or the toolkit's own error text, never for the screen.
inline bool driverText(const QString& text) {
    static const QStringList words{"ERROR",  "error:",   "Unable to",         "QSQLITE", "QPSQL",
                                   "syntax", "violates", "constraint failed", "locked"};
    return std::any_of(words.begin(), words.end(),
                       [&](const QString& w) { return text.contains(w, Qt::CaseInsensitive); });
}

inline bool controlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

inline void typeKeys(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->clear();
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

inline void pasteIn(QLineEdit* box, const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    box->setFocus();
    box->clear();
    box->paste();
}

inline void setIn(QLineEdit* box, const QString& text) {
    box->setText(text);
}

struct Feed {
    const char* how;
    void (*put)(QLineEdit*, const QString&);
};
inline constexpr Feed kFeeds[] = {{"keys", typeKeys}, {"paste", pasteIn}, {"set", setIn}};

// Feeds every corpus text every way into `box`, runs `act`, and checks what
// was shown; `check` then checks the store, given what the box held when the
// action ran. `prepare` runs first each time, after the responder is cleared.
inline void
feedAll(formkit::ScriptedResponder& responder, QLineEdit* box, const std::function<void()>& prepare,
        const std::function<void()>& act,
        const std::function<void(const QString& held, const QByteArray& where)>& check) {
    for (const auto& [tag, text] : corpus()) {
        for (const Feed& feed : kFeeds) {
            // Ten thousand key presses per box would only slow the run.
            if (text.size() > 100 && feed.put == typeKeys)
                continue;
            const QByteArray where = QByteArray(box->window()->metaObject()->className()) + "/" +
                                     box->objectName().toLatin1() + " " + tag + " by " + feed.how;
            responder.clear();
            prepare();
            if (QTest::currentTestFailed())
                return;
            feed.put(box, text);
            const QString held = box->text();
            act();
            for (const QString& shown : responder.shown()) {
                QVERIFY2(hasCjk(shown) && !driverText(shown),
                         (where + ": " + shown.left(200).toUtf8()).constData());
            }
            check(held, where);
            if (QTest::currentTestFailed())
                return;
        }
    }
}

// The tables of the store, sorted: none may appear or vanish through a box.
inline QStringList tables(storedb::Db& db) {
    const QString sql = db.isSQLite()
                            ? QStringLiteral("select name from sqlite_master where type='table'")
                            : QStringLiteral("select table_name from information_schema.tables "
                                             "where table_schema=current_schema()");
    QSqlQuery q = db.exec(QStringLiteral("tables"), sql);
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    names.sort();
    return names;
}

// A number or name as the store keeps them: no blanks at the end, no control
// characters, at most 50 characters; a number is not empty.
inline void verifyStoredText(const QString& text, bool number, const QByteArray& where) {
    QVERIFY2(!number || !text.trimmed().isEmpty(), where);
    QVERIFY2(storedb::normalizeCode(text) == text, where);
    QVERIFY2(!controlCharacter(text), where);
    QVERIFY2(storedb::columnCharacters(text) <= storedb::kCodeWidth, where);
}

} // namespace testsupport
