#pragma once

// The one way a list leaves the screen, the same for every list of the back
// office: 导出 to an Excel workbook (.xlsx) or to CSV, 打印 through the
// report preview (and PDF from there), and Ctrl+C for the selected rows with
// the titles above them. Always every row of the list, never only the rows
// on screen. A long export runs on a thread of its own with its progress
// shown and a "取消" that leaves no file behind; the window goes on.
//
// A window makes one call per list and gives it a button to open its menu:
//     formkit::offerExport(ui->settlementsGrid, windowTitle())->attachButton(ui->ExportButton1);
// The grid's context menu offers the same.

#include "formkit/exportwriter.h"
#include "storedb/background.h"
#include "storedb/connection.h"

#include <QObject>
#include <QPointer>
#include <QSqlQuery>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QProgressDialog;
class QTableView;
class QTimer;
class QToolButton;
class QWidget;

namespace formkit {

// A model may give a cell's value for export under this role where the text
// it shows is made for the eye ("12.50" shown, 12.5 exported).
inline constexpr int kExportRole = Qt::UserRole + 0x4558;

class GridExport : public QObject {
    Q_OBJECT
  public:
    // The list's statement run again for the export on a connection of its
    // own (a list that reads page by page holds only some of its rows). Run
    // it with Db::execForward, so that its rows are not all kept as read.
    using Query = std::function<QSqlQuery(const storedb::Db&)>;
    // Rows made when asked, on the window's thread (figures beside a chart).
    using Rows = std::function<storedb::RowSet()>;

    GridExport(QWidget* widget, QTableView* grid, QString title, Query query, Rows rows);
    ~GridExport() override;

    // The name files and printouts are given (the window's title).
    void setTitle(const QString& title) { title_ = title; }
    const QString& title() const { return title_; }

    QMenu* menu() const { return menu_; }
    // A "导出/打印" button that opens the menu: made for the window to place,
    // or the window's own (from its designer file) made into one.
    QToolButton* makeButton(QWidget* parent, const QString& objectName) const;
    void attachButton(QToolButton* button) const;

    // What the menu's entries do. The exports ask for a file first.
    void exportXlsx();
    void exportCsv();
    void print();
    void copy();
    bool isExporting() const { return bool(job_); }

  private:
    struct Table; // what the list holds, read when an action starts
    struct Job;   // an export or a read for printing, under way

    Table table() const;
    void exportAs(ExportFormat format);
    void start(std::unique_ptr<Job> job);
    void watch();
    void finished();
    void printRows(const Table& table, storedb::RowSet rows);
    void setActionsEnabled(bool enabled);

    QWidget* widget_;
    QPointer<QTableView> grid_;
    QString title_;
    Query query_;
    Rows rows_;
    QMenu* menu_ = nullptr;
    QList<QAction*> actions_;
    std::unique_ptr<Job> job_;
    QTimer* watcher_ = nullptr;
    QPointer<QProgressDialog> progress_;
};

// The grid's own rows: every row its model holds (a model that fetches as
// it scrolls is read to the end), the columns it shows in the order shown,
// under its titles. Ctrl+C copies the selected rows, whole-row selection
// extended to several rows.
GridExport* offerExport(QTableView* grid, const QString& title);
// The grid's statement run again (see GridExport::Query) under the grid's
// titles: the query's columns are the grid's model's columns.
GridExport* offerExport(QTableView* grid, const QString& title, GridExport::Query query);
// Rows that no grid shows as they are (a chart's figures): the menu on the
// widget; Ctrl+C there copies every row.
GridExport* offerExport(QWidget* widget, const QString& title, GridExport::Rows rows);

} // namespace formkit
