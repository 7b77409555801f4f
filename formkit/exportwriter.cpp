#include "formkit/exportwriter.h"

#include "storedb/errors.h"
#include "storedb/numtext.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <xlsxwriter.h>

namespace formkit {

// ---------------------------------------------------------------------------
// Rows

RowSetRows::RowSetRows(storedb::RowSet rows, QList<int> columns, QStringList titles)
    : rows_(std::move(rows)), columns_(std::move(columns)), titles_(std::move(titles)) {}

RowSetRows::RowSetRows(storedb::RowSet rows)
    : rows_(std::move(rows)), titles_(rows_.columns), allColumns_(true) {}

const QVariantList* RowSetRows::next() {
    if (at_ >= rows_.rows.size())
        return nullptr;
    const QVariantList& row = rows_.rows.at(at_++);
    if (allColumns_)
        return &row;
    row_.clear();
    for (const int column : std::as_const(columns_))
        row_.append(column < row.size() ? row.at(column) : QVariant());
    return &row_;
}

QueryRows::QueryRows(QSqlQuery query, QList<int> columns, QStringList titles)
    : query_(std::move(query)), columns_(std::move(columns)), titles_(std::move(titles)) {
    const QSqlRecord record = query_.record();
    if (columns_.isEmpty()) {
        for (int i = 0; i < record.count(); ++i)
            columns_ << i;
    }
    for (qsizetype i = titles_.size(); i < columns_.size(); ++i)
        titles_ << record.fieldName(columns_.at(i));
}

const QVariantList* QueryRows::next() {
    if (!query_.next()) {
        // The end of the rows, or a server lost on the way through them.
        if (query_.lastError().isValid())
            throw storedb::DbError(QStringLiteral("export read: %1").arg(query_.lastError().text()),
                                   storedb::kStatementFailed);
        return nullptr;
    }
    row_.clear();
    for (const int column : std::as_const(columns_))
        row_.append(query_.value(column));
    return &row_;
}

// ---------------------------------------------------------------------------
// Cells

namespace {

// What a value becomes in a spreadsheet.
struct Cell {
    enum Kind { Empty, Number, Moment, Text };
    Kind kind = Empty;
    double number = 0; // Number
    QDate date;        // Moment
    int seconds = 0;   // Moment: of the day
    QString text;      // Text
};

// Money read as binary fractions comes back with noise (0.30000000000000004):
// rounded to the fen as the grids show it. Values already on the fen, nearly
// all of them, skip the exact but slower rounding.
double onTheFen(double value) {
    if (!std::isfinite(value))
        return value;
    const double fen = std::round(value * 100) / 100;
    return fen == value ? value : storedb::roundFen(value);
}

int digitsAt(QStringView text, qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The store keeps moments as "yyyy-MM-dd HH:mm:ss" text on SQLite (and
// ISO text with a 'T' may come from elsewhere): such text is a moment.
bool parseMoment(QStringView text, QDate& date, int& seconds) {
    const qsizetype n = text.size();
    if (n != 10 && (n < 19 || n > 26))
        return false;
    if (text[4] != u'-' || text[7] != u'-')
        return false;
    const int y = digitsAt(text, 0, 4);
    const int m = digitsAt(text, 5, 2);
    const int d = digitsAt(text, 8, 2);
    if (y < 0 || m < 0 || d < 0 || !QDate::isValid(y, m, d))
        return false;
    int h = 0;
    int min = 0;
    int s = 0;
    if (n > 10) {
        if ((text[10] != u' ' && text[10] != u'T') || text[13] != u':' || text[16] != u':')
            return false;
        h = digitsAt(text, 11, 2);
        min = digitsAt(text, 14, 2);
        s = digitsAt(text, 17, 2);
        if (h < 0 || h > 23 || min < 0 || min > 59 || s < 0 || s > 59)
            return false;
        // Fractions of a second are dropped, as the grids drop them.
        if (n > 19 && (text[19] != u'.' || n == 20 || digitsAt(text, 20, n - 20) < 0))
            return false;
    }
    date = QDate(y, m, d);
    seconds = h * 3600 + min * 60 + s;
    return true;
}

Cell classify(const QVariant& value) {
    Cell cell;
    if (value.isNull())
        return cell;
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        cell.kind = Cell::Number;
        cell.number = value.toDouble();
        return cell;
    case QMetaType::Double:
    case QMetaType::Float:
        cell.kind = Cell::Number;
        cell.number = onTheFen(value.toDouble());
        if (!std::isfinite(cell.number)) {
            cell.kind = Cell::Text;
            cell.text = QString::number(cell.number);
        }
        return cell;
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        cell.kind = Cell::Moment;
        cell.date = moment.date();
        cell.seconds = moment.time().msecsSinceStartOfDay() / 1000;
        return cell;
    }
    case QMetaType::QDate:
        cell.kind = Cell::Moment;
        cell.date = value.toDate();
        return cell;
    case QMetaType::QString: {
        const QString& text = *static_cast<const QString*>(value.constData());
        if (text.isEmpty())
            return cell;
        if (parseMoment(text, cell.date, cell.seconds)) {
            cell.kind = Cell::Moment;
            // Already in the form written out: kept, not made again.
            if (text.size() == 10 || (text.size() == 19 && text[10] == u' ' && cell.seconds != 0))
                cell.text = text;
            return cell;
        }
        cell.kind = Cell::Text;
        cell.text = text;
        return cell;
    }
    case QMetaType::QByteArray:
        cell.kind = Cell::Text;
        cell.text = QString::fromUtf8(value.toByteArray());
        return cell;
    default:
        cell.kind = Cell::Text;
        cell.text = value.toString();
        return cell;
    }
}

QString numberText(double value) {
    if (value == 0)
        return QStringLiteral("0"); // also -0
    // The shortest text that reads back as the same double, never with an
    // exponent: the text the grids show for a value on the fen.
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (error != std::errc())
        return storedb::numberText(value);
    return QString::fromLatin1(buffer, end - buffer);
}

// Digits written by hand: a million rows' dates through printf cost more
// than the rest of their line.
char* putDigits(char* at, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        at[i] = char('0' + value % 10);
        value /= 10;
    }
    return at + width;
}

QString momentText(const QDate& date, int seconds) {
    const int year = date.year();
    if (year < 0 || year > 9999)
        return date.toString(Qt::ISODate);
    char buffer[20];
    char* at = putDigits(buffer, year, 4);
    *at++ = '-';
    at = putDigits(at, date.month(), 2);
    *at++ = '-';
    at = putDigits(at, date.day(), 2);
    if (seconds != 0) {
        *at++ = ' ';
        at = putDigits(at, seconds / 3600, 2);
        *at++ = ':';
        at = putDigits(at, seconds / 60 % 60, 2);
        *at++ = ':';
        at = putDigits(at, seconds % 60, 2);
    }
    return QString::fromLatin1(buffer, at - buffer);
}

QString textOf(const Cell& cell) {
    switch (cell.kind) {
    case Cell::Empty:
        return {};
    case Cell::Number:
        return numberText(cell.number);
    case Cell::Moment:
        return cell.text.isEmpty() ? momentText(cell.date, cell.seconds) : cell.text;
    case Cell::Text:
        break;
    }
    return cell.text;
}

// Spreadsheets count days from 1899-12-30, the time of day as the fraction.
const qint64 kSpreadsheetDayZero = QDate(1899, 12, 30).toJulianDay();

QString cannotWrite(const QString& path) {
    return QStringLiteral("不能写入文件 %1 ,请换一个文件夹或文件名！")
        .arg(QDir::toNativeSeparators(path));
}

ExportOutcome failed(const QString& error, const QString& userText, qint64 rows) {
    ExportOutcome outcome;
    outcome.result = ExportOutcome::Failed;
    outcome.rows = rows;
    outcome.error = error;
    outcome.userText = userText;
    return outcome;
}

ExportOutcome ended(ExportOutcome::Result result, qint64 rows) {
    ExportOutcome outcome;
    outcome.result = result;
    outcome.rows = rows;
    return outcome;
}

// ---------------------------------------------------------------------------
// CSV: UTF-8 with a byte-order mark (Excel and WPS read Chinese by it),
// fields quoted as RFC 4180 has it, lines ended by CR LF.

bool needsQuotes(QStringView field) {
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        if (u == u',' || u == u'"' || u == u'\n' || u == u'\r')
            return true;
    }
    return false;
}

void appendField(QString& line, const QString& field) {
    if (!needsQuotes(field)) {
        line += field;
        return;
    }
    line += QLatin1Char('"');
    for (const QChar c : field) {
        if (c == QLatin1Char('"'))
            line += QLatin1Char('"');
        line += c;
    }
    line += QLatin1Char('"');
}

ExportOutcome writeCsv(ExportRows& rows, const QString& path, ExportProgress& progress) {
    // Written beside the file and renamed over it by commit(); never in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failed(QStringLiteral("csv open %1: %2").arg(path, file.errorString()),
                      cannotWrite(path), 0);
    constexpr qsizetype kFlushAt = 1 << 19;
    QString text;
    text.reserve(kFlushAt + 4096);
    text += QChar(0xFEFF);
    const auto appendLine = [&text](const auto& fields, const auto& textOfField) {
        bool first = true;
        for (const auto& field : fields) {
            if (!first)
                text += QLatin1Char(',');
            first = false;
            appendField(text, textOfField(field));
        }
        text += QLatin1String("\r\n");
    };
    appendLine(rows.titles(), [](const QString& title) { return title; });
    qint64 written = 0;
    const auto flush = [&] {
        const QByteArray bytes = text.toUtf8();
        text.clear();
        return file.write(bytes) == bytes.size();
    };
    try {
        while (const QVariantList* row = rows.next()) {
            if (progress.cancel) {
                file.cancelWriting();
                return ended(ExportOutcome::Cancelled, written);
            }
            appendLine(*row, [](const QVariant& value) { return textOf(classify(value)); });
            ++written;
            if (text.size() >= kFlushAt) {
                if (!flush())
                    return failed(QStringLiteral("csv write %1: %2").arg(path, file.errorString()),
                                  cannotWrite(path), written);
                progress.rows = written;
            }
        }
    } catch (const storedb::Error& e) {
        file.cancelWriting();
        return failed(e.text(), e.userText(), written);
    }
    if (!flush())
        return failed(QStringLiteral("csv write %1: %2").arg(path, file.errorString()),
                      cannotWrite(path), written);
    progress.rows = written;
    if (progress.cancel) {
        file.cancelWriting();
        return ended(ExportOutcome::Cancelled, written);
    }
    if (!file.commit())
        return failed(QStringLiteral("csv commit %1: %2").arg(path, file.errorString()),
                      cannotWrite(path), written);
    return ended(ExportOutcome::Written, written);
}

// ---------------------------------------------------------------------------
// .xlsx through libxlsxwriter, a row at a time (its constant-memory mode),
// so that a million rows take no more memory than a few.

// What Excel allows in a sheet's name: at most 31 characters, none of []:*?/\.
QString sheetName(const QString& wanted, int number) {
    QString name = wanted;
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    for (QChar& c : name) {
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("Sheet");
    const QString suffix = number > 1 ? QStringLiteral("(%1)").arg(number) : QString();
    name = name.left(31 - suffix.size());
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    return name + suffix;
}

// The longest text Excel keeps in a cell.
constexpr qsizetype kMaxCellText = 32767;

class Workbook {
  public:
    explicit Workbook(const QByteArray& file) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        book_ = workbook_new_opt(file.constData(), &options);
        if (!book_)
            return;
        header_ = workbook_add_format(book_);
        format_set_bold(header_);
        day_ = workbook_add_format(book_);
        format_set_num_format(day_, "yyyy-mm-dd");
        moment_ = workbook_add_format(book_);
        format_set_num_format(moment_, "yyyy-mm-dd hh:mm:ss");
    }
    ~Workbook() {
        if (!book_)
            return;
        // Never closed: freed without writing anything. The library would
        // leave each sheet's temporary file open, and its rows on the disk.
        lxw_worksheet* sheet = nullptr;
        LXW_FOREACH_WORKSHEET(sheet, book_) {
            if (sheet->optimize_tmpfile) {
                std::fclose(sheet->optimize_tmpfile);
                sheet->optimize_tmpfile = nullptr;
            }
        }
        lxw_workbook_free(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    bool isOpen() const { return book_ != nullptr; }

    lxw_error addSheet(const QString& name, const QStringList& titles,
                       const QList<double>& widths) {
        finishSheet();
        sheet_ = workbook_add_worksheet(book_, name.toUtf8().constData());
        if (!sheet_)
            return LXW_ERROR_MEMORY_MALLOC_FAILED;
        row_ = 0;
        widths_ = widths;
        widths_.resize(titles.size(), 0);
        for (qsizetype c = 0; c < titles.size(); ++c) {
            // A Chinese character takes about two Latin ones.
            widths_[c] = std::max(widths_[c], double(titles.at(c).toUtf8().size()) * 2 / 3 + 2);
            if (const lxw_error e = writeText(0, lxw_col_t(c), titles.at(c), header_))
                return e;
        }
        worksheet_freeze_panes(sheet_, 1, 0);
        return LXW_NO_ERROR;
    }

    lxw_error addRow(const QVariantList& values) {
        ++row_;
        for (qsizetype c = 0; c < values.size(); ++c) {
            const Cell cell = classify(values.at(c));
            const auto column = lxw_col_t(c);
            lxw_error e = LXW_NO_ERROR;
            switch (cell.kind) {
            case Cell::Empty:
                break;
            case Cell::Number:
                e = worksheet_write_number(sheet_, row_, column, cell.number, nullptr);
                break;
            case Cell::Moment: {
                const qint64 day = cell.date.toJulianDay() - kSpreadsheetDayZero;
                // Before 1900 a spreadsheet has no date: the text stands instead.
                if (day < 1) {
                    e = writeText(row_, column, momentText(cell.date, cell.seconds), nullptr);
                    break;
                }
                const double serial = double(day) + cell.seconds / 86400.0;
                e = worksheet_write_number(sheet_, row_, column, serial,
                                           cell.seconds == 0 ? day_ : moment_);
                widen(c, cell.seconds == 0 ? 11 : 20);
                break;
            }
            case Cell::Text:
                e = writeText(row_, column, cell.text, nullptr);
                break;
            }
            if (e != LXW_NO_ERROR)
                return e;
        }
        return LXW_NO_ERROR;
    }

    lxw_row_t rowsInSheet() const { return row_; }

    // Writes the file; the workbook is gone after, whatever the outcome.
    lxw_error close() {
        finishSheet();
        lxw_workbook* book = book_;
        book_ = nullptr;
        return workbook_close(book);
    }

  private:
    lxw_error writeText(lxw_row_t row, lxw_col_t column, const QString& text, lxw_format* format) {
        const QByteArray utf8 =
            (text.size() > kMaxCellText ? text.left(kMaxCellText) : text).toUtf8();
        return worksheet_write_string(sheet_, row, column, utf8.constData(), format);
    }

    void widen(qsizetype column, double width) {
        if (widths_.at(column) < width)
            widths_[column] = width;
    }

    // Column widths go into the sheet when it is written out, so that they
    // may follow what its rows turned out to hold.
    void finishSheet() {
        if (!sheet_)
            return;
        for (qsizetype c = 0; c < widths_.size(); ++c)
            worksheet_set_column(sheet_, lxw_col_t(c), lxw_col_t(c), widths_.at(c), nullptr);
        sheet_ = nullptr;
    }

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* header_ = nullptr;
    lxw_format* day_ = nullptr;
    lxw_format* moment_ = nullptr;
    lxw_row_t row_ = 0;
    QList<double> widths_;
};

ExportOutcome writeXlsx(ExportRows& rows, const QString& path, ExportProgress& progress,
                        const ExportOptions& options) {
    // The library writes the file by its name: a name of its own beside the
    // file, renamed over it once written, removed otherwise.
    const QFileInfo target(path);
    QTemporaryFile part(target.absolutePath() + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX.part"));
    if (!part.open())
        return failed(QStringLiteral("xlsx part %1: %2").arg(path, part.errorString()),
                      cannotWrite(path), 0);
    part.close();
    const QByteArray partName = QFile::encodeName(part.fileName());
    const auto libraryFailed = [&](lxw_error e, qint64 written) {
        return failed(QStringLiteral("xlsx %1: %2").arg(path, QString::fromUtf8(lxw_strerror(e))),
                      cannotWrite(path), written);
    };

    Workbook book(partName);
    if (!book.isOpen())
        return libraryFailed(LXW_ERROR_MEMORY_MALLOC_FAILED, 0);
    const QStringList titles = rows.titles();
    int sheets = 1;
    if (const lxw_error e =
            book.addSheet(sheetName(options.sheetName, sheets), titles, options.widths))
        return libraryFailed(e, 0);
    qint64 written = 0;
    try {
        while (const QVariantList* row = rows.next()) {
            if (progress.cancel)
                return ended(ExportOutcome::Cancelled, written);
            if (book.rowsInSheet() >= options.rowsPerSheet) {
                if (const lxw_error e = book.addSheet(sheetName(options.sheetName, ++sheets),
                                                      titles, options.widths))
                    return libraryFailed(e, written);
            }
            if (const lxw_error e = book.addRow(*row))
                return libraryFailed(e, written);
            if ((++written & 1023) == 0)
                progress.rows = written;
        }
    } catch (const storedb::Error& e) {
        return failed(e.text(), e.userText(), written);
    }
    progress.rows = written;
    if (progress.cancel)
        return ended(ExportOutcome::Cancelled, written);
    if (const lxw_error e = book.close())
        return libraryFailed(e, written);
    if (progress.cancel)
        return ended(ExportOutcome::Cancelled, written);
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(partName.constData()),
                            std::filesystem::path(QFile::encodeName(path).constData()), error);
    if (error)
        return failed(
            QStringLiteral("xlsx rename %1: %2").arg(path, QString::fromLocal8Bit(error.message())),
            cannotWrite(path), written);
    part.setAutoRemove(false);
    return ended(ExportOutcome::Written, written);
}

// Rows handed from the thread that reads them to the thread that writes
// them, a batch at a time, a few batches ahead at most.
class PipedRows : public ExportRows {
  public:
    static constexpr qsizetype kBatch = 2048;
    static constexpr qsizetype kAhead = 8;

    PipedRows(QStringList titles, qint64 total) : titles_(std::move(titles)), total_(total) {}

    QStringList titles() const override { return titles_; }
    qint64 total() const override { return total_; }

    // The writer's side.
    const QVariantList* next() override {
        if (++at_ < batch_.size())
            return &batch_.at(at_);
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !batches_.isEmpty() || ended_; });
        if (batches_.isEmpty()) {
            if (error_)
                throw *error_;
            return nullptr;
        }
        // Freed by the thread that made it: freeing another thread's memory
        // contends for its allocator's lock at every row.
        spent_ << std::move(batch_);
        batch_ = batches_.takeFirst();
        at_ = 0;
        changed_.notify_all();
        return &batch_.at(at_);
    }
    // The writer has stopped: nothing more is taken.
    void stopWriting() {
        const std::lock_guard lock(mutex_);
        writerGone_ = true;
        changed_.notify_all();
    }

    // The reader's side. False once the writer takes no more.
    bool push(QList<QVariantList> batch) {
        QList<QList<QVariantList>> spent;
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return batches_.size() < kAhead || writerGone_; });
        spent.swap(spent_);
        if (writerGone_)
            return false;
        batches_ << std::move(batch);
        changed_.notify_all();
        return true;
    }
    void end(std::optional<storedb::Error> error = std::nullopt) {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        error_ = std::move(error);
        changed_.notify_all();
    }

  private:
    const QStringList titles_;
    const qint64 total_;
    QList<QVariantList> batch_; // the writer's own
    qsizetype at_ = -1;
    std::mutex mutex_;
    std::condition_variable changed_;
    QList<QList<QVariantList>> batches_;
    QList<QList<QVariantList>> spent_; // written, for the reader to free
    bool ended_ = false;
    bool writerGone_ = false;
    std::optional<storedb::Error> error_;
};

} // namespace

ExportOutcome writeExportWhileReading(ExportRows& rows, ExportFormat format, const QString& path,
                                      ExportProgress& progress, const ExportOptions& options) {
    PipedRows piped(rows.titles(), rows.total());
    ExportOutcome outcome;
    std::thread writer([&] {
        outcome = writeExport(piped, format, path, progress, options);
        piped.stopWriting();
    });
    try {
        QList<QVariantList> batch;
        batch.reserve(PipedRows::kBatch);
        bool taken = true;
        while (const QVariantList* row = rows.next()) {
            if (progress.cancel)
                break;
            batch << *row;
            if (batch.size() == PipedRows::kBatch) {
                if (!(taken = piped.push(std::move(batch))))
                    break;
                batch = {};
                batch.reserve(PipedRows::kBatch);
            }
        }
        if (taken && !batch.isEmpty())
            piped.push(std::move(batch));
        piped.end();
    } catch (const storedb::Error& e) {
        piped.end(e);
    }
    writer.join();
    return outcome;
}

ExportOutcome writeExport(ExportRows& rows, ExportFormat format, const QString& path,
                          ExportProgress& progress, const ExportOptions& options) {
    return format == ExportFormat::Csv ? writeCsv(rows, path, progress)
                                       : writeXlsx(rows, path, progress, options);
}

QString cellText(const QVariant& value) {
    return textOf(classify(value));
}

} // namespace formkit
