#include "storedb/columntext.h"

#include "storedb/errors.h"
#include "storedb/saletable.h"
#include "storedb/terminal.h"

#include <algorithm>

namespace storedb {

QString normalizeCode(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

bool holdsControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

int columnCharacters(const QString& text) {
    return int(text.toUcs4().size());
}

void checkWidth(const QString& label, const QString& text, int width) {
    if (columnCharacters(text) > width)
        throw InvalidValueError(QStringLiteral("%1不能超过%2个字符！").arg(label).arg(width));
}

namespace {
// Words that name statements or clauses in SQL. The sale table's name is
// always quoted, so such a name would work, but no computer is called so: a
// name like this comes from a misconfigured or hostile machine.
bool reservedWord(const QString& name) {
    static const QStringList words{
        QStringLiteral("all"),          QStringLiteral("alter"),     QStringLiteral("and"),
        QStringLiteral("as"),           QStringLiteral("begin"),     QStringLiteral("between"),
        QStringLiteral("by"),           QStringLiteral("case"),      QStringLiteral("check"),
        QStringLiteral("column"),       QStringLiteral("commit"),    QStringLiteral("constraint"),
        QStringLiteral("create"),       QStringLiteral("cross"),     QStringLiteral("current_user"),
        QStringLiteral("default"),      QStringLiteral("delete"),    QStringLiteral("distinct"),
        QStringLiteral("drop"),         QStringLiteral("else"),      QStringLiteral("end"),
        QStringLiteral("exec"),         QStringLiteral("execute"),   QStringLiteral("exists"),
        QStringLiteral("foreign"),      QStringLiteral("from"),      QStringLiteral("grant"),
        QStringLiteral("group"),        QStringLiteral("having"),    QStringLiteral("in"),
        QStringLiteral("index"),        QStringLiteral("inner"),     QStringLiteral("insert"),
        QStringLiteral("into"),         QStringLiteral("is"),        QStringLiteral("join"),
        QStringLiteral("key"),          QStringLiteral("left"),      QStringLiteral("like"),
        QStringLiteral("limit"),        QStringLiteral("not"),       QStringLiteral("null"),
        QStringLiteral("offset"),       QStringLiteral("on"),        QStringLiteral("or"),
        QStringLiteral("order"),        QStringLiteral("outer"),     QStringLiteral("primary"),
        QStringLiteral("references"),   QStringLiteral("returning"), QStringLiteral("revoke"),
        QStringLiteral("right"),        QStringLiteral("rollback"),  QStringLiteral("select"),
        QStringLiteral("session_user"), QStringLiteral("set"),       QStringLiteral("table"),
        QStringLiteral("then"),         QStringLiteral("to"),        QStringLiteral("transaction"),
        QStringLiteral("trigger"),      QStringLiteral("truncate"),  QStringLiteral("union"),
        QStringLiteral("unique"),       QStringLiteral("update"),    QStringLiteral("user"),
        QStringLiteral("using"),        QStringLiteral("values"),    QStringLiteral("view"),
        QStringLiteral("when"),         QStringLiteral("where"),     QStringLiteral("with"),
    };
    return words.contains(name, Qt::CaseInsensitive);
}

// Pasted control characters are invisible in every list, so the row could
// never be typed again; PostgreSQL cannot store a NUL at all.
void checkVisible(const QString& label, const QString& text) {
    if (holdsControlCharacter(text))
        throw InvalidValueError(QStringLiteral("%1不能含有控制字符！").arg(label));
}

void checkNormalized(const QString& label, const QString& text) {
    if (normalizeCode(text) != text)
        throw InvalidValueError(QStringLiteral("%1的末尾不能有空格！").arg(label));
    checkVisible(label, text);
}
} // namespace

void checkNumber(const QString& label, const QString& text) {
    if (text.isEmpty())
        throw InvalidValueError(QStringLiteral("请输入%1！").arg(label));
    if (normalizeCode(text).isEmpty())
        throw InvalidValueError(QStringLiteral("%1不能全是空格！").arg(label));
    checkNormalized(label, text);
    checkWidth(label, text, kCodeWidth);
}

void checkName(const QString& label, const QString& text) {
    checkNormalized(label, text);
    checkWidth(label, text, kCodeWidth);
}

void checkText(const QString& label, const QString& text) {
    checkVisible(label, text);
    checkWidth(label, text, kCodeWidth);
}

void checkTerminalName(const QString& jsj) {
    checkSaleTableName(jsj);
    const bool plain = std::all_of(jsj.begin(), jsj.end(), [](QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
               c == QLatin1Char('.');
    });
    if (!plain)
        throw TerminalNameError(
            QStringLiteral("计算机名 %1 含有不能用于表名的字符,不能用作收款机!请更改计算机名.")
                .arg(jsj));
    if (reservedWord(jsj))
        throw TerminalNameError(
            QStringLiteral("计算机名 %1 是数据库的保留字,不能用作收款机!请更改计算机名.").arg(jsj));
}

void checkTillName(const QString& jsj) {
    const QString label = QStringLiteral("计算机名");
    if (jsj.isEmpty())
        throw InvalidValueError(QStringLiteral("请输入计算机名!"));
    // The till looks itself up by its trimmed computer name: a row under any
    // other text would never be found.
    if (trimTerminalName(jsj) != jsj)
        throw InvalidValueError(QStringLiteral("计算机名的前后不能有空格！"));
    checkWidth(label, jsj, kCodeWidth);
    checkTerminalName(jsj);
}

} // namespace storedb
