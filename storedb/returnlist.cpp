#include "storedb/returnlist.h"

#include "storedb/datetime.h"

#include <cmath>

namespace storedb {

namespace {
const int kReturnTimeColumn = 0;
const int kReturnAmountColumn = 8;
} // namespace

ReturnList returnsBetween(const Db& db, const QDate& first, const QDate& last) {
    // Up to the next midnight, not 23:59:59: a time with a fraction of a
    // second still belongs to its day.
    QSqlQuery q =
        db.exec(QStringLiteral("returns between"),
                QStringList{QStringLiteral(
                                "select r.returned as 退货时间,r.jsj as 收款机,r.shyh as 售货员号,"
                                "s.shym as 售货员,r.glyh as 管理员号,g.glym as 授权管理员,"
                                "r.original as 原帐单,r.num as 退货单号,r.amount as 退款金额"),
                            QStringLiteral("from salereturn r left join shyb s on s.shyh=r.shyh"),
                            QStringLiteral("left join glyb g on g.glyh=r.glyh"),
                            QStringLiteral("where r.returned>=:first and r.returned<:after"),
                            QStringLiteral("order by r.returned,r.num")},
                {{QStringLiteral("first"), dateParam(first)},
                 {QStringLiteral("after"), dateParam(last.addDays(1))}});
    ReturnList list;
    list.rows = readRows(q);
    qint64 fen = 0;
    for (QVariantList& row : list.rows.rows) {
        // SQLite hands the time back as text, the server as a timestamp.
        row[kReturnTimeColumn] = readDateTime(row[kReturnTimeColumn]);
        fen += std::llround(row[kReturnAmountColumn].toDouble() * 100);
    }
    list.count = int(list.rows.rows.size());
    list.total = double(fen) / 100;
    return list;
}

} // namespace storedb
