// The store's own work timed on a generated store (storetool generate), one
// engine per run, printed as rows of the performance table:
//
//   bench_store --udl FILE [--rounds N]
//
// The floors are what the engine cannot do faster: one indexed point query
// prepared once and executed again, and one durable commit of a one-row
// insert. Each benchmark runs the same storedb functions the programs call.

#include "timing.h"

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/till.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace bench;

namespace {

class StoreBench {
  public:
    StoreBench(storedb::Db& db, int rounds)
        : db_(db), rounds_(rounds),
          engine_(db.isSQLite() ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL")) {
        QSqlQuery q =
            db_.exec(QStringLiteral("goods count"), QStringLiteral("select count(*) from hwpzb"));
        goods_ = q.next() ? q.value(0).toLongLong() : 0;
        if (goods_ == 0)
            throw storedb::Error(QStringLiteral("the store has no goods (storetool generate)"));
    }

    void run() {
        QSqlQuery version = db_.exec(QStringLiteral("version"),
                                     db_.isSQLite() ? QStringLiteral("select sqlite_version()")
                                                    : QStringLiteral("select version()"));
        if (version.next())
            err() << "engine: " << engine_ << " " << version.value(0).toString().section(',', 0, 0)
                  << "\n";
        measureFloors();
        benchSaleLinesAndCharges();
        benchSignOff();
    }

  private:
    // Goods that are well stocked: one in fifty was brought low by the generator.
    QString someGoods() {
        qint64 g = 0;
        do
            g = QRandomGenerator::global()->bounded(goods_);
        while (g % 50 == 0);
        return QStringLiteral("69%1").arg(g + 1, 11, 10, QLatin1Char('0'));
    }

    void measureFloors() {
        measurePointFloor();
        measureCommitFloor();
    }

    void measurePointFloor() {
        QSqlQuery point(db_.database());
        point.prepare(QStringLiteral("select hwh,dj,kcl from hwb where hwh=:hwh"));
        Samples query;
        for (int r = 0; r < rounds_ * 2; ++r) {
            point.bindValue(QStringLiteral(":hwh"), someGoods());
            query.time([&] {
                if (!point.exec() || !point.next())
                    throw storedb::Error(QStringLiteral("point query failed"));
            });
        }
        pointFloor_ = query.p50();
        report(QStringLiteral("floor: indexed point query (prepared once)"), query, 0, QString(),
               true);
    }

    void measureCommitFloor() {
        db_.exec(QStringLiteral("bench table"),
                 QStringLiteral("create table if not exists bench_commit (id integer)"));
        Samples commit;
        for (int r = 0; r < std::max(50, rounds_ / 4); ++r) {
            commit.time([&] {
                storedb::Transaction t(db_);
                db_.exec(QStringLiteral("bench insert"),
                         QStringLiteral("insert into bench_commit(id) values(:id)"),
                         {{QStringLiteral("id"), r}});
                t.commit();
            });
        }
        db_.exec(QStringLiteral("bench table"), QStringLiteral("drop table bench_commit"));
        commitFloor_ = commit.p50();
        report(QStringLiteral("floor: durable commit of a one-row insert"), commit, 0, QString(),
               true);
    }

    void signOn() { storedb::signOn(db_, kTill, kClerk, QDateTime::currentDateTime()); }

    // One Enter at the till: lookup, line, stock, total, the grid's rows; a
    // charge after every 20 lines.
    void benchSaleLinesAndCharges() {
        signOn();
        Samples enter;
        Samples charge;
        int lines = 0;
        for (int r = 0; r < rounds_; ++r) {
            const QString hwh = someGoods();
            enter.time([&] {
                const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db_, hwh);
                if (!goods)
                    throw storedb::Error(QStringLiteral("goods %1 not found").arg(hwh));
                storedb::addSaleLine(db_, kTill, hwh, *goods, 1);
                storedb::saleTotal(db_, kTill);
                QSqlQuery grid = storedb::saleGridRows(db_, kTill);
                while (grid.next())
                    grid.value(0);
            });
            if (++lines == 20) {
                charge.time([&] { storedb::chargeSale(db_, kTill, QDate::currentDate()); });
                lines = 0;
            }
        }
        if (lines > 0)
            storedb::chargeSale(db_, kTill, QDate::currentDate());
        storedb::signOff(db_, kTill, QDateTime::currentDateTime());

        const qint64 lineLimit = db_.isSQLite() ? 500000 : 1000000;
        report(QStringLiteral("add a sale line (lookup, line, stock, total, line list)"), enter,
               pointFloor_, QStringLiteral("p50 ≤ 6× floor, p99 < %1").arg(durationText(lineLimit)),
               enter.p50() <= 6 * pointFloor_ && enter.p99() < lineLimit);
        report(QStringLiteral("charge a 20-line sale, durable"), charge, commitFloor_,
               QStringLiteral("p50 ≤ 3× commit floor"), charge.p50() <= 3 * commitFloor_);
    }

    void benchSignOff() {
        Samples signOff;
        for (int r = 0; r < std::max(20, rounds_ / 20); ++r) {
            signOn();
            const QString hwh = someGoods();
            storedb::addSaleLine(db_, kTill, hwh, *storedb::hwhdw(db_, hwh), 1);
            storedb::chargeSale(db_, kTill, QDate::currentDate());
            signOff.time([&] { storedb::signOff(db_, kTill, QDateTime::currentDateTime()); });
        }
        report(QStringLiteral("sign-off"), signOff, 0, QStringLiteral("p50 < 10 ms"),
               signOff.p50() < 10000000);
    }

    void report(const QString& name, const Samples& s, qint64 floor, const QString& goal,
                bool met) {
        Row row;
        row.benchmark = name;
        row.engine = engine_;
        row.p50 = durationText(s.p50());
        row.p99 = durationText(s.p99());
        row.floor = floor > 0 ? durationText(floor) : QStringLiteral("-");
        row.ratio = ratioText(s.p50(), floor);
        row.goal = goal.isEmpty() ? QStringLiteral("-") : goal;
        row.met = met;
        printRow(out(), row);
    }

    static inline const QString kTill = QStringLiteral("POS01");
    static inline const QString kClerk = QStringLiteral("0002");

    storedb::Db& db_;
    int rounds_;
    QString engine_;
    qint64 goods_ = 0;
    qint64 pointFloor_ = 0;
    qint64 commitFloor_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions(
        {{QStringLiteral("udl"), QStringLiteral("The store's link.udl."), QStringLiteral("file")},
         {QStringLiteral("rounds"), QStringLiteral("Sale lines to key (2000)."),
          QStringLiteral("n")}});
    args.process(app);
    if (!args.isSet(QStringLiteral("udl"))) {
        err() << "bench_store: --udl FILE is needed\n";
        return 2;
    }
    const int rounds = args.value(QStringLiteral("rounds")).toInt() > 0
                           ? args.value(QStringLiteral("rounds")).toInt()
                           : 2000;
    try {
        auto db = storedb::openDatabase(storedb::readDataLink(args.value(QStringLiteral("udl"))),
                                        QStringLiteral("bench"), storedb::StoreCreation::MustExist);
        StoreBench(*db, rounds).run();
    } catch (const storedb::Error& e) {
        err() << "bench_store: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
