// The store's own work timed on a generated store (storetool generate), one
// engine per run, printed as rows of the performance table:
//
//   bench_store --udl FILE [--rounds N] [--plans FILE]
//
// The floors are what the engine cannot do faster: one indexed point query
// prepared once and executed again, and one durable commit of a one-row
// insert. Each benchmark runs the same storedb functions the programs call.
// The plans of the return's and the day reports' statements go to the
// --plans file (Markdown), else to standard error.

#include "plans.h"
#include "timing.h"

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/datetime.h"
#include "storedb/dayclose.h"
#include "storedb/dayreport.h"
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
#include <optional>

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
        benchDayReports();
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

    // --- The day's reports: 营业日报 (X) and 日结 (Z)

    // The day of bill num, or of the first bill numbered after it; none past
    // the last. Bills are numbered as they are charged, so their days ascend
    // with the numbers and a day's bills are found through hwrzb_num alone.
    std::optional<QDate> dayOfBillFrom(qint64 num) {
        QSqlQuery q =
            db_.exec(QStringLiteral("bench bill day"),
                     QStringLiteral("select crhsj from hwrzb where num>=:num order by num limit 1"),
                     {{QStringLiteral("num"), num}});
        if (!q.next())
            return std::nullopt;
        return storedb::readDateTime(q.value(0)).date();
    }

    // The first bill charged on day or later; lastBill + 1 when none was.
    qint64 firstBillOn(const QDate& day, qint64 lastBill) {
        qint64 low = 1;
        qint64 high = lastBill + 1;
        while (low < high) {
            const qint64 middle = low + (high - low) / 2;
            const std::optional<QDate> d = dayOfBillFrom(middle);
            if (d && *d < day)
                low = middle + 1;
            else
                high = middle;
        }
        return low;
    }

    // The generator writes the log's bills but not who charged them
    // (salebill, which the X reads the sales from): the day's bills get the
    // row a charge writes, spread over the clerks who signed on that day, so
    // that the reports count the sales a busy day holds.
    void giveBillsTheirCharges(const QDate& day, qint64 lastBill) {
        const qint64 first = firstBillOn(day, lastBill);
        const qint64 last = firstBillOn(day.addDays(1), lastBill) - 1;
        if (first > last)
            return;
        db_.exec(
            QStringLiteral("bench day's bills"),
            QStringList{
                QStringLiteral("insert into salebill(num,jsj,shyh,sold,total)"),
                QStringLiteral("with bills as (select num,sum(round(dj*sl,2)) as total,"),
                QStringLiteral("row_number() over (order by num) as b,count(*) over () as n"),
                QStringLiteral("from hwrzb where num between :first and :last group by num),"),
                QStringLiteral("shifts as (select jsj,shyh,row_number() over (order by jsj,shyh) "
                               "as s,count(*) over () as m"),
                QStringLiteral("from shyrzb where dlsj>=:start and dlsj<:next)"),
                QStringLiteral("select b.num,s.jsj,s.shyh,%1,b.total from bills b")
                    .arg(db_.isSQLite() ? QStringLiteral(":sold")
                                        : QStringLiteral("cast(:sold as timestamp)")),
                QStringLiteral("join shifts s on s.s=(b.b-1)*s.m/b.n+1"),
                QStringLiteral("where not exists (select 1 from salebill x where x.num=b.num)")},
            {{QStringLiteral("first"), first},
             {QStringLiteral("last"), last},
             {QStringLiteral("start"), storedb::dateParam(day)},
             {QStringLiteral("next"), storedb::dateParam(day.addDays(1))},
             {QStringLiteral("sold"), storedb::dateTimeParam(QDateTime(day, QTime(11, 0)))}});
    }

    // Neither the log nor the charged bills read through: the day's rows are
    // found by their dates.
    static bool byTheDay(const WorkPlans& plans) {
        return plans.failure.isEmpty() && !plans.scans(QStringLiteral("hwrzb")) &&
               !plans.scans(QStringLiteral("salebill"));
    }

    // X: days drawn from the whole log, each read once, in no order. Z: the
    // days after the last closed one, oldest first, each closed once (a Z
    // cannot be undone, and closing refuses an earlier day). Only days before
    // today: the generator signed off all their shifts, while today's belong
    // to the benchmarks.
    void benchDayReports() {
        QSqlQuery top = db_.exec(QStringLiteral("bench last bill"),
                                 QStringLiteral("select max(num) from hwrzb"));
        const qint64 anyLastBill = top.next() ? top.value(0).toLongLong() : 0;
        top.finish();
        const QDate today = QDate::currentDate();
        const qint64 lastBill = firstBillOn(today, anyLastBill) - 1;
        const std::optional<QDate> firstDay = dayOfBillFrom(1);
        if (lastBill < 1 || !firstDay)
            throw storedb::Error(QStringLiteral("the store has no bills before today"));
        const int samples = std::max(50, rounds_ / 20);

        QList<QDate> xDays;
        QSet<QDate> drawn;
        for (int tries = 0; xDays.size() < samples && tries < samples * 10; ++tries) {
            const std::optional<QDate> day =
                dayOfBillFrom(1 + QRandomGenerator::global()->bounded(lastBill));
            if (day && !drawn.contains(*day)) {
                drawn.insert(*day);
                xDays << *day;
            }
        }
        QSqlQuery closed = db_.exec(QStringLiteral("bench last closed day"),
                                    QStringLiteral("select max(day) from dayclose"));
        const QDateTime lastClosed =
            closed.next() ? storedb::readDateTime(closed.value(0)) : QDateTime();
        closed.finish();
        QList<QDate> zDays;
        // One more than timed: its plans are caught on a close of its own.
        for (QDate day = lastClosed.isValid() ? lastClosed.date().addDays(1) : *firstDay;
             day < today && zDays.size() < samples + 1; day = day.addDays(1))
            zDays << day;
        for (const QDate& day : zDays + xDays)
            giveBillsTheirCharges(day, lastBill);

        Samples x;
        qint64 xSales = 0;
        for (const QDate& day : xDays)
            x.time([&] { xSales += storedb::dayFigures(db_, day).total.sales; });
        if (xSales == 0)
            throw storedb::Error(QStringLiteral("the X reports found no sales on the days drawn"));
        const WorkPlans xPlans = plansOf(db_, [&] { storedb::dayFigures(db_, xDays.first()); });

        Samples z;
        qint64 zSales = 0;
        qint64 closes = 0;
        QString refused;
        std::optional<WorkPlans> zPlans;
        const auto close = [&](const QDate& day) {
            return storedb::closeDay(db_, day, storedb::kFirstAdministratorNumber,
                                     QDateTime::currentDateTime());
        };
        try {
            for (qsizetype d = 0; d + 1 < zDays.size(); ++d) {
                z.time([&] { zSales += close(zDays[d]).figures.total.sales; });
                ++closes;
            }
            if (!zDays.isEmpty())
                zPlans = plansOf(db_, [&] { close(zDays.last()); });
        } catch (const storedb::DayCloseRefusedError& e) {
            refused = e.text();
        }

        const qint64 limit = 200000000;
        const QString goal =
            QStringLiteral("p99 < %1, neither the log (hwrzb) nor salebill read whole (plans)")
                .arg(durationText(limit));
        report(QStringLiteral("X report of a day (营业日报), %1 days drawn from the log, %2 sales "
                              "a day on average")
                   .arg(xDays.size())
                   .arg(xSales / std::max<qsizetype>(1, xDays.size())),
               x, 0, goal, !x.empty() && x.p99() < limit && byTheDay(xPlans));
        const QString zWhy = !refused.isEmpty() ? QStringLiteral(", refused: %1").arg(refused)
                             : z.empty()        ? QStringLiteral(", no day left to close")
                                                : QString();
        report(QStringLiteral("Z report: close a day (日结), %1 days in order, %2 sales a day on "
                              "average%3")
                   .arg(closes)
                   .arg(zSales / std::max<qint64>(1, closes))
                   .arg(zWhy),
               z, 0, goal,
               refused.isEmpty() && !z.empty() && z.p99() < limit && zPlans && byTheDay(*zPlans));
        QString text = plansText(
            QStringLiteral("%1, X report of a day (storedb::dayFigures)").arg(engine_), xPlans);
        if (zPlans)
            text += plansText(
                QStringLiteral("%1, Z report: close a day (storedb::closeDay)").arg(engine_),
                *zPlans);
        writePlans(text);
    }

    // The first plans of the run start the file afresh, the later ones follow.
    void writePlans(const QString& text) {
        if (plansFile_.isEmpty()) {
            err() << text;
            return;
        }
        QFile file(plansFile_);
        const QIODevice::OpenMode mode = plansWritten_ ? QIODevice::Append : QIODevice::Truncate;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Text | mode) ||
            file.write(text.toUtf8()) < 0)
            throw storedb::Error(QStringLiteral("cannot write %1").arg(plansFile_));
        plansWritten_ = true;
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
    bool plansWritten_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions({udlOption(),
                     {QStringLiteral("rounds"), QStringLiteral("Sale lines to key (2000)."),
                      QStringLiteral("n")},
                     {QStringLiteral("plans"),
                      QStringLiteral("Where to write the plans of the return's and the day "
                                     "reports' statements."),
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
