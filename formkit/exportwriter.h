#pragma once

// A list's rows written to a file that a spreadsheet opens: an Excel
// workbook (.xlsx) or CSV text. No widgets here, so that a long list is
// written on a thread of its own while its window goes on.

#include "storedb/background.h"

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <atomic>

namespace formkit {

enum class ExportFormat { Xlsx, Csv };

// The rows to write, one at a time.
class ExportRows {
  public:
    virtual ~ExportRows() = default;
    virtual QStringList titles() const = 0;
    // The next row, one value per title, valid until the next call; null
    // once every row has been read.
    virtual const QVariantList* next() = 0;
    // How many rows there are, when that is known before they are read.
    virtual qint64 total() const { return -1; }
};

// Rows read already (a grid's), the given columns of each, in that order.
class RowSetRows : public ExportRows {
  public:
    RowSetRows(storedb::RowSet rows, QList<int> columns, QStringList titles);
    explicit RowSetRows(storedb::RowSet rows); // every column, under its own name
    QStringList titles() const override { return titles_; }
    const QVariantList* next() override;
    qint64 total() const override { return rows_.rows.size(); }

  private:
    const storedb::RowSet rows_; // shared with the model it came from: only read
    QList<int> columns_;
    QStringList titles_;
    bool allColumns_ = false;
    qsizetype at_ = 0;
    QVariantList row_;
};

// A query's rows as its statement reads them (forward only), so that a
// million rows are never all held at once. Columns as for RowSetRows; with
// none given, every column under the name the query gives it.
class QueryRows : public ExportRows {
  public:
    explicit QueryRows(QSqlQuery query, QList<int> columns = {}, QStringList titles = {});
    QStringList titles() const override { return titles_; }
    const QVariantList* next() override;

  private:
    QSqlQuery query_;
    QList<int> columns_;
    QStringList titles_;
    QVariantList row_;
};

// Shared between the thread that writes and the window that watches it.
struct ExportProgress {
    std::atomic<qint64> rows{0};
    std::atomic_bool cancel{false};
};

struct ExportOutcome {
    enum Result { Written, Cancelled, Failed };
    Result result = Failed;
    qint64 rows = 0;
    QString error;    // why it failed, for the log
    QString userText; // and for the screen, in Chinese
};

// The most rows a worksheet takes below its header; more go on to further
// sheets, each with the header again.
inline constexpr qint64 kRowsPerSheet = 1048575;

struct ExportOptions {
    QString sheetName;    // .xlsx: the first sheet's name (the list's title)
    QList<double> widths; // .xlsx: the columns' widths in characters
    qint64 rowsPerSheet = kRowsPerSheet;
};

// Writes every row under a header row of the titles. The file is written
// beside its place and put there only once complete, so that a cancelled or
// failed export leaves no file, whole or part (a file that stood there stays
// as it was). An error while reading the rows (a lost server) fails it.
ExportOutcome writeExport(ExportRows& rows, ExportFormat format, const QString& path,
                          ExportProgress& progress, const ExportOptions& options = {});

// writeExport() with the rows read on this thread (the one whose connection
// runs their statement) while another thread writes them: reading a million
// rows and writing them each take seconds, and on two processors they go
// side by side.
ExportOutcome writeExportWhileReading(ExportRows& rows, ExportFormat format, const QString& path,
                                      ExportProgress& progress, const ExportOptions& options = {});

// A value as the lists show it in text (CSV, copies, print): numbers in the
// shortest form after rounding to the fen, moments as "yyyy-MM-dd" at
// midnight and "yyyy-MM-dd HH:mm:ss" otherwise, everything else as text.
QString cellText(const QVariant& value);

} // namespace formkit
