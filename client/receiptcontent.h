#pragma once

#include <QList>
#include <QString>

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
    QList<Line> lines;
    QString total;
    QString received;
    QString change;
    QString bill;
    QString closing;
    QString printedAt;
};

inline const QString kReceiptCopyMark = QStringLiteral("重打小票(副本)");
