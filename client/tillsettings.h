#pragma once

#include <QString>

// What one till computer is set up with: its scanner, the layout of the
// scales' price labels and its receipt printer. Read from till.ini beside the
// executable (UTF-8); a missing file or key keeps the default, a value that
// makes no sense is logged and keeps the default too.
//
//   [scanner]
//   maxKeyGapMs=30          keys closer than this, ending in Enter, are a scan
//   [scaleLabel]
//   layout=FFIIIIIPPPPPC    F prefix 20-29, I goods number, P price in fen,
//                           C check digit; empty: no scale labels
//   [receiptPrinter]
//   address=                an ESC/POS printer: a device (/dev/usb/lp0) or
//                           host:port (192.168.1.50:9100); empty: the print queue
//   widthMm=80              80 or 58
struct TillSettings {
    int scanMaxKeyGapMs = 30;
    QString scaleLabelLayout = QStringLiteral("FFIIIIIPPPPPC");
    QString receiptPrinter;
    int receiptWidthMm = 80;

    // till.ini in the program directory (storedb::programDirectory()).
    static QString path();
    static TillSettings load();
    static TillSettings load(const QString& path);
};
