#include "handinslip.h"

#include "formkit/preview.h"
#include "storedb/company.h"
#include "storedb/procedures.h"

#include <QDir>
#include <QLoggingCategory>

namespace admin {

namespace {

Q_LOGGING_CATEGORY(lcHandInSlip, "orvani.printer")

const QString kTitle = QStringLiteral("交款单");

// Columns, in mm from the band's left edge (A4, 15 mm margins: 180 mm wide).
constexpr double kMargin = 15;
constexpr double kTillLeft = 0;
constexpr double kSignOnLeft = 60;
constexpr double kDueLeft = 120;
constexpr double kLine = 6;

formkit::ReportItem item(double left, double top, const QString& text, double width = 0) {
    formkit::ReportItem it;
    it.left = left;
    it.top = top;
    it.text = text;
    it.width = width;
    it.wordWrap = width > 0;
    return it;
}

QString money(double value) {
    return QString::number(value == 0 ? 0.0 : value, 'f', 2);
}

QString clerkText(const QString& number, const QString& name) {
    return name.isEmpty() ? number : number + QLatin1Char(' ') + name;
}

} // namespace

std::optional<HandInSlip> readHandInSlip(const storedb::Db& db, qint64 id) {
    std::optional<storedb::SettlementRecord> settlement = storedb::settlementRecord(db, id);
    if (!settlement)
        return std::nullopt;
    HandInSlip slip;
    slip.company = storedb::loadShopSettings(db).company;
    slip.shym = storedb::clerkName(db, settlement->shyh).value_or(QString());
    if (const auto administrator = storedb::glydl(db, settlement->glyh))
        slip.glym = administrator->glym;
    slip.settlement = std::move(*settlement);
    return slip;
}

formkit::Report handInSlipReport(const HandInSlip& slip) {
    const storedb::SettlementRecord& s = slip.settlement;
    formkit::Report report;
    report.pageSize = QPageSize(QPageSize::A4);
    report.orientation = QPageLayout::Portrait;
    report.margins = QMarginsF(kMargin, kMargin, kMargin, kMargin);
    report.font = formkit::reportFont(11);

    formkit::ReportItem company = item(0, 0, slip.company, 180);
    company.font = formkit::reportFont(14);
    formkit::ReportItem title = item(80, 9, kTitle);
    title.font = formkit::reportFont(14);
    report.title = formkit::ReportBand{
        52,
        {company, title, item(0, 20, QStringLiteral("单号: %1").arg(s.id)),
         item(90, 20,
              QStringLiteral("时间: %1")
                  .arg(s.settled.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))),
         item(0, 20 + kLine, QStringLiteral("售货员: %1").arg(clerkText(s.shyh, slip.shym)), 88),
         item(90, 20 + kLine, QStringLiteral("管理员: %1").arg(clerkText(s.glyh, slip.glym)), 88),
         item(kTillLeft, 44, QStringLiteral("收款机")),
         item(kSignOnLeft, 44, QStringLiteral("签到时间")),
         item(kDueLeft, 44, QStringLiteral("应交金额"))}};
    report.details.reserve(s.shifts.size());
    for (const storedb::OwedShift& shift : s.shifts) {
        report.details.append(formkit::ReportBand{
            kLine,
            {item(kTillLeft, 0, shift.jsj.toString(), kSignOnLeft - kTillLeft - 2),
             item(kSignOnLeft, 0, shift.dlsj.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
             item(kDueLeft, 0, money(shift.due))}});
    }
    report.summary = formkit::ReportBand{
        50,
        {item(kSignOnLeft, 4, QStringLiteral("应交金额")), item(kDueLeft, 4, money(s.owed)),
         item(kSignOnLeft, 4 + kLine, QStringLiteral("实收金额")),
         item(kDueLeft, 4 + kLine, money(s.received)),
         item(kSignOnLeft, 4 + 2 * kLine, QStringLiteral("差额")),
         item(kDueLeft, 4 + 2 * kLine, money(s.difference)),
         item(0, 36, QStringLiteral("交款人签字:")), item(90, 36, QStringLiteral("收款人签字:"))}};
    return report;
}

void printHandInSlip(const HandInSlip& slip, QWidget* parent) {
    const formkit::Report report = handInSlipReport(slip);
    const QString copyFolder = qEnvironmentVariable("TAVO_RECEIPT_PDF");
    if (!copyFolder.isEmpty()) {
        // A copy is a convenience: failing to write it must not stop the slip.
        QDir().mkpath(copyFolder);
        const QString path = QDir(copyFolder)
                                 .filePath(QStringLiteral("handin-%1-%2.pdf")
                                               .arg(slip.settlement.id)
                                               .arg(QDateTime::currentDateTime().toString(
                                                   QStringLiteral("yyyyMMdd-HHmmss"))));
        if (!report.writePdf(path))
            qCWarning(lcHandInSlip, "hand-in slip %lld: cannot write %s", slip.settlement.id,
                      qPrintable(path));
    }
    formkit::previewReport(report, QStringLiteral("%1 %2").arg(kTitle).arg(slip.settlement.id),
                           parent);
}

} // namespace admin
