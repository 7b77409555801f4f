#include "receiptwindow.h"

#include "ui_receiptwindow.h"

#include "escposprinter.h"
#include "escposreceipt.h"

#include "formkit/hint.h"
#include "formkit/messages.h"
#include "storedb/charge.h"
#include "storedb/numtext.h"
#include "storedb/saletable.h"

#include <QDir>
#include <QLoggingCategory>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

Q_LOGGING_CATEGORY(lcPrinter, "orvani.printer")

QString failureText(const QString& printer, const QString& cause) {
    return QStringLiteral("小票打印失败: 打印机 %1 %2。本单已收费记账,请检查打印机后按F8重打小票。")
        .arg(printer, cause);
}

// The receipt roll and its layout, in millimetres.
constexpr double kRollWidth = 80;
constexpr double kRollLength = 150.02;
constexpr double kMargin = 5;

// A goods name wraps within its column instead of running into the price.
formkit::ReportItem nameItem(const QString& text) {
    formkit::ReportItem it = formkit::reportText(0.53, -0.79, text);
    it.width = 21;
    it.wordWrap = true;
    return it;
}

// What a receipt and a return slip print alike.
ReceiptContent contentOf(const storedb::Db& db, const QList<storedb::SaleLine>& lines, double total,
                         qint64 bill, const QDateTime& printedAt) {
    const storedb::ShopSettings company = storedb::loadShopSettings(db);
    ReceiptContent content;
    content.shop = company.company;
    for (const storedb::SaleLine& line : lines)
        content.lines.append({line.hwm, storedb::numberText(line.dj), QString::number(line.sl),
                              storedb::numberText(line.jg)});
    content.total = storedb::numberText(total);
    content.bill = QString::number(bill);
    content.closing = company.welcome;
    content.printedAt = formkit::clockText(printedAt);
    return content;
}

} // namespace

ReceiptWindow::ReceiptWindow(QWidget* parent) : QWidget(parent), ui(new Ui::ReceiptWindow) {
    ui->setupUi(this);
}

ReceiptWindow::~ReceiptWindow() {
    delete ui;
}

void ReceiptWindow::setReceived(const QString& text) {
    ui->receivedLabel->setText(text);
}

void ReceiptWindow::setChange(const QString& text) {
    ui->changeLabel->setText(text);
}

ReceiptContent ReceiptWindow::content(const storedb::Db& db, const storedb::ChargedSale& sale,
                                      const QDateTime& printedAt) const {
    ReceiptContent content = contentOf(db, sale.lines, sale.total, sale.bill, printedAt);
    content.received = ui->receivedLabel->text();
    content.change = ui->changeLabel->text();
    return content;
}

ReceiptContent ReceiptWindow::content(const storedb::Db& db, const storedb::BookedReturn& booked,
                                      const QDateTime& printedAt) const {
    ReceiptContent content = contentOf(db, booked.lines, booked.amount, booked.num, printedAt);
    content.original = QString::number(booked.original);
    return content;
}

formkit::Report ReceiptWindow::layout(const ReceiptContent& content) {
    formkit::Report report;
    report.pageSize = formkit::Report::customPageSize(kRollWidth, kRollLength);
    report.orientation = QPageLayout::Portrait;
    report.margins = QMarginsF(kMargin, kMargin, kMargin, kMargin);
    report.font = formkit::reportFont(10);

    // Each mark under the shop's name moves the heading a line down.
    const QStringList marks = receiptMarks(content);
    const double heading = 5.29 * (1 + marks.size());
    report.title =
        formkit::ReportBand{heading + 5.29,
                            {formkit::reportText(20.11, -0.79, content.shop),
                             formkit::reportText(0.26, heading, QStringLiteral("货物名")),
                             formkit::reportText(20.90, heading, QStringLiteral("单价")),
                             formkit::reportText(38.89, heading, QStringLiteral("数量")),
                             formkit::reportText(55.30, heading, QStringLiteral("价格"))}};
    for (qsizetype i = 0; i < marks.size(); ++i)
        report.title->items.append(formkit::reportText(20.11, 5.29 * double(i + 1), marks[i]));
    for (const ReceiptContent::Line& line : content.lines) {
        report.details.append(
            formkit::ReportBand{4.23,
                                {nameItem(line.name), formkit::reportText(22.23, -0.79, line.price),
                                 formkit::reportText(41.01, -0.79, line.quantity),
                                 formkit::reportText(56.09, -0.79, line.amount)}});
    }
    // The labels' values stand clear of the longest label of each kind.
    const bool slip = !content.original.isEmpty();
    const QList<std::pair<QString, QString>> figures = receiptFigures(content);
    const QList<double> rows{0.26, 5.03, 10.05, 16.67};
    const QList<double> valueAt =
        slip ? QList<double>{9.00, 26.46, 20.11} : QList<double>{9.00, 9.26, 9.26, 20.11};
    report.summary = formkit::ReportBand{33.34, {}};
    for (qsizetype i = 0; i < figures.size(); ++i) {
        report.summary->items << formkit::reportText(0.53, rows[i], figures[i].first)
                              << formkit::reportText(valueAt[i], rows[i], figures[i].second);
    }
    report.summary->items << formkit::reportText(20.11, 22.23, content.closing)
                          << formkit::reportText(0, 26.99, content.printedAt);
    return report;
}

formkit::Report ReceiptWindow::receipt(const storedb::Db& db, const storedb::ChargedSale& sale,
                                       const QDateTime& printedAt) const {
    return layout(content(db, sale, printedAt));
}

bool ReceiptWindow::writePdf(const storedb::Db& db, const storedb::ChargedSale& sale,
                             const QString& path, const QDateTime& printedAt) {
    return receipt(db, sale, printedAt).writePdf(path);
}

void ReceiptWindow::usePrinter(const QString& address, int widthMm) {
    rollWidthMm_ = widthMm == 58 ? 58 : 80;
    if (address.isEmpty())
        escPos_.reset();
    else if (!escPos_ || escPos_->address() != address)
        escPos_ = std::make_unique<EscPosPrinter>(address);
}

void ReceiptWindow::print(const storedb::Db& db, const storedb::ChargedSale& sale,
                          const QString& clerk) {
    last_ = content(db, sale, QDateTime::currentDateTime());
    if (escPos_)
        qCInfo(lcPrinter, "cash drawer opened with bill %s for clerk %s", qPrintable(last_->bill),
               qPrintable(clerk));
    deliver(*last_, true);
}

void ReceiptWindow::printReturn(const storedb::Db& db, const storedb::BookedReturn& booked,
                                const QString& clerk) {
    last_ = content(db, booked, QDateTime::currentDateTime());
    if (escPos_)
        qCInfo(lcPrinter, "cash drawer opened with return %s of bill %s for clerk %s",
               qPrintable(last_->bill), qPrintable(last_->original), qPrintable(clerk));
    deliver(*last_, true);
}

void ReceiptWindow::reprint() {
    if (!last_) {
        formkit::showMessage(QStringLiteral("没有可以重打的小票！"));
        return;
    }
    ReceiptContent copy = *last_;
    copy.copy = true;
    qCInfo(lcPrinter, "receipt %s printed again", qPrintable(copy.bill));
    deliver(copy, false);
}

void ReceiptWindow::openDrawer(const QString& clerk) {
    if (!escPos_) {
        formkit::showMessage(QStringLiteral(
            "本机没有设置ESC/POS小票打印机,钱箱无法打开！请通知管理员设置till.ini。"));
        return;
    }
    const QString address = escPos_->address();
    qCInfo(lcPrinter, "cash drawer opened by clerk %s", qPrintable(clerk));
    escPos_->send({escpos::drawerJob(), false, {}}, [address](const PrintOutcome& outcome) {
        if (outcome.ok())
            return;
        qCWarning(lcPrinter, "cash drawer: the printer %s failed: %s", qPrintable(address),
                  qPrintable(outcome.detail));
        formkit::showMessage(QStringLiteral("钱箱打开失败: 打印机 %1 %2。请检查打印机。")
                                 .arg(address, outcome.causeText()));
    });
}

void ReceiptWindow::deliver(const ReceiptContent& content, bool openDrawer) {
    std::optional<formkit::Report> report;
    const auto laidOut = [&]() -> const formkit::Report& {
        if (!report)
            report = layout(content);
        return *report;
    };
    if (escPos_) {
        EscPosPrinter::Job job{escpos::receiptJob(content, rollWidthMm_, openDrawer), true,
                               openDrawer ? escpos::drawerJob() : QByteArray()};
        const QString address = escPos_->address();
        const QString bill = content.bill;
        escPos_->send(std::move(job), [address, bill](const PrintOutcome& outcome) {
            if (outcome.ok())
                return;
            qCWarning(lcPrinter, "receipt %s: the printer %s failed: %s", qPrintable(bill),
                      qPrintable(address), qPrintable(outcome.detail));
            formkit::showMessage(failureText(address, outcome.causeText()));
        });
    } else {
        const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
        if (!printerInfo.isNull())
            printOnQueue(laidOut(), printerInfo, content.bill);
    }
    if (!qEnvironmentVariableIsEmpty("TAVO_RECEIPT_PDF"))
        writeCopy(laidOut(), content);
}

void ReceiptWindow::printOnQueue(const formkit::Report& report, const QPrinterInfo& printerInfo,
                                 const QString& bill) {
    QPrinter printer(printerInfo, QPrinter::HighResolution);
    printer.setCopyCount(1);
    printer.setDocName(QStringLiteral("帐单 %1").arg(bill));
    if (!report.render(&printer)) {
        qCWarning(lcPrinter, "receipt %s: the printer %s did not accept it", qPrintable(bill),
                  qPrintable(printerInfo.printerName()));
        formkit::showMessage(failureText(printerInfo.printerName(), QStringLiteral("无法打印")));
    }
}

void ReceiptWindow::writeCopy(const formkit::Report& report, const ReceiptContent& content) {
    // A copy is a convenience: failing to write it must not stop the sale.
    const QString copyFolder = qEnvironmentVariable("TAVO_RECEIPT_PDF");
    QDir().mkpath(copyFolder);
    const QString path =
        QDir(copyFolder)
            .filePath(
                QStringLiteral("%1-%2-%3%4.pdf")
                    .arg(content.original.isEmpty() ? QStringLiteral("receipt")
                                                    : QStringLiteral("return"),
                         content.bill,
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                         content.copy ? QStringLiteral("-copy") : QString()));
    if (!report.writePdf(path))
        qCWarning(lcPrinter, "receipt %s: cannot write %s", qPrintable(content.bill),
                  qPrintable(path));
}
