#include "storedb/columntext.h"

#include "storedb/errors.h"
#include "storedb/saletable.h"
#include "storedb/terminal.h"

namespace storedb {

QString normalizeCode(const QString& text) {
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).isSpace())
        --end;
    return text.left(end);
}

int columnCharacters(const QString& text) {
    return int(text.toUcs4().size());
}

void checkWidth(const QString& label, const QString& text, int width) {
    if (columnCharacters(text) > width)
        throw InvalidValueError(QStringLiteral("%1不能超过%2个字符！").arg(label).arg(width));
}

namespace {
void checkNormalized(const QString& label, const QString& text) {
    if (normalizeCode(text) != text)
        throw InvalidValueError(QStringLiteral("%1的末尾不能有空格！").arg(label));
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

void checkTillName(const QString& jsj) {
    const QString label = QStringLiteral("计算机名");
    if (jsj.isEmpty())
        throw InvalidValueError(QStringLiteral("请输入计算机名!"));
    // The till looks itself up by its trimmed computer name: a row under any
    // other text would never be found.
    if (trimTerminalName(jsj) != jsj)
        throw InvalidValueError(QStringLiteral("计算机名的前后不能有空格！"));
    checkWidth(label, jsj, kCodeWidth);
    checkSaleTableName(jsj);
}

} // namespace storedb
