// One side of the stock race, for tst_stock_race:
//   worker_stock_race <folder with link.udl> till <jsj> <hwh,hwh,...> <shyh>
//     a till selling one piece per sale, charged at once;
//   worker_stock_race <folder with link.udl> office <glyh> <hwh,hwh,...> <pieces>
//     the back office issuing <pieces> at a time.
// Each goods item in turn is taken until the side is refused. Prints "ready"
// once connected, starts on "go" from its standard input, and prints the
// pieces it took.

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/stock.h"
#include "storedb/till.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 6)
        return 2;
    const QString role = args[2];
    const QStringList goodsList = args[4].split(QLatin1Char(','));
    QTextStream out(stdout);
    try {
        auto db =
            storedb::openDatabase(storedb::readDataLink(args[1] + QStringLiteral("/link.udl")),
                                  QStringLiteral("race"), storedb::StoreCreation::MustExist);
        const QString who = args[3]; // the till, or the administrator
        if (role == QLatin1String("till"))
            storedb::signOn(*db, who, args[5], QDateTime::currentDateTime());
        out << "ready" << Qt::endl;
        char line[16];
        if (!std::fgets(line, sizeof line, stdin))
            return 4;

        int taken = 0;
        for (const QString& hwh : goodsList) {
            for (bool took = true; took;) {
                if (role == QLatin1String("till")) {
                    const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(*db, hwh);
                    if (!goods)
                        return 3;
                    took = storedb::addSaleLine(*db, who, hwh, *goods, 1).added;
                    if (took) {
                        storedb::chargeSale(*db, who, QDate::currentDate());
                        ++taken;
                    }
                } else {
                    const int pieces = args[5].toInt();
                    took = storedb::recordStockOut(*db, {hwh, 2.5, pieces, QStringLiteral("race")},
                                                   who, QDate::currentDate())
                               .result == storedb::MovementOutcome::Recorded;
                    if (took)
                        taken += pieces;
                }
            }
        }
        if (role == QLatin1String("till"))
            storedb::signOff(*db, who, QDateTime::currentDateTime());
        out << taken << Qt::endl;
    } catch (const storedb::Error& e) {
        QTextStream(stderr) << e.text() << Qt::endl;
        return 1;
    }
    return 0;
}
