// How much the movement-log indexes buy: the query windows run over a large
// log (by direction, category and date; by goods and date), timed with the
// indexes and again without them. Prints the ratios; not a test.
//
//   bench_movements [rows]        (default 200000; STORE_TEST_ENGINE picks the engine)

#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "support/teststore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <cstdio>

using namespace storedb;

namespace {

void generate(Db& db, int rows) {
    // One statement on the server side: 500 goods in 6 categories over two
    // years, one stock-in for every three sales.
    const bool lite = db.isSQLite();
    const QString hwh = lite ? QStringLiteral("'69' || printf('%011d', i % 500)")
                             : QStringLiteral("'69' || lpad((i % 500)::text, 11, '0')");
    const QString hwlbh = lite ? QStringLiteral("'0' || ((i % 500) % 6 + 1)")
                               : QStringLiteral("'0' || ((i % 500) % 6 + 1)::text");
    const QString crhsj =
        lite ? QStringLiteral("datetime('2024-01-01', '+' || (i % 730) || ' days')")
             : QStringLiteral("timestamp '2024-01-01' + (i % 730) * interval '1 day'");
    const QString start = lite ? QStringLiteral("select 1") : QStringLiteral("select 1::int");
    Transaction transaction(db);
    db.exec(
        QStringLiteral("generate"),
        QStringList{
            QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num)"),
            QStringLiteral("with recursive n(i) as (%1 union all select i+1 from n where i<%2)")
                .arg(start)
                .arg(rows),
            QStringLiteral("select %1, %2, 3.5, 1 + i % 5, 0, %3, null,").arg(hwh, hwlbh, crhsj),
            QStringLiteral("case when i % 4 = 0 then :in else :out end, null, i from n")},
        {{QStringLiteral("in"), kStockIn}, {QStringLiteral("out"), kStockOut}});
    transaction.commit();
}

// Milliseconds per run of the two query windows, over several runs.
double timeQueries(Db& db, int runs) {
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < runs; ++r) {
        const QDate from = QDate(2024, 1, 1).addDays(r * 23 % 700);
        const Params window{{QStringLiteral("crk"), kStockOut},
                            {QStringLiteral("hwlbh"), QStringLiteral("0%1").arg(r % 6 + 1)},
                            {QStringLiteral("lo"), dateParam(from.addDays(-1))},
                            {QStringLiteral("hi"), dateParam(from.addDays(30))}};
        QSqlQuery byCategory =
            db.exec(QStringLiteral("by category"),
                    QStringLiteral(
                        "select hwh,sum(sl),sum(dj*sl) from hwrzb where crk=:crk and hwlbh=:hwlbh "
                        "and crhsj>:lo and crhsj<=:hi group by hwh"),
                    window);
        while (byCategory.next()) {
        }
        QSqlQuery byGoods = db.exec(
            QStringLiteral("by goods"),
            QStringLiteral(
                "select crhsj,dj,sl,crk from hwrzb where hwh=:hwh and crhsj>:lo and crhsj<=:hi"),
            {{QStringLiteral("hwh"),
              QStringLiteral("69%1").arg(r * 37 % 500, 11, 10, QLatin1Char('0'))},
             {QStringLiteral("lo"), dateParam(from.addDays(-1))},
             {QStringLiteral("hi"), dateParam(from.addDays(90))}});
        while (byGoods.next()) {
        }
    }
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 200000;
    const int runs = 30;
    try {
        testsupport::TestStore store;
        Db& db = store.db();
        QElapsedTimer timer;
        timer.start();
        generate(db, rows);
        db.exec(QStringLiteral("analyze"), QStringLiteral("analyze"));
        std::printf("%s: %d movements generated in %.1f s\n",
                    qPrintable(testsupport::engineLabel()), rows, timer.elapsed() / 1000.0);

        const double indexed = timeQueries(db, runs);
        db.exec(QStringLiteral("drop index"), QStringLiteral("drop index hwrzb_crk_hwlbh_crhsj"));
        db.exec(QStringLiteral("drop index"), QStringLiteral("drop index hwrzb_hwh_crhsj"));
        db.exec(QStringLiteral("analyze"), QStringLiteral("analyze"));
        const double scanned = timeQueries(db, runs);
        std::printf("with indexes:    %8.2f ms per pair of queries\n", indexed);
        std::printf("without indexes: %8.2f ms per pair of queries\n", scanned);
        std::printf("ratio:           %8.1f x faster with the indexes\n", scanned / indexed);
    } catch (const Error& e) {
        std::fprintf(stderr, "bench_movements: %s\n", e.text().toUtf8().constData());
        return 1;
    }
    return 0;
}
