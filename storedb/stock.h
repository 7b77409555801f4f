#pragma once

// Stock received and issued from the back office. Each movement is one
// transaction: the log row and the stock change are written together or not
// at all, and the stock-out check happens in the statement that takes the
// pieces, so that a till selling the same goods meanwhile can never drive the
// stock below zero.

#include "storedb/connection.h"

#include <QDate>
#include <QString>

namespace storedb {

// One line of the movement window, as confirmed.
struct StockInLine {
    QString hwh;
    double rhj = 0; // buying-in price
    double dj = 0;  // the new selling unit price
    int sl = 0;
    QString hwly;
};
struct StockOutLine {
    QString hwh;
    double dj = 0; // the selling price of this movement
    int sl = 0;
    QString hwly;
};

struct MovementOutcome {
    enum Result {
        Recorded,
        UnknownGoods, // the catalogue has no such goods: nothing written
        ShortOfStock  // stock-out beyond the stock: nothing written
    };
    Result result = Recorded;
    // ShortOfStock: the pieces in stock at the moment of writing (0 for
    // goods never stocked).
    int kcl = 0;
};

// Selling prices are whole jiao (the tills keep one decimal place), buying-in
// prices whole fen. A price with more decimals, a negative or too large
// price, or a quantity below 1 is refused with InvalidValueError before
// anything is written; field is the box's caption for the message.
void checkUnitPrice(const QString& field, double price);
void checkBuyingPrice(const QString& field, double price);
void checkQuantity(int sl);
// Every check of a line as the movement window names its boxes (入货价, 单价,
// 出货价, 货物来源), so that the window can refuse it before asking.
void checkLine(const StockInLine& line);
void checkLine(const StockOutLine& line);

// The most pieces a stock row holds (a 32-bit integer column). A movement or
// correction that would take the stock past it is refused with
// InvalidValueError, nothing written.
inline constexpr qint64 kMostPieces = 2147483647;
QString tooManyPiecesText();

// Pieces in stock now; 0 for goods never stocked.
int piecesInStock(const Db& db, const QString& hwh);

// Stock-in: the log row ("入库", the goods' category, glyh, the day at
// midnight) and the stock raised by sl at the new price, the stock row
// created on the goods' first stock-in.
MovementOutcome recordStockIn(Db& db, const StockInLine& line, const QString& glyh,
                              const QDate& day);
// Stock-out: the pieces taken only while the stock covers them (a missing
// stock row is 0 pieces), then the log row ("出库", rhj 0).
MovementOutcome recordStockOut(Db& db, const StockOutLine& line, const QString& glyh,
                               const QDate& day);

} // namespace storedb
