#include "storedb/charge.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"

namespace storedb {

ChargedSale chargeSale(Db& db, const QString& terminal, const QDate& today) {
    // The bill number, the movement rows and the takings stand or fall
    // together: booking the money without the rows (or the reverse) would put
    // the till's takings and the movement log out of step for good.
    Transaction transaction(db);
    ChargedSale sale;
    sale.lines = saleLines(db, terminal);
    sale.total = saleTotal(db, terminal);
    sale.bill = accountnum(db);
    for (const SaleLine& line : sale.lines) {
        const Movement movement{line.hwh, line.hwlbh, line.dj,   line.sl,   0,
                                today,    QVariant(), kStockOut, QVariant()};
        hwrzbsf(db, movement, sale.bill);
    }
    jqbsf(db, terminal, sale.total);
    db.exec(QStringLiteral("shyrzb yye"),
            QStringLiteral(
                "update shyrzb set yye=coalesce(yye,0)+:yye where jsj=:jsj and zxsj is null"),
            {{QStringLiteral("jsj"), terminal}, {QStringLiteral("yye"), sale.total}});
    // jqbsf changes nothing for a till whose row has gone (removed by the back
    // office during the shift); the money would be booked nowhere. Checked
    // after the update, which holds the row until commit.
    QSqlQuery till =
        db.exec(QStringLiteral("jqbsf"), QStringLiteral("select count(*) from jqb where jsj=:jsj"),
                {{QStringLiteral("jsj"), terminal}});
    if (!till.next() || till.value(0).toInt() == 0)
        throw DbError(
            QStringLiteral("jqbsf: 营业端 %1 没有注册，营业额无法记入").arg(terminal),
            QStringLiteral("此计算机 %1 已经不是注册的收款机,不能收费！请注销。").arg(terminal));
    till.finish();
    clearSaleTable(db, terminal);
    transaction.commit();
    return sale;
}

} // namespace storedb
