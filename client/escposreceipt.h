#pragma once

// A receipt as an ESC/POS printer takes it: plain lines in GB18030 for the
// printer's Chinese mode, laid out in the columns of its roll, between the
// commands that start the job and cut the paper off.

#include "receiptcontent.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace escpos {

// Columns of the printer's standard font (12 dots wide): 48 on an 80 mm roll,
// 32 on a 58 mm one.
int columnsOf(int rollWidthMm);

// The text as the printer can print it: characters outside the two-byte
// GB18030 range (the printers' Chinese fonts) become '?', control characters
// spaces, so that no text can pass for a command.
QString printable(const QString& text);
// Columns a printable text takes: one for ASCII, two for every other character.
int printedWidth(const QString& text);

// The receipt's lines, none wider than `columns`: long texts are wrapped.
QStringList receiptLines(const ReceiptContent& receipt, int columns);

// A whole job: the printer reset, Chinese mode, the drawer pulse when asked
// for (the cash is taken as the receipt starts), the lines, feed and cut.
QByteArray receiptJob(const ReceiptContent& receipt, int rollWidthMm, bool openDrawer);
// The printer reset and the drawer pulse alone.
QByteArray drawerJob();

// Real-time status: DLE EOT n, answered with one byte 0xx1xx10.
QByteArray statusQuery(char which);
constexpr char kOfflineCause = 2;
constexpr char kPaperSensor = 4;
constexpr unsigned char kCoverOpen = 0x04;      // offline cause
constexpr unsigned char kStoppedNoPaper = 0x20; // offline cause
constexpr unsigned char kPaperEnd = 0x60;       // paper sensor
bool isStatusReply(unsigned char byte);

} // namespace escpos
