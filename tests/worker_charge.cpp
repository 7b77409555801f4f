// A till that charges sales, for tests that need several tills at once.
//
//   worker_charge UDL TERMINAL SALES
//
// Connects through the link file UDL, creates the terminal's sale table,
// prints "ready" and waits for a line on standard input, so that a test can
// let all its tills go at the same moment. Then charges SALES sales of two
// lines each (1.5 × 2 and 2.5 × 1, 5.5 in all), printing "bill <n>" per sale
// and pausing briefly after each, and drops the sale table. Any failure is
// printed to standard error and ends the run with exit code 1.

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/saletable.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QThread>
#include <cstdio>
#include <iostream>
#include <string>

using namespace storedb;

namespace {

void say(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: worker_charge UDL TERMINAL SALES\n", stderr);
        return 2;
    }
    const QString terminal = args.at(2);
    const int sales = args.at(3).toInt();
    try {
        auto db = openDatabase(readDataLink(args.at(1)), QStringLiteral("worker"));
        createSaleTable(*db, terminal);
        say(QStringLiteral("ready"));
        std::string go;
        std::getline(std::cin, go);
        for (int i = 0; i < sales; ++i) {
            insertSaleLine(*db, terminal, SaleLine{"W1", "水", "01", 1.5, 2, 3, 0});
            insertSaleLine(*db, terminal, SaleLine{"W2", "面包", "01", 2.5, 1, 2.5, 0});
            const qint64 bill = chargeSale(*db, terminal, QDate::currentDate()).bill;
            say(QStringLiteral("bill %1").arg(bill));
            // A clerk's pause between customers lets the other tills in:
            // SQLite's busy wait would otherwise let one till run all its sales.
            QThread::msleep(QRandomGenerator::global()->bounded(1, 6));
        }
        dropSaleTable(*db, terminal);
    } catch (const Error& e) {
        std::fputs((e.text() + QLatin1Char('\n')).toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
