#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// What a receipt says, every text as it is printed. The till keeps the last
// one after printing so that it can be printed again exactly as it was.
struct ReceiptContent {
    struct Line {
        QString name;
        QString price;
        QString quantity;
        QString amount;
    };
    QString shop;
    // Printed again: the copy mark stands under the shop's name.
    bool copy = false;
    // A return slip (退货单): the sale it takes back. Its total is the
    // refund, its bill the return's own number; no cash received or change.
    QString original;
    QList<Line> lines;
    QString total;
    QString received;
    QString change;
    QString bill;
    QString closing;
    QString printedAt;
};

inline const QString kReceiptCopyMark = QStringLiteral("重打小票(副本)");
inline const QString kReturnSlipTitle = QStringLiteral("退货单");

// The marks under the shop's name, in their order.
inline QStringList receiptMarks(const ReceiptContent& content) {
    QStringList marks;
    if (!content.original.isEmpty())
        marks << kReturnSlipTitle;
    if (content.copy)
        marks << kReceiptCopyMark;
    return marks;
}

// The lines under the goods: label and value.
inline QList<std::pair<QString, QString>> receiptFigures(const ReceiptContent& content) {
    if (!content.original.isEmpty())
        return {{QStringLiteral("退款"), content.total},
                {QStringLiteral("原帐单流水号"), content.original},
                {QStringLiteral("退货单号"), content.bill}};
    return {{QStringLiteral("共计"), content.total},
            {QStringLiteral("现收"), content.received},
            {QStringLiteral("找零"), content.change},
            {QStringLiteral("帐单流水号"), content.bill}};
}
