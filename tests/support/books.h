#pragma once

// The last step of a scenario: whatever it did, the store's books still add
// up. Fails the test with every finding of storedb::checkBooks.
//
// One allowance: addGoods() gives goods their stock without a stock-in row
// in the log, so for goods that have no stock-in row at all the stock's
// starting point is unknown and the stock rule is not applied to them here.
// Goods stocked through the log are checked in full.

#include "storedb/integrity.h"
#include "storedb/procedures.h"

#include <QSqlQuery>
#include <QTest>

namespace testsupport {

inline bool stockedWithoutLog(storedb::Db& db, const QString& hwh) {
    QSqlQuery q =
        db.exec(QStringLiteral("stock-in rows"),
                QStringLiteral("select count(*) from hwrzb where hwh=:hwh and crk=:crk"),
                {{QStringLiteral("hwh"), hwh}, {QStringLiteral("crk"), storedb::kStockIn}});
    return q.next() && q.value(0).toInt() == 0;
}

inline void expectBooksBalance(storedb::Db& db) {
    QStringList findings;
    for (const storedb::BooksFinding& f : storedb::checkBooks(db))
        if (f.rule != storedb::BooksRule::Stock || !stockedWithoutLog(db, f.subject))
            findings << f.text;
    QVERIFY2(findings.isEmpty(), qPrintable(findings.join(QLatin1Char('\n'))));
}

} // namespace testsupport
