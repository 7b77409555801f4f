#pragma once

// A store at supermarket scale for the benchmarks: goods in categories, a
// movement log of stock-ins and sales over three years, tills, clerks and
// their closed shifts, all consistent with one another (the books check
// passes on it). The same seed and scale give the same store.

#include "storedb/connection.h"

#include <QDate>
#include <functional>

namespace storegen {

struct Scale {
    qint64 goods = 200000;
    int categories = 200;
    qint64 movements = 10000000; // log rows, before the low-stock stock-outs
    int tills = 50;
    int clerks = 1000;
    qint64 shifts = 100000;
    int days = 3 * 365; // the log ends the day before lastDay
};

Scale fullScale();
// Small enough for a CI run; the same shape.
Scale quickScale();

struct Generated {
    qint64 movements = 0; // log rows written, low-stock stock-outs included
    qint64 bills = 0;
    qint64 owedShifts = 0;
    QString busiestClerk; // the clerk with the most owed shifts
};

// Fills a store that has its tables and nothing else yet, one step at a time;
// step() is told what is being written. Goods are numbered 69 + eleven digits,
// categories C001..., clerks 0001... (password = number), tills POS01... on
// standby; one goods in fifty is brought down to at most nine pieces by a
// back-office stock-out, so that the low-stock list is not empty.
Generated generate(storedb::Db& db, const Scale& scale, quint64 seed, const QDate& lastDay,
                   const std::function<void(const QString&)>& step = {});

// The goods number of goods index g (0-based), as generate() writes it.
QString goodsNumber(qint64 g);

} // namespace storegen
