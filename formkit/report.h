#pragma once

// A small banded report: a title band once at the top, a page header band at
// the top of every page (below the title on the first), one detail band per
// row, a summary band after the last row, each of a height in millimetres and
// holding text items at millimetre positions from its top-left corner. Pages
// break where the next band does not fit. It paints on any paged device: a
// printer, a print preview's printer, a PDF file.

#include <QFont>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <optional>

class QPagedPaintDevice;
class QPaintDevice;

namespace formkit {

// The font of printed reports: SimSun (宋体) where it is installed, otherwise
// an installed Chinese font (Noto Serif CJK SC, Noto Sans CJK SC, ...).
QFont reportFont(qreal pointSize = 10);

struct ReportItem {
    double left = 0; // mm from the band's left edge
    double top = 0;  // mm from the band's top edge; negative reaches above it
    QString text;
    double width = 0;          // mm; 0: as wide as its text
    bool wordWrap = false;     // with a width: wraps at word boundaries, and each line past
                               // the first makes the band a line taller
    std::optional<QFont> font; // instead of the report's font
};

// A text at a place in its band, as wide as it is unless a width is given.
ReportItem reportText(double left, double top, const QString& text, double width = 0);

struct ReportBand {
    double height = 0; // mm
    QList<ReportItem> items;
};

// Where a band landed: its page (from 0) and its top, in mm below the top
// margin, with its height after growing for wrapped text.
struct PlacedBand {
    enum Kind { Title, PageHeader, Detail, Summary };
    Kind kind = Detail;
    int index = 0; // the row, for detail bands
    int page = 0;
    double top = 0;
    double height = 0;
};

class Report {
  public:
    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMarginsF margins{5, 5, 5, 5}; // mm
    QFont font = reportFont();
    std::optional<ReportBand> title;
    std::optional<ReportBand> pageHeader; // a list's column titles, repeated on every page
    QList<ReportBand> details;
    std::optional<ReportBand> summary;

    // A paper size given in millimetres, kept exactly (not snapped to a standard size).
    static QPageSize customPageSize(double widthMm, double heightMm);

    // The device's page: the report's paper with the whole sheet as paint
    // area; the report keeps its own margins. Call before a preview shows.
    void applyPageLayout(QPagedPaintDevice* device) const;
    // The bands, page by page; text is measured for the given device.
    QList<PlacedBand> layout(const QPaintDevice* device) const;
    int pageCount(const QPaintDevice* device) const;
    // Paints every page on a device whose page layout is set (a print
    // preview's printer); false when painting cannot start.
    bool paint(QPagedPaintDevice* device) const;
    // applyPageLayout, then paint.
    bool render(QPagedPaintDevice* device) const;
    // Writes the report as a PDF file; false when the file cannot be written.
    bool writePdf(const QString& path) const;

  private:
    const ReportBand& band(const PlacedBand& placed) const;
};

} // namespace formkit
