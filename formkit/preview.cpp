#include "formkit/preview.h"

#include "formkit/busy.h"
#include "formkit/guard.h"
#include "formkit/messages.h"
#include "formkit/toolwindow.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <QToolBar>

namespace formkit {

namespace {

QString askPdfPath(QWidget* parent, const QString& documentName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("保存为PDF文件"),
                                                QDir(folder).filePath(documentName + ".pdf"),
                                                QStringLiteral("PDF文件 (*.pdf)"));
    if (!path.isEmpty() && !path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    return path;
}

void addSavePdf(QPrintPreviewDialog& dialog, const Report& report, const QPrinter& printer,
                const QString& documentName) {
    auto* save = new QAction(QStringLiteral("保存为PDF"), &dialog);
    save->setObjectName(QString::fromLatin1(kSavePdfAction));
    save->setToolTip(QStringLiteral("把报表保存为PDF文件"));
    save->setIcon(QIcon::fromTheme(QStringLiteral("document-save-as")));
    if (auto* bar = dialog.findChild<QToolBar*>())
        bar->addAction(save);
    else
        dialog.addAction(save);
    QObject::connect(
        save, &QAction::triggered, &dialog, [&dialog, &report, &printer, documentName] {
            runGuarded(QStringLiteral("QPrintPreviewDialog/savePdf"), [&] {
                const QString path = askPdfPath(&dialog, documentName);
                if (path.isEmpty())
                    return;
                bool written = false;
                {
                    const BusyCursor busy;
                    written = onPaperOf(report, &printer).writePdf(path);
                }
                if (!written)
                    showMessage(QStringLiteral("不能写入文件 %1 ,请换一个文件夹或文件名！")
                                    .arg(QDir::toNativeSeparators(path)));
            });
        });
}

} // namespace

Report onPaperOf(const Report& report, const QPagedPaintDevice* device) {
    Report onPaper = report;
    const QPageLayout page = device->pageLayout();
    if (page.isValid()) {
        onPaper.pageSize = page.pageSize();
        onPaper.orientation = page.orientation();
    }
    return onPaper;
}

void previewReport(const Report& report, const QString& documentName, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(documentName);
    printer.setCopyCount(1);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPaperSource(QPrinter::Auto);
    printer.setPrintRange(QPrinter::AllPages);
    report.applyPageLayout(&printer);

    // On top like the tool windows, or one of them would hide it.
    QPrintPreviewDialog dialog(&printer, parent, Qt::Window | Qt::WindowStaysOnTopHint);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&report](QPrinter* target) {
                         const BusyCursor busy;
                         onPaperOf(report, target).paint(target);
                     });
    addSavePdf(dialog, report, printer, documentName);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        dialog.resize(area.width() * 3 / 4, area.height() * 9 / 10);
    }
    centreOnScreen(&dialog);
    dialog.exec();
}

} // namespace formkit
