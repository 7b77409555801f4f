#pragma once

#include "formkit/report.h"
#include "receiptcontent.h"
#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/salereturn.h"
#include "storedb/saletable.h"

#include <QDateTime>
#include <QWidget>
#include <memory>
#include <optional>

namespace storedb {
class Db;
}
namespace Ui {
class ReceiptWindow;
}
class EscPosPrinter;
class QPrinterInfo;

// The hidden holder of the receipt: created at program start, never shown.
// The charge window sets the received and change texts and then prints the
// sale it charged. It keeps the last receipt for printing it again.
class ReceiptWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ReceiptWindow(QWidget* parent = nullptr);
    ~ReceiptWindow() override;

    // Receipts go to the ESC/POS printer at `address` (a device such as
    // /dev/usb/lp0, or host:port) on a roll `widthMm` wide (80 or 58); an
    // empty address keeps them on the print queue.
    void usePrinter(const QString& address, int widthMm);

    // The cash received and the change, printed exactly as given.
    void setReceived(const QString& text);
    void setChange(const QString& text);

    // Prints the sale without a dialog. On an ESC/POS printer the job also
    // opens the cash drawer and runs off the window's thread: a failure comes
    // back as a message. Otherwise it goes to the default printer at once;
    // without a printer nothing is printed and nothing reported. When
    // TAVO_RECEIPT_PDF names a folder, each receipt is also written there as a
    // PDF (a shop without a receipt printer, the demo). `clerk` names who took
    // the cash, for the drawer's log.
    void print(const storedb::Db& db, const storedb::ChargedSale& sale,
               const QString& clerk = QString());
    // The slip of a booked return (退货单), delivered as a receipt is; on an
    // ESC/POS printer the drawer opens for the refund.
    void printReturn(const storedb::Db& db, const storedb::BookedReturn& booked,
                     const QString& clerk = QString());
    // The last receipt or slip printed again, marked as a copy, without opening the
    // drawer; a message when there is none.
    void reprint();
    // Opens the cash drawer of the ESC/POS printer for the clerk; a message
    // when the till has none.
    void openDrawer(const QString& clerk);

    // The same receipt as a PDF file; false when the file cannot be written.
    bool writePdf(const storedb::Db& db, const storedb::ChargedSale& sale, const QString& path,
                  const QDateTime& printedAt = QDateTime::currentDateTime());
    // The receipt of the sale, laid out for its roll.
    formkit::Report receipt(const storedb::Db& db, const storedb::ChargedSale& sale,
                            const QDateTime& printedAt) const;
    // What the receipt of the sale says.
    ReceiptContent content(const storedb::Db& db, const storedb::ChargedSale& sale,
                           const QDateTime& printedAt) const;
    ReceiptContent content(const storedb::Db& db, const storedb::BookedReturn& booked,
                           const QDateTime& printedAt) const;
    static formkit::Report layout(const ReceiptContent& content);

  private:
    void deliver(const ReceiptContent& content, bool openDrawer);
    void printOnQueue(const formkit::Report& report, const QPrinterInfo& printerInfo,
                      const QString& bill);
    void writeCopy(const formkit::Report& report, const ReceiptContent& content);

    Ui::ReceiptWindow* ui = nullptr;
    std::unique_ptr<EscPosPrinter> escPos_;
    int rollWidthMm_ = 80;
    std::optional<ReceiptContent> last_;
};
