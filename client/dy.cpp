#include "dy.h"

#include "ui_dy.h"

#include "formkit/hint.h"
#include "storedb/charge.h"
#include "storedb/numtext.h"
#include "storedb/saletable.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// The receipt roll and its layout, in millimetres.
constexpr double kRollWidth = 80;
constexpr double kRollLength = 150.02;
constexpr double kMargin = 5;

formkit::ReportItem item(double left, double top, const QString& text) {
    formkit::ReportItem it;
    it.left = left;
    it.top = top;
    it.text = text;
    return it;
}

// A goods name wraps within its column instead of running into the price.
formkit::ReportItem nameItem(const QString& text) {
    formkit::ReportItem it = item(0.53, -0.79, text);
    it.width = 21;
    it.wordWrap = true;
    return it;
}

} // namespace

Tdyform::Tdyform(QWidget* parent) : QWidget(parent), ui(new Ui::Tdyform) {
    ui->setupUi(this);
}

Tdyform::~Tdyform() {
    delete ui;
}

void Tdyform::setReceived(const QString& text) {
    ui->xs->setText(text);
}

void Tdyform::setChange(const QString& text) {
    ui->zl->setText(text);
}

formkit::Report Tdyform::receipt(const storedb::Db& db, const storedb::ChargedSale& sale,
                                 const QDateTime& printedAt) const {
    const storedb::ShopSettings company = storedb::loadShopSettings(db);
    formkit::Report report;
    report.pageSize = formkit::Report::customPageSize(kRollWidth, kRollLength);
    report.orientation = QPageLayout::Portrait;
    report.margins = QMarginsF(kMargin, kMargin, kMargin, kMargin);
    report.font = formkit::reportFont(10);

    report.title = formkit::ReportBand{
        10.58,
        {item(20.11, -0.79, company.company), item(0.26, 5.29, QStringLiteral("货物名")),
         item(20.90, 5.29, QStringLiteral("单价")), item(38.89, 5.29, QStringLiteral("数量")),
         item(55.30, 5.29, QStringLiteral("价格"))}};
    for (const storedb::SaleLine& line : sale.lines) {
        report.details.append(formkit::ReportBand{
            4.23,
            {nameItem(line.hwm), item(22.23, -0.79, storedb::numberText(line.dj)),
             item(41.01, -0.79, QString::number(line.sl)),
             item(56.09, -0.79, storedb::numberText(line.jg))}});
    }
    report.summary = formkit::ReportBand{
        33.34,
        {item(0.53, 0.26, QStringLiteral("共计")),
         item(9.00, 0.26, storedb::numberText(sale.total)),
         item(0.53, 5.03, QStringLiteral("现收")), item(9.26, 5.03, ui->xs->text()),
         item(0.53, 10.05, QStringLiteral("找零")), item(9.26, 10.05, ui->zl->text()),
         item(0.53, 16.67, QStringLiteral("帐单流水号")),
         item(20.11, 16.67, QString::number(sale.bill)), item(20.11, 22.23, company.welcome),
         item(0, 26.99, formkit::clockText(printedAt))}};
    return report;
}

bool Tdyform::writePdf(const storedb::Db& db, const storedb::ChargedSale& sale, const QString& path,
                       const QDateTime& printedAt) {
    return receipt(db, sale, printedAt).writePdf(path);
}

void Tdyform::print(const storedb::Db& db, const storedb::ChargedSale& sale) {
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    const QString copyFolder = qEnvironmentVariable("TAVO_RECEIPT_PDF");
    if (printerInfo.isNull() && copyFolder.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const formkit::Report report = receipt(db, sale, now);
    const QString bill = QString::number(sale.bill);

    if (!printerInfo.isNull()) {
        QPrinter printer(printerInfo, QPrinter::HighResolution);
        printer.setCopyCount(1);
        printer.setDocName(QStringLiteral("帐单 %1").arg(bill));
        if (!report.render(&printer))
            qWarning("receipt %s: the printer %s did not accept it", qPrintable(bill),
                     qPrintable(printerInfo.printerName()));
    }
    if (!copyFolder.isEmpty()) {
        // A copy is a convenience: failing to write it must not stop the sale.
        QDir().mkpath(copyFolder);
        const QString path =
            QDir(copyFolder)
                .filePath(QStringLiteral("receipt-%1-%2.pdf")
                              .arg(bill, now.toString(QStringLiteral("yyyyMMdd-HHmmss"))));
        if (!report.writePdf(path))
            qWarning("receipt %s: cannot write %s", qPrintable(bill), qPrintable(path));
    }
}
