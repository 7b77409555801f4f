#include "storedb/datalink.h"

#include "storedb/errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QStringDecoder>

namespace storedb {

namespace {

QString& programDirectoryOverride() {
    static QString folder;
    return folder;
}

QString decode(const QByteArray& content) {
    QString text;
    bool bad = false;
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
        // A cut-off last byte would otherwise be dropped without a word.
        bad = content.size() % 2 != 0;
        auto decoder = QStringDecoder(content.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                                     : QStringConverter::Utf16BE);
        text = decoder.decode(content.mid(2));
        bad = bad || decoder.hasError();
    } else {
        QByteArray bytes = content;
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes = bytes.mid(3);
        auto decoder = QStringDecoder(QStringConverter::Utf8);
        text = decoder.decode(bytes);
        bad = decoder.hasError();
    }
    // Qt's UTF-16 decoder passes a lone surrogate through without a word.
    if (bad || !text.isValidUtf16() || text.contains(QChar(0)))
        throw DataLinkError(
            QStringLiteral("link.udl: 文件内容不是有效的文本 (UTF-8 或带 BOM 的 UTF-16)"));
    return text;
}

// The start of a text read from the file, short enough for a message.
QString excerpt(const QString& text) {
    constexpr qsizetype kShown = 40;
    if (text.size() <= kShown)
        return text;
    // Never half a character outside the basic plane.
    const qsizetype cut = text.at(kShown - 1).isHighSurrogate() ? kShown - 1 : kShown;
    return text.left(cut) + QStringLiteral("…");
}

// Splits "Key=Value;Key=Value" into lower-case keys and values. A value may be
// quoted with " or ' (a doubled quote stands for itself), so that it can hold
// a ';' or blanks at its ends.
QMap<QString, QString> splitPairs(const QString& line) {
    QMap<QString, QString> pairs;
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype end = line.indexOf(QLatin1Char(';'), i);
        // Only this item is searched for its '=': a line of many ';' and no
        // '=' would otherwise be read once for every ';'.
        const qsizetype itemEnd = end < 0 ? n : end;
        qsizetype eq = QStringView(line).sliced(i, itemEnd - i).indexOf(QLatin1Char('='));
        if (eq < 0) {
            const QString item = line.mid(i, itemEnd - i).trimmed();
            if (!item.isEmpty())
                throw DataLinkError(QStringLiteral("link.udl: 无法理解“%1”").arg(excerpt(item)));
            i = end < 0 ? n : end + 1;
            continue;
        }
        eq += i;
        const QString key = line.mid(i, eq - i).trimmed().toLower();
        if (key.isEmpty())
            throw DataLinkError(QStringLiteral("link.udl: “=”前面缺少名称"));
        i = eq + 1;
        while (i < n && line.at(i).isSpace())
            ++i;
        QString value;
        if (i < n && (line.at(i) == QLatin1Char('"') || line.at(i) == QLatin1Char('\''))) {
            const QChar quote = line.at(i);
            bool closed = false;
            for (++i; i < n; ++i) {
                if (line.at(i) == quote) {
                    if (i + 1 < n && line.at(i + 1) == quote) {
                        value += quote;
                        ++i;
                    } else {
                        closed = true;
                        ++i;
                        break;
                    }
                } else {
                    value += line.at(i);
                }
            }
            if (!closed)
                throw DataLinkError(
                    QStringLiteral("link.udl: %1 的引号没有结束").arg(excerpt(key)));
            while (i < n && line.at(i).isSpace())
                ++i;
            if (i < n && line.at(i) != QLatin1Char(';'))
                throw DataLinkError(
                    QStringLiteral("link.udl: %1 的值在引号后还有文字").arg(excerpt(key)));
        } else {
            const qsizetype stop = end < 0 ? n : end;
            value = line.mid(i, stop - i).trimmed();
            i = stop;
        }
        if (i < n)
            ++i; // the ';'
        pairs.insert(key, value);
    }
    return pairs;
}

// A value as splitPairs reads it back.
QString quotedValue(const QString& value) {
    const bool plain = !value.contains(QLatin1Char(';')) && !value.startsWith(QLatin1Char('"')) &&
                       !value.startsWith(QLatin1Char('\'')) && value.trimmed() == value;
    if (plain)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString required(const QMap<QString, QString>& pairs, const QString& key) {
    // Values come trimmed unless quoted, and a quoted value keeps its blanks.
    const QString value = pairs.value(key.toLower());
    if (value.trimmed().isEmpty())
        throw DataLinkError(QStringLiteral("link.udl: 缺少 %1").arg(key));
    return value;
}

} // namespace

QString programDirectory() {
    QString folder = programDirectoryOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void setProgramDirectory(const QString& folder) {
    programDirectoryOverride() = folder;
}

QString dataLinkPath() {
    return programDirectory() + QStringLiteral("link.udl");
}

DataLink parseDataLink(const QByteArray& content, const QString& baseFolder) {
    const QString text = decode(content);
    QMap<QString, QString> pairs;
    bool sawPairs = false;
    for (QString line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.compare(QStringLiteral("[oledb]"), Qt::CaseInsensitive) == 0)
            continue;
        if (sawPairs)
            throw DataLinkError(QStringLiteral("link.udl: 连接描述只能有一行"));
        sawPairs = true;
        pairs = splitPairs(line);
    }
    if (!sawPairs)
        throw DataLinkError(QStringLiteral("link.udl: 没有连接描述"));

    const QString provider = required(pairs, QStringLiteral("Provider"));
    DataLink link;
    if (provider.compare(QStringLiteral("SQLite"), Qt::CaseInsensitive) == 0) {
        link.engine = Engine::SQLite;
        const QString file = required(pairs, QStringLiteral("Data Source"));
        link.dataSource = QDir::cleanPath(QDir(baseFolder).absoluteFilePath(file));
        return link;
    }
    if (provider.compare(QStringLiteral("PostgreSQL"), Qt::CaseInsensitive) == 0) {
        link.engine = Engine::PostgreSQL;
        link.dataSource = required(pairs, QStringLiteral("Data Source"));
        link.database = required(pairs, QStringLiteral("Initial Catalog"));
        link.user = pairs.value(QStringLiteral("user id"));
        link.password = pairs.value(QStringLiteral("password"));
        const QString port = pairs.value(QStringLiteral("port")).trimmed();
        if (!port.isEmpty()) {
            bool ok = false;
            link.port = port.toInt(&ok);
            if (!ok || link.port <= 0 || link.port > 65535)
                throw DataLinkError(QStringLiteral("link.udl: 端口“%1”无效").arg(excerpt(port)));
        }
        return link;
    }
    throw DataLinkError(QStringLiteral("link.udl: 不支持的数据库“%1”").arg(excerpt(provider)));
}

DataLink readDataLink(const QString& path) {
    QFile file(path);
    if (!file.exists())
        throw DataLinkError(QStringLiteral("找不到 %1").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw DataLinkError(QStringLiteral("无法读取 %1: %2")
                                .arg(QDir::toNativeSeparators(path), file.errorString()));
    return parseDataLink(file.readAll(), QFileInfo(path).absolutePath());
}

QString dataLinkText(const DataLink& link) {
    // Built by concatenation: a path may itself contain "%1".
    QString text =
        QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n");
    if (link.engine == Engine::SQLite)
        return text + QStringLiteral("Provider=SQLite;Data Source=") +
               quotedValue(link.dataSource) + QStringLiteral("\r\n");
    return text + QStringLiteral("Provider=PostgreSQL;Data Source=") +
           quotedValue(link.dataSource) + QStringLiteral(";Port=") + QString::number(link.port) +
           QStringLiteral(";Initial Catalog=") + quotedValue(link.database) +
           QStringLiteral(";User ID=") + quotedValue(link.user) + QStringLiteral(";Password=") +
           quotedValue(link.password) + QStringLiteral("\r\n");
}

} // namespace storedb
