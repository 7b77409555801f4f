#include "storedb/charge.h"

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/numtext.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/tilllease.h"

namespace storedb {

ChargedSale chargeSale(Db& db, const QString& terminal, const QDate& today) {
    // The bill number, the movement rows and the takings stand or fall
    // together: booking the money without the rows (or the reverse) would put
    // the till's takings and the movement log out of step for good.
    Transaction transaction(db);
    confirmTillLease(db, terminal);
    ChargedSale sale;
    sale.lines = saleLines(db, terminal);
    // Lines on screen that the table no longer holds (another till under the
    // same name emptied it) would be handed over as a sale of 0.
    if (sale.lines.isEmpty())
        throw EmptySaleError(
            QStringLiteral("charge: the sale table of %1 holds no lines").arg(terminal),
            QStringLiteral("本单没有可以收费的货物,不能收费！收款机已重新读取本单。"));
    double total = 0;
    for (const SaleLine& line : sale.lines)
        total += line.jg;
    sale.total = roundFen(total);
    // No till row (removed by the back office during the shift): the money
    // would be booked nowhere. The update holds the row until commit.
    if (!jqbsf(db, terminal, sale.total))
        throw DbError(
            QStringLiteral("jqbsf: 营业端 %1 没有注册，营业额无法记入").arg(terminal),
            QStringLiteral("此计算机 %1 已经不是注册的收款机,不能收费！请注销。").arg(terminal));
    db.execKept(QStringLiteral("shyrzb yye"),
                QStringLiteral(
                    "update shyrzb set yye=coalesce(yye,0)+:yye where jsj=:jsj and zxsj is null"),
                {{QStringLiteral("jsj"), terminal}, {QStringLiteral("yye"), sale.total}})
        .finish();
    // The bill counter is one row every till's charge locks until commit:
    // taken last, it is held for as short a time as the charge allows.
    sale.bill = accountnum(db);
    // The lines go to the log in one statement, in line order: a row per
    // line, each carrying the bill number.
    db.execKept(QStringLiteral("hwrzbsf"),
                QStringList{QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,"
                                           "hwly,num)"),
                            QStringLiteral("select hwh,hwlbh,dj,sl,0,%1,null,:crk,null,"
                                           "cast(:num as bigint) from %2 order by bh")
                                .arg(db.isSQLite() ? QStringLiteral(":crhsj")
                                                   : QStringLiteral("cast(:crhsj as timestamp)"),
                                     saleTableIdentifier(terminal))},
                {{QStringLiteral("crhsj"), dateParam(today)},
                 {QStringLiteral("crk"), kStockOut},
                 {QStringLiteral("num"), sale.bill}})
        .finish();
    // Who charged the bill, for a return of it later: the clerk on duty now,
    // on the day of the log rows.
    db.execKept(QStringLiteral("salebill"),
                QStringLiteral("insert into salebill(num,jsj,shyh,sold,total) "
                               "values(:num,:jsj,(select shyh from jqb where jsj=:till),:sold,"
                               ":total)"),
                {{QStringLiteral("num"), sale.bill},
                 {QStringLiteral("jsj"), terminal},
                 {QStringLiteral("till"), terminal},
                 {QStringLiteral("sold"), dateTimeParam(QDateTime(today, QTime::currentTime()))},
                 {QStringLiteral("total"), sale.total}})
        .finish();
    clearSaleTable(db, terminal);
    transaction.commit();
    return sale;
}

} // namespace storedb
