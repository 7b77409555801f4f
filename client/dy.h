#pragma once

#include "formkit/report.h"
#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/saletable.h"

#include <QDateTime>
#include <QWidget>
#include <optional>

namespace storedb {
class Db;
}
namespace Ui {
class Tdyform;
}

// The hidden holder of the receipt: created at program start, never shown.
// The charge window sets the received and change texts and then prints the
// till's open sale.
class Tdyform : public QWidget {
    Q_OBJECT
  public:
    explicit Tdyform(QWidget* parent = nullptr);
    ~Tdyform() override;

    Ui::Tdyform* ui = nullptr;

    // The cash received and the change, printed exactly as given.
    void setReceived(const QString& text);
    void setChange(const QString& text);
    // The bill number of the sale being printed. Without it the receipt takes
    // the settings row's last number, which another till may already have
    // moved on. Printing forgets it, so each sale sets its own.
    void setBillNumber(qint64 bill);

    // Prints the terminal's sale lines on the default printer at once, without
    // a dialog; without a printer nothing is printed and nothing reported.
    // When TAVO_RECEIPT_PDF names a folder, each receipt is also written there
    // as a PDF (a shop without a receipt printer, the demo).
    void print(const storedb::Db& db, const QString& terminal);
    // The same receipt as a PDF file; false when the file cannot be written.
    bool writePdf(const storedb::Db& db, const QString& terminal, const QString& path,
                  const QDateTime& printedAt = QDateTime::currentDateTime());
    // The receipt of the terminal's sale lines, laid out for its roll.
    formkit::Report receipt(const storedb::Db& db, const QString& terminal,
                            const QDateTime& printedAt) const;

  private:
    formkit::Report layOut(const QList<storedb::SaleLine>& lines,
                           const storedb::ShopSettings& company, qint64 bill,
                           const QDateTime& printedAt) const;
    std::optional<qint64> bill_;
};

extern Tdyform* dyform;
