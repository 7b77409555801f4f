#include "escposreceipt.h"

#include <QStringEncoder>

namespace escpos {

namespace {

constexpr char ESC = 0x1b;
constexpr char GS = 0x1d;
constexpr char FS = 0x1c;
constexpr char DLE = 0x10;
constexpr char EOT = 0x04;

// The columns of a goods line: name, price, quantity, amount.
struct LineColumns {
    int price;
    int quantity;
    int amount;
};
LineColumns lineColumns(int columns) {
    if (columns >= 48)
        return {10, 8, 10};
    return {7, 5, 8};
}

int charWidth(char32_t c) {
    return c < 0x80 ? 1 : 2;
}

QString padRight(const QString& text, int width) {
    return text + QString(qMax(0, width - printedWidth(text)), QLatin1Char(' '));
}

QString padLeft(const QString& text, int width) {
    return QString(qMax(0, width - printedWidth(text)), QLatin1Char(' ')) + text;
}

QString centred(const QString& text, int columns) {
    return QString(qMax(0, (columns - printedWidth(text)) / 2), QLatin1Char(' ')) + text;
}

// Pieces of at most `columns` columns; a character never splits.
QStringList wrapped(const QString& text, int columns) {
    QStringList pieces;
    QString piece;
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const int w = charWidth(c);
        if (width + w > columns && !piece.isEmpty()) {
            pieces << piece;
            piece.clear();
            width = 0;
        }
        piece += QString::fromUcs4(&c, 1);
        width += w;
    }
    if (!piece.isEmpty() || pieces.isEmpty())
        pieces << piece;
    return pieces;
}

void appendCentred(QStringList& lines, const QString& text, int columns) {
    for (const QString& piece : wrapped(text, columns))
        lines << centred(piece, columns);
}

void appendWrapped(QStringList& lines, const QString& text, int columns) {
    lines << wrapped(text, columns);
}

// A goods line: the figures right-aligned in their columns (each keeps a space
// before it however long it is), the name wrapped in what is left; a name
// with too little room goes on lines of its own above the figures.
void appendGoodsLine(QStringList& lines, const ReceiptContent::Line& line, int columns) {
    const LineColumns c = lineColumns(columns);
    const auto field = [](const QString& text, int width) {
        return padLeft(text, qMax(width, printedWidth(text) + 1));
    };
    const QString figures = field(printable(line.price), c.price) +
                            field(printable(line.quantity), c.quantity) +
                            field(printable(line.amount), c.amount);
    const QString name = printable(line.name);
    const int nameColumns = columns - printedWidth(figures);
    if (nameColumns >= 4) {
        const QStringList pieces = wrapped(name, nameColumns);
        lines << padRight(pieces.first(), nameColumns) + figures;
        lines << pieces.mid(1);
        return;
    }
    appendWrapped(lines, name, columns);
    appendWrapped(lines, padLeft(figures.trimmed(), columns), columns);
}

QByteArray command(std::initializer_list<char> bytes) {
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

QByteArray startOfJob() {
    // ESC @ resets the printer; FS & turns on its Chinese (two-byte) mode.
    return command({ESC, '@', FS, '&'});
}

QByteArray drawerPulse() {
    // ESC p 0: pin 2, 50 ms on, 500 ms off.
    return command({ESC, 'p', 0, 25, char(250)});
}

} // namespace

int columnsOf(int rollWidthMm) {
    return rollWidthMm == 58 ? 32 : 48;
}

QString printable(const QString& text) {
    QStringEncoder gb18030("GB18030");
    QString out;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x20 || c == 0x7f) {
            out += QLatin1Char(' ');
            continue;
        }
        const QString one = QString::fromUcs4(&c, 1);
        const QByteArray bytes = gb18030.encode(one);
        out += (c < 0x80 || bytes.size() == 2) ? one : QStringLiteral("?");
    }
    return out;
}

int printedWidth(const QString& text) {
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += charWidth(c);
    return width;
}

QStringList receiptLines(const ReceiptContent& receipt, int columns) {
    const LineColumns c = lineColumns(columns);
    const QString rule(columns, QLatin1Char('-'));
    QStringList lines;
    appendCentred(lines, printable(receipt.shop), columns);
    for (const QString& mark : receiptMarks(receipt))
        appendCentred(lines, mark, columns);
    lines << padRight(QStringLiteral("货物名"), columns - c.price - c.quantity - c.amount) +
                 padLeft(QStringLiteral("单价"), c.price) +
                 padLeft(QStringLiteral("数量"), c.quantity) +
                 padLeft(QStringLiteral("价格"), c.amount);
    lines << rule;
    for (const ReceiptContent::Line& line : receipt.lines)
        appendGoodsLine(lines, line, columns);
    lines << rule;
    for (const auto& [label, value] : receiptFigures(receipt))
        appendWrapped(lines, label + QLatin1Char(' ') + printable(value), columns);
    appendCentred(lines, printable(receipt.closing), columns);
    appendWrapped(lines, printable(receipt.printedAt), columns);
    return lines;
}

QByteArray receiptJob(const ReceiptContent& receipt, int rollWidthMm, bool openDrawer) {
    QStringEncoder gb18030("GB18030");
    QByteArray job = startOfJob();
    if (openDrawer)
        job += drawerPulse();
    for (const QString& line : receiptLines(receipt, columnsOf(rollWidthMm))) {
        job += gb18030.encode(line);
        job += '\n';
    }
    // Feed the last line past the cutter (ESC d 4), then a partial cut (GS V 1).
    job += command({ESC, 'd', 4, GS, 'V', 1});
    return job;
}

QByteArray drawerJob() {
    return startOfJob() + drawerPulse();
}

QByteArray statusQuery(char which) {
    return command({DLE, EOT, which});
}

bool isStatusReply(unsigned char byte) {
    return (byte & 0x93) == 0x12;
}

} // namespace escpos
