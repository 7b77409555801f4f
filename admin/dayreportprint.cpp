#include "dayreportprint.h"

#include "formkit/hint.h"

namespace admin {

namespace {

using storedb::fenText;

QString billRange(qint64 first, qint64 last) {
    if (first == 0)
        return QStringLiteral("-");
    return first == last ? QString::number(first)
                         : QString::number(first) + QStringLiteral(" - ") + QString::number(last);
}

QList<std::pair<QString, QString>> takingsLines(const storedb::TakingsFigures& f, bool clerk) {
    QList<std::pair<QString, QString>> lines{
        {QStringLiteral("销售笔数"), QString::number(f.sales)},
        {QStringLiteral("退货笔数"), QString::number(f.returns)},
        {QStringLiteral("销售额"), fenText(f.gross)},
        {QStringLiteral("退款"), fenText(f.refunds)},
        {QStringLiteral("净营业额"), fenText(f.net())},
        {QStringLiteral("备用金"), fenText(f.floats)},
        {QStringLiteral("上交"), fenText(f.handedIn)},
    };
    if (clerk) {
        lines << std::pair{QStringLiteral("结账应交"), fenText(f.settledOwed)}
              << std::pair{QStringLiteral("结账实收"), fenText(f.settledReceived)}
              << std::pair{QStringLiteral("结账差额"), fenText(f.settledDifference)}
              << std::pair{QStringLiteral("未交"), fenText(f.stillOwed)};
    }
    lines << std::pair{QStringLiteral("销售单号"), billRange(f.firstSale, f.lastSale)}
          << std::pair{QStringLiteral("退货单号"), billRange(f.firstReturn, f.lastReturn)};
    return lines;
}

QList<std::pair<QString, QString>> movementLines(const storedb::MovementFigures& m) {
    return {{QStringLiteral("笔数"), QString::number(m.rows)},
            {QStringLiteral("件数"), QString::number(m.pieces)},
            {QStringLiteral("金额"), fenText(m.value)}};
}

QList<std::pair<QString, QString>>
correctionLines(const QList<storedb::EarlierDayCorrection>& corrections) {
    QList<std::pair<QString, QString>> lines;
    for (const storedb::EarlierDayCorrection& c : corrections)
        lines << std::pair{QStringLiteral("%1 %2 第%3行")
                               .arg(c.day.toString(QStringLiteral("yyyy-MM-dd")), c.hwh)
                               .arg(c.bh),
                           fenText(c.amount)};
    return lines;
}

constexpr double kLine = 5; // mm

} // namespace

QString clerkHeading(const QString& shyh, const QMap<QString, QString>& clerkNames) {
    const QString name = clerkNames.value(shyh);
    return QStringLiteral("售货员 ") + shyh +
           (name.isEmpty() ? QString() : QLatin1Char(' ') + name);
}

DayReportContent dayReportContent(const QString& shop, const storedb::DayFigures& figures,
                                  const std::optional<storedb::DayClose>& close, bool copy,
                                  const QDateTime& printedAt,
                                  const QMap<QString, QString>& clerkNames) {
    DayReportContent content;
    content.shop = shop;
    content.title = close ? QStringLiteral("日结单 Z%1").arg(close->z, 6, 10, QLatin1Char('0'))
                          : QStringLiteral("营业日报");
    content.headerLines << QStringLiteral("营业日期 ") +
                               figures.day.toString(QStringLiteral("yyyy-MM-dd"));
    if (close) {
        content.headerLines << QStringLiteral("日结时间 %1  管理员 %2")
                                   .arg(formkit::clockText(close->closed), close->glyh);
    } else {
        content.headerLines << QStringLiteral("(未日结,仅供查看)");
    }
    if (copy)
        content.headerLines << QStringLiteral("重打(副本)");
    content.headerLines << QStringLiteral("打印时间 ") + formkit::clockText(printedAt);

    content.sections << DayReportSection{QStringLiteral("全店合计"),
                                         takingsLines(figures.total, true)};
    if (close)
        content.sections.last().lines
            << std::pair{QStringLiteral("累计净营业额"), fenText(close->grandTotal)};
    for (auto it = figures.tills.cbegin(); it != figures.tills.cend(); ++it)
        content.sections << DayReportSection{
            QStringLiteral("收款机 ") + (it.key().isEmpty() ? QStringLiteral("(未记)") : it.key()),
            takingsLines(it.value(), false)};
    for (auto it = figures.clerks.cbegin(); it != figures.clerks.cend(); ++it)
        content.sections << DayReportSection{clerkHeading(it.key(), clerkNames),
                                             takingsLines(it.value(), true)};
    content.sections
        << DayReportSection{QStringLiteral("后台入库"), movementLines(figures.stockIns)}
        << DayReportSection{QStringLiteral("后台出库"), movementLines(figures.stockOuts)}
        << DayReportSection{
               QStringLiteral("更正与调价"),
               {{QStringLiteral("更正次数"), QString::number(figures.changes.corrections)},
                {QStringLiteral("调价次数"), QString::number(figures.changes.priceChanges)}}};
    if (!figures.changes.earlierDays.isEmpty())
        content.sections << DayReportSection{QStringLiteral("当日对以前日期的更正"),
                                             correctionLines(figures.changes.earlierDays)};
    if (close && !close->closedDayCorrections.isEmpty())
        content.sections << DayReportSection{QStringLiteral("对已日结日期的更正"),
                                             correctionLines(close->closedDayCorrections)};
    return content;
}

formkit::Report dayReportLayout(const DayReportContent& content, DayReportPaper paper) {
    formkit::Report report;
    report.font = formkit::reportFont(paper == DayReportPaper::A4 ? 10 : 9);
    // A4: three figures a line; the roll: one.
    const bool a4 = paper == DayReportPaper::A4;
    const int perLine = a4 ? 3 : 1;
    const double column = a4 ? 63 : 70;
    const double valueAt = a4 ? 30 : 40;

    formkit::ReportBand title{kLine * (2 + content.headerLines.size()), {}};
    title.items << formkit::reportText(0, 0, content.shop)
                << formkit::reportText(0, kLine, content.title);
    for (qsizetype i = 0; i < content.headerLines.size(); ++i)
        title.items << formkit::reportText(0, kLine * double(2 + i), content.headerLines[i]);
    report.title = title;

    double length = title.height;
    for (const DayReportSection& section : content.sections) {
        const qsizetype rows = (section.lines.size() + perLine - 1) / perLine;
        formkit::ReportBand band{kLine * double(rows + 1) + 2, {}};
        band.items << formkit::reportText(
            0, 1, QStringLiteral("【") + section.heading + QStringLiteral("】"));
        for (qsizetype i = 0; i < section.lines.size(); ++i) {
            const double left = column * double(i % perLine);
            const double top = 1 + kLine * double(1 + i / perLine);
            band.items << formkit::reportText(left, top, section.lines[i].first)
                       << formkit::reportText(left + valueAt, top, section.lines[i].second);
        }
        length += band.height;
        report.details << band;
    }
    if (a4) {
        report.pageSize = QPageSize(QPageSize::A4);
        report.margins = QMarginsF(15, 15, 15, 15);
    } else {
        // The roll is as long as the report.
        report.pageSize = formkit::Report::customPageSize(80, length + 12);
        report.margins = QMarginsF(4, 5, 4, 5);
    }
    return report;
}

} // namespace admin
