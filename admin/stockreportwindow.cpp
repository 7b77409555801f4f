#include "stockreportwindow.h"

#include "ui_stockreportwindow.h"

#include "session.h"

#include "formkit/hint.h"
#include "formkit/preview.h"
#include "formkit/toolwindow.h"
#include "storedb/company.h"

namespace admin {

namespace {

const QString kTitle = QStringLiteral("库存量分析");

// A4 with 5 mm margins: bands are 200.03 mm wide.
constexpr double kMargin = 5;
constexpr double kBandWidth = 200.03;
// Columns of the detail band, in mm from its left edge.
constexpr double kNameLeft = 17.20;
constexpr double kCategoryLeft = 93.13;
constexpr double kStockLeft = 155.57;
// A wrapped field keeps clear of the next column by this much.
constexpr double kColumnGap = 1;

// A field that wraps at word boundaries within its column, so that a long
// name pushes the next lines down instead of running into its neighbour.
formkit::ReportItem field(double left, double right, const QString& text) {
    formkit::ReportItem it = formkit::reportText(left, 0.26, text);
    it.width = right - left - kColumnGap;
    it.wordWrap = true;
    return it;
}

} // namespace

StockReportWindow::StockReportWindow(AdminSession& session, QWidget* parent)
    : QWidget(parent), session_(session), ui(new Ui::StockReportWindow) {
    ui->setupUi(this);
    formkit::makeToolWindow(this, QSize(611, 471), false);
}

StockReportWindow::~StockReportWindow() {
    delete ui;
}

void StockReportWindow::readRows(int sl) {
    storedb::Db& db = session_.db();
    rows_ = storedb::lowStockRows(db, sl);
    company_ = storedb::loadShopSettings(db).company;
}

formkit::Report StockReportWindow::prepare(const QDateTime& producedAt) const {
    formkit::Report report;
    report.pageSize = QPageSize(QPageSize::A4);
    report.orientation = QPageLayout::Portrait;
    report.margins = QMarginsF(kMargin, kMargin, kMargin, kMargin);
    report.font = formkit::reportFont(10);

    report.title =
        formkit::ReportBand{12.17,
                            {formkit::reportText(92.60, 0, kTitle),
                             formkit::reportText(17.46, 7.14, QStringLiteral("商品名")),
                             formkit::reportText(93.13, 7.14, QStringLiteral("商品类别名")),
                             formkit::reportText(155.84, 7.14, QStringLiteral("库存量"))}};
    report.details.reserve(rows_.size());
    for (const storedb::LowStockRow& row : rows_) {
        report.details.append(formkit::ReportBand{
            4.23,
            {field(kNameLeft, kCategoryLeft, row.hwm), field(kCategoryLeft, kStockLeft, row.hwlbm),
             field(kStockLeft, kBandWidth + kColumnGap, QString::number(row.kcl))}});
    }
    report.summary =
        formkit::ReportBand{12.70,
                            {formkit::reportText(17.46, 6.61, company_),
                             formkit::reportText(93.40, 6.88, formkit::clockText(producedAt))}};
    return report;
}

void StockReportWindow::preview(QWidget* parent) {
    formkit::previewReport(prepare(), kTitle, parent);
}

bool StockReportWindow::writePdf(const QString& path, const QDateTime& producedAt) const {
    return prepare(producedAt).writePdf(path);
}

} // namespace admin
