#pragma once

// The day report on paper: the X report (营业日报) or a Z (日结单), on A4 or
// on the 80 mm roll, laid out from the same sections.

#include "formkit/report.h"
#include "storedb/dayclose.h"
#include "storedb/dayreport.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>
#include <utility>

namespace admin {

// A heading and its figures, label and value.
struct DayReportSection {
    QString heading;
    QList<std::pair<QString, QString>> lines;
};

// What a printed day report says, every text as printed.
struct DayReportContent {
    QString shop;
    QString title;           // 营业日报 or 日结单 Z...
    QStringList headerLines; // the day, the Z's closing, the copy mark, when printed
    QList<DayReportSection> sections;
};

// A clerk's heading: number and, while the clerk is on the books, name.
QString clerkHeading(const QString& shyh, const QMap<QString, QString>& clerkNames);

// The content of the X report of `figures`, or of the Z `close` (a copy when
// printed again).
DayReportContent dayReportContent(const QString& shop, const storedb::DayFigures& figures,
                                  const std::optional<storedb::DayClose>& close, bool copy,
                                  const QDateTime& printedAt,
                                  const QMap<QString, QString>& clerkNames);

enum class DayReportPaper { A4, Roll80 };
formkit::Report dayReportLayout(const DayReportContent& content, DayReportPaper paper);

} // namespace admin
