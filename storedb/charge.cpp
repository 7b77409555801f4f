#include "storedb/charge.h"

#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"

namespace storedb {

qint64 chargeSale(Db& db, const QString& terminal, const QDate& today) {
    // The bill number, the movement rows and the takings stand or fall
    // together: booking the money without the rows (or the reverse) would put
    // the till's takings and the movement log out of step for good.
    Transaction transaction(db);
    const QList<SaleLine> lines = saleLines(db, terminal);
    const qint64 bill = accountnum(db);
    for (const SaleLine& line : lines) {
        const Movement movement{line.hwh, line.hwlbh, line.dj,   line.sl,   0,
                                today,    QVariant(), kStockOut, QVariant()};
        hwrzbsf(db, movement, bill);
    }
    jqbsf(db, terminal, saleTotal(db, terminal));
    // jqbsf changes nothing for a till whose row has gone (removed by the back
    // office during the shift); the money would be booked nowhere. Checked
    // after the update, which holds the row until commit.
    QSqlQuery till =
        db.exec(QStringLiteral("jqbsf"), QStringLiteral("select count(*) from jqb where jsj=:jsj"),
                {{QStringLiteral("jsj"), terminal}});
    if (!till.next() || till.value(0).toInt() == 0)
        throw DbError(QStringLiteral("jqbsf: 营业端 %1 没有注册，营业额无法记入").arg(terminal));
    till.finish();
    transaction.commit();
    return bill;
}

} // namespace storedb
