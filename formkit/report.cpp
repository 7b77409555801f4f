#include "formkit/report.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace formkit {

ReportItem reportText(double left, double top, const QString& text, double width) {
    ReportItem it;
    it.left = left;
    it.top = top;
    it.text = text;
    it.width = width;
    return it;
}

namespace {

constexpr double kMmPerInch = 25.4;
// Bands that fit to within a hundredth of a millimetre stay on the page: the
// heights come from a designer's rounded figures.
constexpr double kFitTolerance = 0.01;
constexpr qreal kUnbounded = 1e7;

double toPixelsX(const QPaintDevice* device, double mm) {
    return mm * device->logicalDpiX() / kMmPerInch;
}
double toPixelsY(const QPaintDevice* device, double mm) {
    return mm * device->logicalDpiY() / kMmPerInch;
}

int textFlags(const ReportItem& item) {
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (item.width > 0 && item.wordWrap)
        flags |= Qt::TextWordWrap;
    return flags;
}

// Text is drawn glyph for glyph, without the font's contextual substitutions:
// CJK fonts swap Latin digits for variants that a PDF's text layer cannot map
// back to characters, so dates and amounts would not be searchable.
QFont printable(QFont font) {
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

// The item's text box in device pixels, at the origin.
QRectF textBox(const ReportItem& item, const QFont& font, const QPaintDevice* device) {
    const QFontMetricsF metrics(font, device);
    if (item.width > 0) {
        const qreal width = toPixelsX(device, item.width);
        const QRectF needed =
            metrics.boundingRect(QRectF(0, 0, width, kUnbounded), textFlags(item), item.text);
        return QRectF(0, 0, width, needed.height());
    }
    const QRectF needed =
        metrics.boundingRect(QRectF(0, 0, kUnbounded, kUnbounded), textFlags(item), item.text);
    return QRectF(0, 0, needed.width(), needed.height());
}

// A band grows by the lines its wrapped texts take beyond their first. A
// text of one line keeps the band as designed: the font that stands in for
// SimSun has a taller line, and a band sized for SimSun must not grow for
// that, or fewer lines would fit a page than the layout was made for.
double bandHeight(const ReportBand& band, const QFont& font, const QPaintDevice* device) {
    double height = band.height;
    for (const ReportItem& item : band.items) {
        if (!(item.width > 0 && item.wordWrap))
            continue;
        const QFont itemFont = printable(item.font.value_or(font));
        const QRectF box = textBox(item, itemFont, device);
        const qreal oneLine = QFontMetricsF(itemFont, device).height();
        const double extra =
            std::max<qreal>(0, box.height() - oneLine) * kMmPerInch / device->logicalDpiY();
        height = std::max(height, band.height + extra);
    }
    return height;
}

} // namespace

QFont reportFont(qreal pointSize) {
    // SimSun first, as the forms were designed with it; otherwise a Chinese
    // font of the same kind, then any font that covers simplified Chinese.
    static const QStringList preferred = {
        QStringLiteral("SimSun"),           QStringLiteral("宋体"),
        QStringLiteral("NSimSun"),          QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Serif SC"),
        QStringLiteral("AR PL UMing CN"),   QStringLiteral("WenQuanYi Zen Hei"),
    };
    const QStringList installed = QFontDatabase::families();
    QStringList families;
    for (const QString& family : preferred) {
        if (installed.contains(family, Qt::CaseInsensitive))
            families << family;
    }
    if (families.isEmpty()) {
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        if (!chinese.isEmpty())
            families << chinese.first();
    }
    if (families.isEmpty())
        families = preferred;
    QFont font(families.first());
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    font.setStyleHint(QFont::Serif);
    return font;
}

QPageSize Report::customPageSize(double widthMm, double heightMm) {
    return QPageSize(QSizeF(widthMm, heightMm), QPageSize::Millimeter, QString(),
                     QPageSize::ExactMatch);
}

void Report::applyPageLayout(QPagedPaintDevice* device) const {
    // The whole sheet is the paint area: a printer's own minimum margins must
    // not shift the items, which are placed from the paper's edge.
    QPageLayout page(pageSize, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    page.setMode(QPageLayout::FullPageMode);
    if (auto* printer = dynamic_cast<QPrinter*>(device))
        printer->setFullPage(true);
    device->setPageLayout(page);
}

const ReportBand& Report::band(const PlacedBand& placed) const {
    switch (placed.kind) {
    case PlacedBand::Title:
        return *title;
    case PlacedBand::PageHeader:
        return *pageHeader;
    case PlacedBand::Summary:
        return *summary;
    case PlacedBand::Detail:
        break;
    }
    return details.at(placed.index);
}

QList<PlacedBand> Report::layout(const QPaintDevice* device) const {
    const QRectF sheet =
        QPageLayout(pageSize, orientation, QMarginsF()).fullRect(QPageLayout::Millimeter);
    const double usable = sheet.height() - margins.top() - margins.bottom();
    QList<PlacedBand> placed;
    int page = 0;
    double y = 0;
    const double headerHeight = pageHeader ? bandHeight(*pageHeader, font, device) : 0;
    auto place = [&](PlacedBand::Kind kind, int index, const ReportBand& band) {
        const double height = bandHeight(band, font, device);
        // A band taller than a whole page still goes on a page of its own.
        if (y > 0 && y + height > usable + kFitTolerance) {
            ++page;
            y = 0;
            if (pageHeader && kind == PlacedBand::Detail) {
                placed.append(PlacedBand{PlacedBand::PageHeader, 0, page, y, headerHeight});
                y += headerHeight;
            }
        }
        placed.append(PlacedBand{kind, index, page, y, height});
        y += height;
    };
    if (title)
        place(PlacedBand::Title, 0, *title);
    if (pageHeader)
        place(PlacedBand::PageHeader, 0, *pageHeader);
    for (int i = 0; i < details.size(); ++i)
        place(PlacedBand::Detail, i, details.at(i));
    if (summary)
        place(PlacedBand::Summary, 0, *summary);
    return placed;
}

int Report::pageCount(const QPaintDevice* device) const {
    const QList<PlacedBand> placed = layout(device);
    return placed.isEmpty() ? 1 : placed.last().page + 1;
}

bool Report::paint(QPagedPaintDevice* device) const {
    QPainter painter;
    if (!painter.begin(device))
        return false;
    painter.setPen(Qt::black);
    // Positions are from the paper's edge; the device paints from its paint
    // rectangle, which is the paper itself unless a caller set margins.
    const QPointF origin = device->pageLayout().paintRectPixels(device->logicalDpiX()).topLeft();
    int page = 0;
    for (const PlacedBand& placed : layout(device)) {
        while (page < placed.page) {
            device->newPage();
            ++page;
        }
        const double bandLeft = margins.left();
        const double bandTop = margins.top() + placed.top;
        for (const ReportItem& item : band(placed).items) {
            const QFont itemFont = printable(item.font.value_or(font));
            painter.setFont(itemFont);
            QRectF box = textBox(item, itemFont, device);
            box.moveTo(toPixelsX(device, bandLeft + item.left) - origin.x(),
                       toPixelsY(device, bandTop + item.top) - origin.y());
            painter.drawText(box, textFlags(item) | Qt::TextDontClip, item.text);
        }
    }
    return painter.end();
}

bool Report::render(QPagedPaintDevice* device) const {
    applyPageLayout(device);
    return paint(device);
}

bool Report::writePdf(const QString& path) const {
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setCreator(QStringLiteral("Orvani store"));
    return render(&writer);
}

} // namespace formkit
