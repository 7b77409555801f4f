// A till that sells single pieces of one goods item as fast as it can, for
// the race test: worker_till_race <folder with link.udl> <terminal> <hwh> <attempts>.
// Prints the number of lines it got.

#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/till.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5)
        return 2;
    try {
        auto db = storedb::openDatabase(
            storedb::readDataLink(args[1] + QStringLiteral("/link.udl")), QStringLiteral("race"));
        const QString terminal = args[2];
        const QString hwh = args[3];
        storedb::createSaleTable(*db, terminal);
        int added = 0;
        for (int i = 0, n = args[4].toInt(); i < n; ++i) {
            // Each attempt looks the goods up first, as the till does.
            const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(*db, hwh);
            if (!goods)
                return 3;
            if (storedb::addSaleLine(*db, terminal, hwh, *goods, 1).added)
                ++added;
        }
        QTextStream(stdout) << added << Qt::endl;
    } catch (const storedb::Error& e) {
        QTextStream(stderr) << e.text() << Qt::endl;
        return 1;
    }
    return 0;
}
