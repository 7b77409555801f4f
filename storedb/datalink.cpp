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

QString& programDirectoryOverride()
{
    static QString folder;
    return folder;
}

QString decode(const QByteArray& content)
{
    if (content.startsWith("\xFF\xFE") || content.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(content.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                                      : QStringConverter::Utf16BE);
        QString text = decoder.decode(content.mid(2));
        if (decoder.hasError())
            throw DataLinkError(QStringLiteral("link.udl: 文件内容不是有效的 UTF-16 文本"));
        return text;
    }
    QByteArray bytes = content;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.mid(3);
    auto decoder = QStringDecoder(QStringConverter::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || text.contains(QChar(0)))
        throw DataLinkError(QStringLiteral("link.udl: 文件内容不是有效的文本 (UTF-8 或带 BOM 的 UTF-16)"));
    return text;
}

QString required(const QMap<QString, QString>& pairs, const QString& key)
{
    const QString value = pairs.value(key.toLower()).trimmed();
    if (value.isEmpty())
        throw DataLinkError(QStringLiteral("link.udl: 缺少 %1").arg(key));
    return value;
}

} // namespace

QString programDirectory()
{
    QString folder = programDirectoryOverride();
    if (folder.isEmpty())
        folder = QCoreApplication::applicationDirPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void setProgramDirectory(const QString& folder)
{
    programDirectoryOverride() = folder;
}

QString dataLinkPath()
{
    return programDirectory() + QStringLiteral("link.udl");
}

DataLink parseDataLink(const QByteArray& content, const QString& baseFolder)
{
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
        for (const QString& item : line.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const qsizetype eq = item.indexOf(QLatin1Char('='));
            if (eq <= 0)
                throw DataLinkError(QStringLiteral("link.udl: 无法理解“%1”").arg(item.trimmed()));
            QString value = item.mid(eq + 1).trimmed();
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            pairs.insert(item.left(eq).trimmed().toLower(), value);
        }
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
        link.user = pairs.value(QStringLiteral("user id")).trimmed();
        link.password = pairs.value(QStringLiteral("password"));
        const QString port = pairs.value(QStringLiteral("port")).trimmed();
        if (!port.isEmpty()) {
            bool ok = false;
            link.port = port.toInt(&ok);
            if (!ok || link.port <= 0 || link.port > 65535)
                throw DataLinkError(QStringLiteral("link.udl: 端口“%1”无效").arg(port));
        }
        return link;
    }
    throw DataLinkError(QStringLiteral("link.udl: 不支持的数据库“%1”").arg(provider));
}

DataLink readDataLink(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        throw DataLinkError(QStringLiteral("找不到 %1").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw DataLinkError(QStringLiteral("无法读取 %1: %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    return parseDataLink(file.readAll(), QFileInfo(path).absolutePath());
}

QString dataLinkText(const DataLink& link)
{
    QString text = QStringLiteral("[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n");
    if (link.engine == Engine::SQLite)
        return text + QStringLiteral("Provider=SQLite;Data Source=%1\r\n").arg(link.dataSource);
    return text + QStringLiteral("Provider=PostgreSQL;Data Source=%1;Port=%2;Initial Catalog=%3;User ID=%4;Password=%5\r\n")
                      .arg(link.dataSource)
                      .arg(link.port)
                      .arg(link.database, link.user, link.password);
}

} // namespace storedb
