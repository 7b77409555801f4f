// A back office closing days, for tst_day_close_race:
//
//   worker_day_close UDL
//
// Prints "ready" once connected. Each line on standard input, a day as
// "yyyy-MM-dd", closes that day the moment the line arrives (a test sends it
// to several back offices at once) and prints "closed <z>", "refused <what
// the administrator reads>", or "failed <what the administrator reads> |
// <the logged cause>" for any other failure, which the test shows as it is.
// Ends at the end of its input; a failure to connect goes to standard error
// with exit code 1.

#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/dayclose.h"
#include "storedb/errors.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

using namespace storedb;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2)
        return 2;
    try {
        auto db = openDatabase(readDataLink(args.at(1)), QStringLiteral("worker"),
                               StoreCreation::MustExist);
        std::puts("ready");
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
            const QDate day = QDate::fromString(QString::fromStdString(line), Qt::ISODate);
            QString answer;
            try {
                answer =
                    QStringLiteral("closed %1")
                        .arg(closeDay(*db, day, QStringLiteral("1"), QDateTime::currentDateTime())
                                 .z);
            } catch (const DayCloseRefusedError& e) {
                answer = QStringLiteral("refused ") + e.userText();
            } catch (const Error& e) {
                answer = QStringLiteral("failed %1 | %2").arg(e.userText(), e.text());
            }
            std::puts(answer.simplified().toUtf8().constData());
            std::fflush(stdout);
        }
    } catch (const Error& e) {
        std::fputs((e.text() + QLatin1Char('\n')).toUtf8().constData(), stderr);
        return 1;
    }
    return 0;
}
