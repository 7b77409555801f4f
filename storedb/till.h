#pragma once

// The till's compound operations on the store: sign-on, closing a shift,
// sign-off, and adding and removing the lines of the open sale.
//
// A shift's money lives in two places: the till's row (jqb.ye the float,
// jqb.yye the takings) and the shift's open row in shyrzb (qye the float at
// sign-on, yye the takings, which every charge raises as well). Closing goes
// by the till's row; the shift row alone serves when the back office has
// removed the till meanwhile.

#include "storedb/connection.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace storedb {

// The till's own row in jqb.
struct TillRow {
    QVariant shyh; // null at registration, empty after sign-off
    double ye = 0;
    double yye = 0;
    QString zt;
};
std::optional<TillRow> tillRow(const Db& db, const QString& jsj);

// What closing a shift hands over: the shift's takings T, the cash handed in
// H and the float R left in the drawer.
struct ShiftFigures {
    double takings = 0;
    double handIn = 0;
    double left = 0;
    // False when the till's row had gone (removed by the back office during
    // the shift): the figures come from the shift row, and the till cannot
    // sign on again until it is registered again.
    bool tillRegistered = true;
};

// The hand-in for S yuan in the drawer: whole hundreds, leaving at least 100
// when S is 200 or more; nothing below 200. Worked in tenths of a yuan, so
// 299.9 never turns into 299.89999.
ShiftFigures handInFor(double takings, double drawerFloat);

// Closes the till's shift: jqb back to standby with the new float and no
// takings; the open shift-log row closed with the takings and the float left
// ("未交"), or removed when the shift handed in nothing at all. Runs inside
// the caller's transaction, if any. Throws TillNotRegisteredError without the
// till's row, and ShiftLogMissingError, having written nothing, when there
// is money to account for (takings or cash to hand in) but no open shift row
// to book it to: the takings then stay on the till's row.
ShiftFigures closeShift(const Db& db, const QString& jsj, const QDateTime& now);

// Sign-on as one transaction: a shift left unfinished is wound up first (as
// openSaleTable does), the sale table is created, the till goes online with
// the clerk and the shift opens with the till's float. All or nothing: on any
// failure the store is as it was. Without the till's row nothing is written
// and TillNotRegisteredError says "此计算机 <jsj> 没有注册，请通知管理员注册！".
struct SignedOn {
    TillRow till;         // as it stands after sign-on: ye is the shift's float
    bool woundUp = false; // an unfinished shift was closed first
};
SignedOn signOn(Db& db, const QString& jsj, const QString& shyh, const QDateTime& now);

// Sign-on in two steps, each its own transaction (signOn does both in one).
// First half: makes the till's sale table ready. When the table is
// still there (the last shift never signed off), that shift is wound up
// first, in one transaction: the pending lines' pieces go back to stock, the
// shift is closed, the table dropped and created afresh (line numbers start
// at 1 again). True when a wind-up took place.
bool openSaleTable(Db& db, const QString& jsj, const QDateTime& now);

// Sign-on, second half: the till goes online with the clerk and the shift
// opens with the float qye.
void recordSignOn(Db& db, const QString& jsj, const QString& shyh, const QDateTime& now,
                  double qye);

// Sign-off: closes the shift and drops the sale table, all or nothing. A till
// whose row the back office removed during the shift still signs off: its
// open shift row is closed with the takings charged to it and its own float
// (tillRegistered is then false).
ShiftFigures signOff(Db& db, const QString& jsj, const QDateTime& now);

// What the back office's wind-up of a till that lost contact did.
struct LostTillWoundUp {
    QString shyh;          // the clerk who owes the takings
    int linesReturned = 0; // pending lines whose pieces went back to stock
    ShiftFigures figures;
};

// Ends the shift of a till that has lost contact (see tillsOutOfContact), as
// its own sign-off would and in one transaction: the pending lines' pieces go
// back to stock, the shift closes with the takings the till holds, owed by its
// clerk, the till goes to standby and its sale table is dropped. The name is
// taken from the till first (takeOverLostTill), so a till process that comes
// back finds itself signed off and books nothing. glyh is the administrator,
// recorded in changerecord. Throws TillInContactError while the lease is
// fresh, TillNotRegisteredError without the till's row and TillNotOnDutyError
// when nobody is signed on there; nothing is written then.
LostTillWoundUp windUpLostTill(Db& db, const QString& jsj, const QString& glyh,
                               const QDateTime& now);

// Sets a standby till's float (jqb.ye), checked as at registration, and
// records the change in changerecord. Throws TillOnlineError while a clerk is
// signed on; false when no till bears the name.
bool changeTillFloat(Db& db, const QString& jsj, double ye, const QString& glyh,
                     const QDateTime& now);

// Adds a line of sl pieces of the goods looked up as `goods`. The pieces
// leave stock only if the stock still covers them at this moment (another
// till may have sold some since the lookup); then the line is written, in the
// same transaction. On short stock nothing is written and the pieces then in
// stock come back.
struct AddedLine {
    bool added = false;
    int bh = 0;        // the new line's number
    int stockLeft = 0; // when refused: the pieces in stock now
};
AddedLine addSaleLine(Db& db, const QString& jsj, const QString& hwh, const GoodsAtTill& goods,
                      int sl);

// One line of the open sale, if its number exists.
std::optional<SaleLine> findSaleLine(const Db& db, const QString& jsj, int bh);

// Deletes a line and returns its pieces to stock, both or neither. False when
// the line is no longer there.
bool removeSaleLine(Db& db, const QString& jsj, int bh);

int saleLineCount(const Db& db, const QString& jsj);

} // namespace storedb
