#pragma once

// The returns booked in a period, as the back office lists them (退货查询).

#include "storedb/background.h"
#include "storedb/connection.h"

#include <QDate>

namespace storedb {

// 退货时间, 收款机, 售货员号, 售货员, 管理员号, 授权管理员, 原帐单, 退货单号,
// 退款金额: one row per return, by time. The names are today's names of the
// numbers; a person removed since has none.
struct ReturnList {
    RowSet rows;
    int count = 0;
    double total = 0; // the refunds, added in whole fen
};

// The returns booked from the first day's midnight up to the end of the last
// day, both days included.
ReturnList returnsBetween(const Db& db, const QDate& first, const QDate& last);

} // namespace storedb
