// A till taking goods back, for tst_sale_return:
//
//   worker_sale_return UDL TILL
//
// Prints "ready" once connected. Each line on standard input, "<bill> <hwh>
// <dj> <pieces>", books that return at TILL, the moment the line arrives (a
// test sends it to several tills at once), and prints "booked <number>" or
// "refused <what the clerk reads>". Ends at the end of its input; any other
// failure goes to standard error with exit code 1.

#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/salereturn.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

using namespace storedb;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return 2;
    try {
        auto db = openDatabase(readDataLink(args.at(1)), QStringLiteral("worker"),
                               StoreCreation::MustExist);
        std::puts("ready");
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
            const QStringList w = QString::fromStdString(line).split(QLatin1Char(' '));
            QString answer;
            try {
                answer = QStringLiteral("booked %1")
                             .arg(bookReturn(*db, args.at(2), QStringLiteral("1002"),
                                             QStringLiteral("1"), w.at(0).toLongLong(),
                                             {{w.at(1), w.at(2).toDouble(), w.at(3).toInt()}},
                                             QDateTime::currentDateTime())
                                      .num);
            } catch (const ReturnRefusedError& e) {
                answer = QStringLiteral("refused ") + e.userText();
            }
            std::puts(answer.toUtf8().constData());
            std::fflush(stdout);
        }
    } catch (const Error& e) {
        std::fputs((e.text() + QLatin1Char('\n')).toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
