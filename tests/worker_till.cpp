// A stand-in till for tests that need several programs on one store at once.
// Each run is its own process with its own connection, found through
// link.udl beside this executable or the one named by --udl.
//
//   worker_till where                 prints the program folder and the link it reads
//   worker_till [--udl F] open        opens the store (a new SQLite file gets its tables)
//   worker_till [--udl F] bills N [--transaction-every K]
//                                     draws N bill numbers, printing "bill <n>"
//   worker_till [--udl F] sell HWH[,HWH...] [--transaction-every K]
//                                     sells each goods item in turn, 1-3 pieces at a
//                                     time until its stock is gone, printing
//                                     "sale <hwh> <pieces> <bill>" per sale
//
// "bills" and "sell" print "ready" once connected and wait for a line on
// standard input, so that a test can let all its tills go at the same moment.
// Every K-th step runs inside one write transaction (BEGIN IMMEDIATE on
// SQLite) that first reads and then writes, as charging does.

#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"

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

void waitForGo() {
    say(QStringLiteral("ready"));
    std::string line;
    std::getline(std::cin, line);
}

int drawBills(Db& db, int count, int transactionEvery) {
    waitForGo();
    for (int i = 1; i <= count; ++i) {
        qint64 num = 0;
        if (transactionEvery > 0 && i % transactionEvery == 0) {
            Transaction transaction(db);
            // Read first, then write: the pattern a plain BEGIN cannot serve.
            db.exec(QStringLiteral("peek"), QStringLiteral("select accountnum from company"));
            QThread::msleep(2); // the time a till spends between reading and writing
            num = accountnum(db);
            transaction.commit();
        } else {
            num = accountnum(db);
        }
        say(QStringLiteral("bill %1").arg(num));
    }
    return 0;
}

void logSale(Db& db, const QString& hwh, int pieces, qint64 num) {
    Movement m;
    m.hwh = hwh;
    m.hwlbh = QStringLiteral("01");
    m.dj = 2.5;
    m.sl = pieces;
    m.crhsj = QDate::currentDate();
    m.crk = kStockOut;
    hwrzbsf(db, m, num);
}

// One sale of the pieces: true when the stock covered them.
bool sellOnce(Db& db, const QString& hwh, int pieces, bool inTransaction) {
    if (!inTransaction) {
        if (!hwbsf(db, hwh, pieces))
            return false;
        const qint64 num = accountnum(db);
        logSale(db, hwh, pieces, num);
        say(QStringLiteral("sale %1 %2 %3").arg(hwh).arg(pieces).arg(num));
        return true;
    }
    Transaction transaction(db);
    const auto goods = hwhdw(db, hwh);
    if (!goods)
        throw Error(QStringLiteral("goods %1 not on file").arg(hwh));
    QThread::msleep(2);
    // The stock read here is only a hint: the conditional decrement decides.
    if (!hwbsf(db, hwh, pieces))
        return false;
    const qint64 num = accountnum(db);
    logSale(db, hwh, pieces, num);
    transaction.commit();
    say(QStringLiteral("sale %1 %2 %3").arg(hwh).arg(pieces).arg(num));
    return true;
}

int sell(Db& db, const QStringList& goods, int transactionEvery) {
    waitForGo();
    int step = 0;
    for (const QString& hwh : goods) {
        for (;;) {
            ++step;
            const bool inTransaction = transactionEvery > 0 && step % transactionEvery == 0;
            const int pieces = QRandomGenerator::global()->bounded(1, 4);
            if (sellOnce(db, hwh, pieces, inTransaction))
                continue;
            // Short for this many: one piece more, or the stock is gone for
            // good (nobody puts pieces back here).
            if (pieces == 1 || !sellOnce(db, hwh, 1, inTransaction))
                break;
        }
    }
    return 0;
}

int run(const QStringList& args) {
    QStringList rest = args;
    QString udl = dataLinkPath();
    int transactionEvery = 0;
    for (qsizetype i = 0; i < rest.size();) {
        if (rest.at(i) == QLatin1String("--udl") && i + 1 < rest.size()) {
            udl = rest.at(i + 1);
            rest.remove(i, 2);
        } else if (rest.at(i) == QLatin1String("--transaction-every") && i + 1 < rest.size()) {
            transactionEvery = rest.at(i + 1).toInt();
            rest.remove(i, 2);
        } else {
            ++i;
        }
    }
    const QString command = rest.value(0);
    if (command == QLatin1String("where")) {
        say(QStringLiteral("dir %1").arg(programDirectory()));
        say(QStringLiteral("udl %1").arg(dataLinkPath()));
        const DataLink link = readDataLink(dataLinkPath());
        say(QStringLiteral("source %1").arg(link.dataSource));
        return 0;
    }
    auto db = openDatabase(readDataLink(udl));
    if (command == QLatin1String("open"))
        return 0;
    if (command == QLatin1String("bills"))
        return drawBills(*db, rest.value(1).toInt(), transactionEvery);
    if (command == QLatin1String("sell"))
        return sell(*db, rest.value(1).split(QLatin1Char(','), Qt::SkipEmptyParts),
                    transactionEvery);
    std::fputs("usage: worker_till [--udl FILE] where|open|bills N|sell HWH[,HWH...] "
               "[--transaction-every K]\n",
               stderr);
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments().mid(1));
    } catch (const Error& e) {
        std::fputs(QStringLiteral("error: %1\n").arg(e.text()).toUtf8().constData(), stderr);
        return 2;
    }
}
