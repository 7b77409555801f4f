// The store's own work timed on a generated store (storetool generate), one
// engine per run, printed as rows of the performance table:
//
//   bench_store --udl FILE [--rounds N] [--plans FILE]
//
// The floors are what the engine cannot do faster: one indexed point query
// prepared once and executed again, and one durable commit of a one-row
// insert. Each benchmark runs the same storedb functions the programs call.
// The plans of the return's statements go to the --plans file (Markdown),
// else to standard error.

#include "plans.h"
#include "timing.h"

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/datetime.h"
#include "storedb/errors.h"
#include "storedb/procedures.h"
#include "storedb/salereturn.h"
#include "storedb/saletable.h"
#include "storedb/schema.h"
#include "storedb/till.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>
#include <limits>

using namespace bench;

namespace {

class StoreBench {
  public:
    StoreBench(storedb::Db& db, int rounds, const QString& plansFile)
        : db_(db), rounds_(rounds), plansFile_(plansFile),
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
        benchReturns();
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
        measureLogWriteFloor();
    }

    // What a charge cannot do without: 20 rows into the log, each into the
    // log's indexes, and a durable commit. Taken out again afterwards, so the
    // store stays as generated.
    void measureLogWriteFloor() {
        const qint64 kNoBill = -1;
        QStringList placeholders;
        for (int line = 0; line < 20; ++line)
            placeholders << QStringLiteral(":h%1").arg(line);
        const QString insert =
            QStringLiteral("insert into hwrzb(hwh,hwlbh,dj,sl,rhj,crhsj,glyh,crk,hwly,num) "
                           "select hwh,hwlbh,dj,1,0,%1,null,:crk,null,cast(:num as bigint) "
                           "from hwb where hwh in (%2) returning bh")
                .arg(db_.isSQLite() ? QStringLiteral(":crhsj")
                                    : QStringLiteral("cast(:crhsj as timestamp)"),
                     placeholders.join(QLatin1Char(',')));
        Samples write;
        qint64 first = std::numeric_limits<qint64>::max();
        qint64 last = 0;
        for (int r = 0; r < std::max(50, rounds_ / 40); ++r) {
            storedb::Params params{
                {QStringLiteral("crhsj"), storedb::dateParam(QDate::currentDate())},
                {QStringLiteral("crk"), storedb::kStockOut},
                {QStringLiteral("num"), kNoBill}};
            for (int line = 0; line < 20; ++line)
                params.append({QStringLiteral("h%1").arg(line), someGoods()});
            write.time([&] {
                storedb::Transaction t(db_);
                QSqlQuery& rows = db_.execKept(QStringLiteral("bench log rows"), insert, params);
                while (rows.next()) {
                    first = std::min(first, rows.value(0).toLongLong());
                    last = std::max(last, rows.value(0).toLongLong());
                }
                rows.finish();
                t.commit();
            });
        }
        db_.exec(QStringLiteral("bench log rows"),
                 QStringLiteral("delete from hwrzb where bh between :first and :last and num=:num"),
                 {{QStringLiteral("first"), first},
                  {QStringLiteral("last"), last},
                  {QStringLiteral("num"), kNoBill}});
        logWriteFloor_ = write.p50();
        report(QStringLiteral("floor: durable commit of 20 log rows (a charge's own writes)"),
               write, 0, QString(), true);
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
        const Samples commit = commitSamples(storedb::Durability::Durable);
        const Samples lazy = commitSamples(storedb::Durability::Lazy);
        const Samples afterLines = commitAfterLazySamples();
        db_.forgetKept();
        db_.exec(QStringLiteral("bench table"), QStringLiteral("drop table bench_commit"));
        commitFloor_ = commit.p50();
        lazyFloor_ = lazy.p50();
        report(QStringLiteral("floor: durable commit of a one-row insert"), commit, 0, QString(),
               true);
        report(QStringLiteral("floor: lazy commit of a one-row insert (as a sale line's)"), lazy, 0,
               QString(), true);
        report(QStringLiteral("floor: durable commit of a one-row insert after 20 lazy ones (the "
                              "flush a charge inherits from its lines)"),
               afterLines, 0, QString(), true);
    }

    // The durable commit that follows lazy ones also waits for all they wrote.
    Samples commitAfterLazySamples() {
        Samples commit;
        const auto insert = [&](int id) {
            db_.execKept(QStringLiteral("bench insert"),
                         QStringLiteral("insert into bench_commit(id) values(:id)"),
                         {{QStringLiteral("id"), id}})
                .finish();
        };
        for (int r = 0; r < std::max(20, rounds_ / 40); ++r) {
            for (int line = 0; line < 20; ++line) {
                storedb::Transaction t(db_, storedb::Durability::Lazy);
                insert(line);
                t.commit();
            }
            commit.time([&] {
                storedb::Transaction t(db_);
                insert(r);
                t.commit();
            });
        }
        return commit;
    }

    Samples commitSamples(storedb::Durability durability) {
        Samples commit;
        for (int r = 0; r < std::max(50, rounds_ / 4); ++r) {
            commit.time([&] {
                storedb::Transaction t(db_, durability);
                db_.execKept(QStringLiteral("bench insert"),
                             QStringLiteral("insert into bench_commit(id) values(:id)"),
                             {{QStringLiteral("id"), r}})
                    .finish();
                t.commit();
            });
        }
        return commit;
    }

    void signOn() { storedb::signOn(db_, kTill, kClerk, QDateTime::currentDateTime()); }

    // One Enter at the till: lookup, line, stock, total, the grid's rows; a
    // charge after every 20 lines.
    void benchSaleLinesAndCharges() {
        signOn();
        Samples enter;
        // The Enter's parts, to show which of them the time goes to.
        Samples lookup;
        Samples write;
        Samples reads;
        Samples charge;
        int lines = 0;
        for (int r = 0; r < rounds_; ++r) {
            const QString hwh = someGoods();
            enter.time([&] {
                std::optional<storedb::GoodsAtTill> goods;
                lookup.time([&] { goods = storedb::hwhdw(db_, hwh); });
                if (!goods)
                    throw storedb::Error(QStringLiteral("goods %1 not found").arg(hwh));
                write.time([&] { storedb::addSaleLine(db_, kTill, hwh, *goods, 1); });
                reads.time([&] {
                    storedb::saleTotal(db_, kTill);
                    QSqlQuery grid = storedb::saleGridRows(db_, kTill);
                    while (grid.next())
                        grid.value(0);
                });
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
        report(QStringLiteral("— its lookup"), lookup, pointFloor_, QStringLiteral("reported"),
               true);
        report(QStringLiteral("— its transaction (stock taken, line written, lazy commit)"), write,
               lazyFloor_, QStringLiteral("reported"), true);
        report(QStringLiteral("— its total and line list (10 lines on average)"), reads,
               pointFloor_, QStringLiteral("reported"), true);
        report(QStringLiteral("charge a 20-line sale, durable"), charge, commitFloor_,
               QStringLiteral("p50 ≤ 3× commit floor"), charge.p50() <= 3 * commitFloor_);
        report(QStringLiteral("— the same charges against the commit of their 20 log rows alone"),
               charge, logWriteFloor_, QStringLiteral("reported"), true);
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

    // A charged bill of 20 lines of 20 different goods, sold as the till sells.
    qint64 chargeTwentyLines() {
        QSet<QString> sold;
        while (sold.size() < 20) {
            const QString hwh = someGoods();
            if (sold.contains(hwh))
                continue;
            const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db_, hwh);
            if (goods && storedb::addSaleLine(db_, kTill, hwh, *goods, 1).added)
                sold.insert(hwh);
        }
        return storedb::chargeSale(db_, kTill, QDate::currentDate()).bill;
    }

    static QList<storedb::ReturnPiece> wholeBill(const storedb::BillForReturn& bill) {
        QList<storedb::ReturnPiece> pieces;
        for (const storedb::BillLine& line : bill.lines)
            pieces.append({line.hwh, line.dj, line.left()});
        return pieces;
    }

    // Returns as the back counter books them: the bill opened by its number,
    // then all of it taken back, each return on a bill of its own. The bills
    // are sold in the same shift first, so the drawer holds every refund.
    void benchReturns() {
        signOn();
        QList<qint64> bills;
        for (int b = 0; b < std::max(50, rounds_ / 5) + 1; ++b)
            bills << chargeTwentyLines();
        // Customers come back in another order than they bought.
        std::shuffle(bills.begin(), bills.end(), *QRandomGenerator::global());
        const qint64 explained = bills.takeLast();
        Samples open;
        Samples book;
        // A lookup that reads the log through takes seconds at this size: a
        // few samples then tell enough, and the run still ends.
        QElapsedTimer spent;
        spent.start();
        int returned = 0;
        for (const qint64 num : bills) {
            if (returned >= 3 && spent.elapsed() > 60000)
                break;
            ++returned;
            std::optional<storedb::BillForReturn> bill;
            open.time([&] { bill = storedb::billForReturn(db_, num); });
            if (!bill || bill->lines.size() != 20)
                throw storedb::Error(
                    QStringLiteral("bill %1 is not read with its 20 lines").arg(num));
            const QList<storedb::ReturnPiece> pieces = wholeBill(*bill);
            book.time([&] {
                storedb::bookReturn(db_, kTill, kClerk, storedb::kFirstAdministratorNumber, num,
                                    pieces, QDateTime::currentDateTime());
            });
        }
        // Caught once the store holds the returns just booked.
        std::optional<storedb::BillForReturn> bill;
        const WorkPlans openPlans =
            plansOf(db_, [&] { bill = storedb::billForReturn(db_, explained); });
        if (!bill)
            throw storedb::Error(QStringLiteral("bill %1 is not found").arg(explained));
        const WorkPlans bookPlans = plansOf(db_, [&] {
            storedb::bookReturn(db_, kTill, kClerk, storedb::kFirstAdministratorNumber, explained,
                                wholeBill(*bill), QDateTime::currentDateTime());
        });
        storedb::signOff(db_, kTill, QDateTime::currentDateTime());

        // A bill is found by its number through the indexes, never by reading
        // the log or the returns through.
        const auto indexed = [](const WorkPlans& plans) {
            return plans.failure.isEmpty() &&
                   plans.readOnlyThrough(QStringLiteral("hwrzb"), QStringLiteral("hwrzb_num")) &&
                   plans.readThrough(QStringLiteral("salereturn"),
                                     QStringLiteral("salereturn_original")) &&
                   !plans.scans(QStringLiteral("salereturn"));
        };
        const qint64 limit = 50000000;
        const QString cut =
            returned < bills.size()
                ? QStringLiteral(" (%1 returns only: a minute was up)").arg(returned)
                : QString();
        report(QStringLiteral("open a 20-line bill for return") + cut, open, pointFloor_,
               QStringLiteral("p99 < %1, the log only by hwrzb_num, returns by "
                              "salereturn_original (plans)")
                   .arg(durationText(limit)),
               open.p99() < limit && indexed(openPlans));
        report(QStringLiteral("book the return of a 20-line bill, durable") + cut, book,
               logWriteFloor_,
               QStringLiteral("p99 < %1, by the same indexes (plans)").arg(durationText(limit)),
               book.p99() < limit && indexed(bookPlans));
        writePlans(plansText(QStringLiteral("%1, open a 20-line bill for return "
                                            "(storedb::billForReturn)")
                                 .arg(engine_),
                             openPlans) +
                   plansText(QStringLiteral("%1, book the return of a 20-line bill "
                                            "(storedb::bookReturn)")
                                 .arg(engine_),
                             bookPlans));
    }

    void writePlans(const QString& text) {
        if (plansFile_.isEmpty()) {
            err() << text;
            return;
        }
        QFile file(plansFile_);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toUtf8()) < 0)
            throw storedb::Error(QStringLiteral("cannot write %1").arg(plansFile_));
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
    QString plansFile_;
    QString engine_;
    qint64 goods_ = 0;
    qint64 pointFloor_ = 0;
    qint64 commitFloor_ = 0;
    qint64 lazyFloor_ = 0;
    qint64 logWriteFloor_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({udlOption(),
                     {QStringLiteral("rounds"), QStringLiteral("Sale lines to key (2000)."),
                      QStringLiteral("n")},
                     {QStringLiteral("plans"),
                      QStringLiteral("Where to write the plans of the return's statements."),
                      QStringLiteral("file")}});
    args.process(app);
    if (!hasUdl(args, "bench_store"))
        return 2;
    const int rounds = countOption(args, QStringLiteral("rounds"), 2000);
    try {
        auto db = storedb::openDatabase(storedb::readDataLink(args.value(QStringLiteral("udl"))),
                                        QStringLiteral("bench"), storedb::StoreCreation::MustExist);
        StoreBench(*db, rounds, args.value(QStringLiteral("plans"))).run();
    } catch (const storedb::Error& e) {
        err() << "bench_store: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
