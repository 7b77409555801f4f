#pragma once

#include "formkit/report.h"
#include "storedb/charge.h"
#include "storedb/company.h"
#include "storedb/saletable.h"

#include <QDateTime>
#include <QWidget>

namespace storedb {
class Db;
}
namespace Ui {
class Tdyform;
}

// The hidden holder of the receipt: created at program start, never shown.
// The charge window sets the received and change texts and then prints the
// sale it charged.
class Tdyform : public QWidget {
    Q_OBJECT
  public:
    explicit Tdyform(QWidget* parent = nullptr);
    ~Tdyform() override;

    // The cash received and the change, printed exactly as given.
    void setReceived(const QString& text);
    void setChange(const QString& text);

    // Prints the sale on the default printer at once, without a dialog;
    // without a printer nothing is printed and nothing reported. When
    // TAVO_RECEIPT_PDF names a folder, each receipt is also written there as a
    // PDF (a shop without a receipt printer, the demo).
    void print(const storedb::Db& db, const storedb::ChargedSale& sale);
    // The same receipt as a PDF file; false when the file cannot be written.
    bool writePdf(const storedb::Db& db, const storedb::ChargedSale& sale, const QString& path,
                  const QDateTime& printedAt = QDateTime::currentDateTime());
    // The receipt of the sale, laid out for its roll.
    formkit::Report receipt(const storedb::Db& db, const storedb::ChargedSale& sale,
                            const QDateTime& printedAt) const;

  private:
    Ui::Tdyform* ui = nullptr;
};
