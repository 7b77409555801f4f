#include "formkit/gridexport.h"

#include "formkit/busy.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/preview.h"
#include "formkit/report.h"
#include "formkit/rowsetmodel.h"
#include "storedb/datamodule.h"
#include "storedb/errors.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <optional>

namespace formkit {

namespace {

const QString kNothingToExport = QStringLiteral("列表中没有记录！");
// A statement of an export reads for as long as its rows are written.
constexpr int kStatementTimeoutMs = 30 * 60 * 1000;
constexpr int kWatchMs = 100;
// Quicker exports show only the busy cursor.
constexpr qint64 kProgressDelayMs = 400;
// A list this long makes a thick printout: asked first.
constexpr qsizetype kAskBeforePrinting = 3000;
// Grid pixels per character of a spreadsheet column.
constexpr double kPixelsPerCharacter = 7;

// The folder the last export went to: the next one proposes it.
QString& lastFolder() {
    static QString folder;
    return folder;
}

QString proposedFolder() {
    if (!lastFolder().isEmpty() && QDir(lastFolder()).exists())
        return lastFolder();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QDir(documents).exists() ? documents : QDir::homePath();
}

// The list's title and the day, without what a file name may not hold.
QString proposedName(const QString& title) {
    QString name = title.trimmed();
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar& c : name) {
        if (forbidden.contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    if (name.isEmpty())
        name = QStringLiteral("导出");
    return name + QLatin1Char('_') + QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

QString askPath(QWidget* parent, ExportFormat format, const QString& title) {
    const bool xlsx = format == ExportFormat::Xlsx;
    const QString suffix = xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv");
    QFileDialog dialog(parent,
                       xlsx ? QStringLiteral("导出为Excel文件") : QStringLiteral("导出为CSV文件"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(xlsx ? QStringLiteral("Excel 工作簿 (*.xlsx)")
                              : QStringLiteral("CSV 文件(逗号分隔) (*.csv)"));
    dialog.setDefaultSuffix(suffix);
    // Asked below through the program's own question, as every question is.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(proposedFolder());
    dialog.selectFile(proposedName(title) + QLatin1Char('.') + suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    QString path = dialog.selectedFiles().constFirst();
    if (!path.endsWith(QLatin1Char('.') + suffix, Qt::CaseInsensitive))
        path += QLatin1Char('.') + suffix;
    if (QFileInfo::exists(path) &&
        !askYesNo(
            QStringLiteral("文件 %1 已经存在,要替换它吗？").arg(QDir::toNativeSeparators(path))))
        return {};
    lastFolder() = QFileInfo(path).absolutePath();
    return path;
}

QAction* addAction(QMenu* menu, QList<QAction*>& actions, const QString& text, const char* name) {
    auto* action = menu->addAction(text);
    action->setObjectName(QString::fromLatin1(name));
    actions << action;
    return action;
}

// A copied cell stays in its cell when pasted into a spreadsheet.
QString copiedText(const QVariant& value) {
    QString text = cellText(value);
    for (QChar& c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return text;
}

QVariant exportValue(const QAbstractItemModel* model, const QModelIndex& index) {
    const QVariant value = model->data(index, kExportRole);
    return value.isValid() ? value : model->data(index, Qt::DisplayRole);
}

// Every row read, as the thread that reads them reports them.
storedb::RowSet readAll(ExportRows& rows, ExportProgress& progress) {
    storedb::RowSet set;
    set.columns = rows.titles();
    while (const QVariantList* row = rows.next()) {
        if (progress.cancel)
            break;
        set.rows << *row;
        if ((set.rows.size() & 1023) == 0)
            progress.rows = set.rows.size();
    }
    progress.rows = set.rows.size();
    return set;
}

// The rows as a list on paper: the title and count once, the column titles
// at the top of every page, the cells wrapped within their columns.
Report listReport(const QString& title, const QList<int>& pixelWidths,
                  const storedb::RowSet& rows) {
    Report report;
    const qsizetype columns = rows.columns.size();
    QList<double> weights;
    double sum = 0;
    for (qsizetype c = 0; c < columns; ++c) {
        const int pixels = c < pixelWidths.size() ? pixelWidths.at(c) : 0;
        weights << std::max(30, pixels > 0 ? pixels : 80);
        sum += weights.last();
    }
    if (sum > 650 || columns > 7)
        report.orientation = QPageLayout::Landscape;
    report.margins = QMarginsF(10, 10, 10, 10);
    report.font = reportFont(9);
    const QRectF sheet = QPageLayout(report.pageSize, report.orientation, QMarginsF())
                             .fullRect(QPageLayout::Millimeter);
    const double usable = sheet.width() - report.margins.left() - report.margins.right();
    QList<double> lefts;
    QList<double> widths;
    double left = 0;
    for (const double weight : std::as_const(weights)) {
        lefts << left;
        widths << usable * weight / sum;
        left += widths.last();
    }
    const auto cellItem = [&](qsizetype c, const QString& text) {
        ReportItem item = reportText(lefts.at(c), 0, text, widths.at(c) - 1.5);
        item.wordWrap = true;
        return item;
    };

    ReportBand head;
    head.height = 16;
    QFont big = reportFont(14);
    big.setBold(true);
    ReportItem name = reportText(0, 0, title);
    name.font = big;
    head.items << name;
    head.items << reportText(
        0, 9,
        QStringLiteral("共 %1 行    打印时间 %2")
            .arg(rows.rows.size())
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
    report.title = head;

    ReportBand titles;
    titles.height = 7;
    QFont bold = report.font;
    bold.setBold(true);
    for (qsizetype c = 0; c < columns; ++c) {
        ReportItem item = cellItem(c, rows.columns.at(c));
        item.font = bold;
        titles.items << item;
    }
    report.pageHeader = titles;

    report.details.reserve(rows.rows.size());
    for (const QVariantList& row : rows.rows) {
        ReportBand band;
        band.height = 5.5;
        for (qsizetype c = 0; c < columns && c < row.size(); ++c) {
            const QString text = cellText(row.at(c));
            if (!text.isEmpty())
                band.items << cellItem(c, text);
        }
        report.details << band;
    }
    return report;
}

} // namespace

struct GridExport::Table {
    QStringList titles;
    QList<int> columns; // of the model, or of the statement's rows
    QList<int> pixelWidths;
    std::optional<storedb::RowSet> rows; // none: the statement runs again
};

struct GridExport::Job {
    enum Kind { Export, ReadForPrint };
    Kind kind = Export;
    ExportFormat format = ExportFormat::Xlsx;
    QString path;
    Table table;
    Query query;
    storedb::DataLink link;
    QString connectionName;
    ExportProgress progress;
    ExportOutcome outcome;
    storedb::RowSet read; // ReadForPrint
    QElapsedTimer clock;
    QThread* thread = nullptr;

    void run() {
        try {
            std::unique_ptr<storedb::Db> db;
            std::unique_ptr<ExportRows> rows;
            if (table.rows) {
                rows = std::make_unique<RowSetRows>(*table.rows, table.columns, table.titles);
            } else {
                db = storedb::openBackgroundConnection(link, connectionName, kStatementTimeoutMs);
                rows = std::make_unique<QueryRows>(query(*db), table.columns, table.titles);
            }
            if (kind == Export) {
                ExportOptions options;
                options.sheetName = QFileInfo(path).completeBaseName();
                for (const int pixels : std::as_const(table.pixelWidths))
                    options.widths << pixels / kPixelsPerCharacter;
                // A statement's rows are read here while another thread writes.
                outcome = table.rows
                              ? writeExport(*rows, format, path, progress, options)
                              : writeExportWhileReading(*rows, format, path, progress, options);
            } else {
                read = readAll(*rows, progress);
                outcome.result =
                    progress.cancel ? ExportOutcome::Cancelled : ExportOutcome::Written;
                outcome.rows = read.rows.size();
            }
        } catch (const storedb::Error& e) {
            outcome.result = ExportOutcome::Failed;
            outcome.error = e.text();
            outcome.userText = e.userText();
        } catch (const std::exception& e) {
            outcome.result = ExportOutcome::Failed;
            outcome.error = QString::fromLocal8Bit(e.what());
            outcome.userText = storedb::kStatementFailed;
        }
    }
};

GridExport::GridExport(QWidget* widget, QTableView* grid, QString title, Query query, Rows rows)
    : QObject(widget), widget_(widget), grid_(grid), title_(std::move(title)),
      query_(std::move(query)), rows_(std::move(rows)), menu_(new QMenu(widget)),
      watcher_(new QTimer(this)) {
    menu_->setObjectName(QStringLiteral("ExportMenu"));
    QAction* xlsx =
        addAction(menu_, actions_, QStringLiteral("导出为Excel文件(.xlsx)..."), "ExportXlsxAction");
    QAction* csv =
        addAction(menu_, actions_, QStringLiteral("导出为CSV文件..."), "ExportCsvAction");
    QAction* print =
        addAction(menu_, actions_, QStringLiteral("打印预览(可存为PDF)..."), "PrintListAction");
    actions_ << menu_->addSeparator();
    QAction* copy = addAction(menu_, actions_,
                              grid ? QStringLiteral("复制选中的行") : QStringLiteral("复制全部"),
                              "CopyRowsAction");
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (grid) {
        QAction* all = addAction(menu_, actions_, QStringLiteral("全选"), "SelectAllRowsAction");
        all->setShortcut(QKeySequence::SelectAll);
        all->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(all, &QAction::triggered, grid, &QTableView::selectAll);
    }
    // The menu's entries are the widget's context menu; their keys work
    // while it has the focus.
    widget->addActions(actions_);
    widget->setContextMenuPolicy(Qt::ActionsContextMenu);

    const QString where = QStringLiteral("%1/export").arg(widget->window()->objectName());
    connect(xlsx, &QAction::triggered, this,
            [this, where] { runGuarded(where, [this] { exportXlsx(); }); });
    connect(csv, &QAction::triggered, this,
            [this, where] { runGuarded(where, [this] { exportCsv(); }); });
    connect(print, &QAction::triggered, this,
            [this, where] { runGuarded(where, [this] { this->print(); }); });
    connect(copy, &QAction::triggered, this,
            [this, where] { runGuarded(where, [this] { this->copy(); }); });

    watcher_->setInterval(kWatchMs);
    connect(watcher_, &QTimer::timeout, this, &GridExport::watch);
}

GridExport::~GridExport() {
    if (job_) {
        // Nothing of it is wanted now: the writer removes its part file.
        job_->progress.cancel = true;
        job_->thread->wait();
        delete job_->thread;
    }
}

QToolButton* GridExport::makeButton(QWidget* parent, const QString& objectName) const {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    attachButton(button);
    return button;
}

void GridExport::attachButton(QToolButton* button) const {
    button->setText(QStringLiteral("导出/打印"));
    button->setToolTip(QStringLiteral("把列表的全部记录导出为Excel或CSV文件、打印或复制"));
    button->setMenu(menu_);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setFocusPolicy(Qt::StrongFocus);
}

void GridExport::setActionsEnabled(bool enabled) {
    for (QAction* action : std::as_const(actions_))
        action->setEnabled(enabled);
}

GridExport::Table GridExport::table() const {
    Table table;
    if (!grid_) {
        table.rows = rows_();
        for (qsizetype c = 0; c < table.rows->columns.size(); ++c)
            table.columns << int(c);
        table.titles = table.rows->columns;
        return table;
    }
    QAbstractItemModel* model = grid_->model();
    if (!model)
        return table;
    const QHeaderView* header = grid_->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (column < 0 || grid_->isColumnHidden(column))
            continue;
        table.columns << column;
        table.titles << model->headerData(column, Qt::Horizontal).toString();
        table.pixelWidths << grid_->columnWidth(column);
    }
    if (query_)
        return table;
    if (const auto* shown = qobject_cast<const RowSetModel*>(model)) {
        table.rows = shown->rowSet(); // shared, not copied
        return table;
    }
    // Any other model: its values, read to the end, under the shown columns'
    // own numbers.
    const BusyCursor busy;
    while (model->canFetchMore({}))
        model->fetchMore({});
    storedb::RowSet rows;
    rows.columns = table.titles;
    const int count = model->rowCount();
    rows.rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        QVariantList row;
        row.reserve(table.columns.size());
        for (const int column : std::as_const(table.columns))
            row << exportValue(model, model->index(r, column));
        rows.rows << row;
    }
    for (qsizetype c = 0; c < table.columns.size(); ++c)
        table.columns[c] = int(c);
    table.rows = std::move(rows);
    return table;
}

void GridExport::exportXlsx() {
    exportAs(ExportFormat::Xlsx);
}

void GridExport::exportCsv() {
    exportAs(ExportFormat::Csv);
}

void GridExport::exportAs(ExportFormat format) {
    if (job_)
        return;
    Table table = this->table();
    if (table.titles.isEmpty() || (table.rows && table.rows->rows.isEmpty())) {
        showMessage(kNothingToExport);
        return;
    }
    const QString path = askPath(widget_->window(), format, title_);
    if (path.isEmpty())
        return;
    auto job = std::make_unique<Job>();
    job->kind = Job::Export;
    job->format = format;
    job->path = path;
    job->table = std::move(table);
    start(std::move(job));
}

void GridExport::print() {
    if (job_)
        return;
    Table table = this->table();
    if (table.titles.isEmpty() || (table.rows && table.rows->rows.isEmpty())) {
        showMessage(kNothingToExport);
        return;
    }
    // Rows read already are printed at once; a statement's are read beside.
    if (table.rows) {
        RowSetRows rows(*table.rows, table.columns, table.titles);
        ExportProgress progress;
        printRows(table, readAll(rows, progress));
        return;
    }
    auto job = std::make_unique<Job>();
    job->kind = Job::ReadForPrint;
    job->table = std::move(table);
    start(std::move(job));
}

void GridExport::copy() {
    QList<QVariantList> rows;
    QStringList titles;
    if (!grid_) {
        const storedb::RowSet set = rows_();
        titles = set.columns;
        rows = set.rows;
    } else {
        const QAbstractItemModel* model = grid_->model();
        const QItemSelectionModel* selection = grid_->selectionModel();
        if (!model || !selection)
            return;
        QList<int> picked;
        for (const QModelIndex& index : selection->selectedRows())
            picked << index.row();
        if (picked.isEmpty() && grid_->currentIndex().isValid())
            picked << grid_->currentIndex().row();
        std::sort(picked.begin(), picked.end());
        const QHeaderView* header = grid_->horizontalHeader();
        QList<int> columns;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int column = header->logicalIndex(visual);
            if (column >= 0 && !grid_->isColumnHidden(column)) {
                columns << column;
                titles << model->headerData(column, Qt::Horizontal).toString();
            }
        }
        for (const int r : std::as_const(picked)) {
            QVariantList row;
            for (const int column : std::as_const(columns))
                row << exportValue(model, model->index(r, column));
            rows << row;
        }
    }
    if (rows.isEmpty())
        return;
    QString text;
    const auto appendLine = [&text](const QStringList& cells) {
        text += cells.join(QLatin1Char('\t'));
        text += QLatin1Char('\n');
    };
    appendLine(titles);
    for (const QVariantList& row : std::as_const(rows)) {
        QStringList cells;
        for (const QVariant& value : row)
            cells << copiedText(value);
        appendLine(cells);
    }
    QGuiApplication::clipboard()->setText(text);
}

void GridExport::start(std::unique_ptr<Job> job) {
    job->query = query_;
    job->link = storedb::DataModule::dataLink();
    job->connectionName = QStringLiteral("export %1").arg(quintptr(job.get()), 0, 16);
    job->clock.start();
    Job* running = job.get();
    job->thread = QThread::create([running] { running->run(); });
    job->thread->setObjectName(QStringLiteral("export"));
    connect(job->thread, &QThread::finished, this, &GridExport::finished);
    job_ = std::move(job);
    setActionsEnabled(false);
    widget_->window()->setCursor(Qt::BusyCursor);
    watcher_->start();
    job_->thread->start();
}

void GridExport::watch() {
    if (!job_)
        return;
    const qint64 rows = job_->progress.rows;
    const qint64 total = job_->table.rows ? job_->table.rows->rows.size() : -1;
    if (!progress_ && job_->clock.elapsed() >= kProgressDelayMs) {
        progress_ = new QProgressDialog(QString(), QStringLiteral("取消"), 0, 0, widget_->window());
        progress_->setObjectName(QStringLiteral("ExportProgress"));
        progress_->setWindowTitle(title_);
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setMinimumDuration(0);
        if (total > 0)
            progress_->setMaximum(int(std::min<qint64>(total, INT_MAX)));
        connect(progress_, &QProgressDialog::canceled, this, [this] {
            if (!job_)
                return;
            job_->progress.cancel = true;
            progress_->setLabelText(QStringLiteral("正在取消..."));
        });
        progress_->show();
    }
    if (!progress_ || job_->progress.cancel)
        return;
    const QString what =
        job_->kind == Job::Export ? QStringLiteral("导出") : QStringLiteral("读取");
    if (total > 0) {
        progress_->setValue(int(std::min(rows, total)));
        progress_->setLabelText(
            QStringLiteral("正在%1,已完成 %2 / %3 行...").arg(what).arg(rows).arg(total));
    } else {
        progress_->setLabelText(QStringLiteral("正在%1,已完成 %2 行...").arg(what).arg(rows));
    }
}

void GridExport::finished() {
    if (!job_)
        return;
    std::unique_ptr<Job> job = std::move(job_);
    job->thread->wait();
    delete job->thread;
    job->thread = nullptr;
    watcher_->stop();
    if (progress_) {
        progress_->hide();
        progress_->deleteLater();
        progress_ = nullptr;
    }
    widget_->window()->unsetCursor();
    setActionsEnabled(true);

    const ExportOutcome& outcome = job->outcome;
    if (outcome.result == ExportOutcome::Failed) {
        qCWarning(lcErrors).noquote()
            << QStringLiteral("%1/export:").arg(widget_->window()->objectName()) << outcome.error;
        showMessage(job->kind == Job::Export
                        ? QStringLiteral("导出没有完成,没有留下文件。%1").arg(outcome.userText)
                        : outcome.userText);
        return;
    }
    if (outcome.result == ExportOutcome::Cancelled) {
        if (job->kind == Job::Export)
            showMessage(QStringLiteral("导出已取消,没有留下文件。"));
        return;
    }
    if (job->kind == Job::ReadForPrint) {
        runGuarded(QStringLiteral("%1/print").arg(widget_->window()->objectName()),
                   [&] { printRows(job->table, std::move(job->read)); });
        return;
    }
    showMessage(QStringLiteral("导出完成,共 %1 行。\n%2")
                    .arg(outcome.rows)
                    .arg(QDir::toNativeSeparators(job->path)));
}

void GridExport::printRows(const Table& table, storedb::RowSet rows) {
    if (rows.rows.isEmpty()) {
        showMessage(kNothingToExport);
        return;
    }
    if (rows.rows.size() > kAskBeforePrinting &&
        !askYesNo(
            QStringLiteral("列表共 %1 行,要打印很多页。确定要打印吗？").arg(rows.rows.size())))
        return;
    Report report;
    {
        const BusyCursor busy;
        report = listReport(title_, table.pixelWidths, rows);
    }
    previewReport(report, proposedName(title_), widget_->window());
}

GridExport* offerExport(QTableView* grid, const QString& title) {
    if (grid->selectionMode() == QAbstractItemView::SingleSelection)
        grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return new GridExport(grid, grid, title, {}, {});
}

GridExport* offerExport(QTableView* grid, const QString& title, GridExport::Query query) {
    if (grid->selectionMode() == QAbstractItemView::SingleSelection)
        grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return new GridExport(grid, grid, title, std::move(query), {});
}

GridExport* offerExport(QWidget* widget, const QString& title, GridExport::Rows rows) {
    return new GridExport(widget, nullptr, title, {}, std::move(rows));
}

} // namespace formkit
