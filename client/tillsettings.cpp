#include "tillsettings.h"

#include "storedb/datalink.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>

namespace {
Q_LOGGING_CATEGORY(lcSettings, "orvani.settings")

int readInt(const QSettings& ini, const QString& key, int fallback, int low, int high) {
    if (!ini.contains(key))
        return fallback;
    bool ok = false;
    const int value = ini.value(key).toString().trimmed().toInt(&ok);
    if (ok && value >= low && value <= high)
        return value;
    qCWarning(lcSettings, "%s: %s=%s is not a number from %d to %d; %d is used",
              qPrintable(ini.fileName()), qPrintable(key), qPrintable(ini.value(key).toString()),
              low, high, fallback);
    return fallback;
}
} // namespace

QString TillSettings::path() {
    return QDir(storedb::programDirectory()).filePath(QStringLiteral("till.ini"));
}

TillSettings TillSettings::load() {
    return load(path());
}

TillSettings TillSettings::load(const QString& path) {
    TillSettings settings;
    if (!QFileInfo::exists(path))
        return settings;
    const QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError) {
        qCWarning(lcSettings, "%s cannot be read; the defaults are used", qPrintable(path));
        return settings;
    }
    settings.scanMaxKeyGapMs =
        readInt(ini, QStringLiteral("scanner/maxKeyGapMs"), settings.scanMaxKeyGapMs, 0, 1000);
    if (ini.contains(QStringLiteral("scaleLabel/layout")))
        settings.scaleLabelLayout =
            ini.value(QStringLiteral("scaleLabel/layout")).toString().trimmed();
    settings.receiptPrinter =
        ini.value(QStringLiteral("receiptPrinter/address")).toString().trimmed();
    const int width =
        readInt(ini, QStringLiteral("receiptPrinter/widthMm"), settings.receiptWidthMm, 58, 80);
    settings.receiptWidthMm = width == 58 ? 58 : 80;
    return settings;
}
