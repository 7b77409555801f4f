#include "storedb/datetime.h"

namespace storedb {

namespace {
const QString kFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
}

QVariant dateParam(const QDate& date) {
    if (!date.isValid())
        return QVariant(QMetaType::fromType<QString>());
    return QDateTime(date, QTime(0, 0)).toString(kFormat);
}

QVariant dateTimeParam(const QDateTime& moment) {
    if (!moment.isValid())
        return QVariant(QMetaType::fromType<QString>());
    return moment.toString(kFormat);
}

QDateTime readDateTime(const QVariant& value) {
    if (value.isNull())
        return {};
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.metaType().id() == QMetaType::QDate)
        return QDateTime(value.toDate(), QTime(0, 0));
    const QString text = value.toString();
    QDateTime parsed = QDateTime::fromString(text, kFormat);
    if (!parsed.isValid())
        parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        parsed = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    return parsed;
}

} // namespace storedb
