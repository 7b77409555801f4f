#pragma once

// The print preview of a report: zooming, moving between pages, page set-up,
// printing, and writing a PDF file (a shop without a printer).

#include "formkit/report.h"

#include <QString>

class QPagedPaintDevice;
class QWidget;

namespace formkit {

// Shows the report in a modal print preview and returns once that is closed.
// Whatever is printed or saved from it equals the pages shown; a paper chosen
// in the page set-up lays the report out again on that paper.
void previewReport(const Report& report, const QString& documentName, QWidget* parent = nullptr);

// The report on the paper the device is set up for.
Report onPaperOf(const Report& report, const QPagedPaintDevice* device);

// The object name of the preview's "保存为PDF" action, for its tool bar.
inline constexpr char kSavePdfAction[] = "savePdfAction";

} // namespace formkit
