#pragma once

#include "formkit/report.h"
#include "storedb/stocklevel.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QWidget>

namespace admin {

class AdminSession;

namespace Ui {
class StockReportWindow;
}

// The holder of the stock level report; the window itself is never shown.
// The caller reads the rows for a level first; the report then lays out
// exactly those rows until they are read again.
class StockReportWindow : public QWidget {
    Q_OBJECT
  public:
    explicit StockReportWindow(AdminSession& session, QWidget* parent = nullptr);
    ~StockReportWindow() override;

    // Reads the goods at or below the level and the store's name.
    void readRows(int sl);
    // The report of the rows read, dated as given.
    formkit::Report prepare(const QDateTime& producedAt = QDateTime::currentDateTime()) const;
    // Shows the report in a print preview; returns when that is closed.
    void preview(QWidget* parent = nullptr);
    // The report as a PDF file; false when the file cannot be written.
    bool writePdf(const QString& path,
                  const QDateTime& producedAt = QDateTime::currentDateTime()) const;

  private:
    AdminSession& session_;
    Ui::StockReportWindow* ui = nullptr;
    QList<storedb::LowStockRow> rows_;
    QString company_;
};

} // namespace admin
