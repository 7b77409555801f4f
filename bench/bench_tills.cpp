// Many tills selling at once on a generated store (storetool generate), one
// engine per run, printed as rows of the performance table:
//
//   bench_tills --udl FILE [--tills 20] [--seconds 60]
//
// Each till is a process of its own (this program again, with --worker N):
// till POSnn, clerk 00nn, signs on, keys sales of 1 to 20 random goods with
// the storedb functions the till calls at every Enter, charges each sale and
// signs off when the time is up. The tills sell as fast as they can, with no
// clerk's pause between keys. Afterwards the books must add up, and every
// sale a till reports must be in the log with its lines and its money.

#include "timing.h"

#include "storedb/charge.h"
#include "storedb/connection.h"
#include "storedb/datalink.h"
#include "storedb/errors.h"
#include "storedb/integrity.h"
#include "storedb/procedures.h"
#include "storedb/saletable.h"
#include "storedb/till.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>
#include <cmath>
#include <memory>

using namespace bench;

namespace {

QString tillName(int n) {
    return QStringLiteral("POS%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString clerkNumber(int n) {
    return QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
}

QVariant scalar(const storedb::Db& db, const QString& sql, const storedb::Params& params = {}) {
    QSqlQuery q = db.exec(QStringLiteral("bench"), sql, params);
    return q.next() ? q.value(0) : QVariant();
}

qint64 goodsCount(const storedb::Db& db) {
    const qint64 goods = scalar(db, QStringLiteral("select count(*) from hwb")).toLongLong();
    if (goods == 0)
        throw storedb::Error(QStringLiteral("the store has no goods (storetool generate)"));
    return goods;
}

// What one till did, as it reports it on its last line of output:
// "done sales lines pieces fen errors refused seconds".
struct TillTally {
    qint64 sales = 0;
    qint64 lines = 0;
    qint64 pieces = 0;
    qint64 fen = 0; // the charged totals, in fen
    qint64 errors = 0;
    qint64 refused = 0; // lines refused for short stock (another till sold the pieces)
    double seconds = 0;
};

// One till: waits for "go" on its standard input, sells for `seconds`, then
// prints the time of every line and charge ("lines ns...", "charges ns...")
// and its tally.
class TillWorker {
  public:
    TillWorker(storedb::Db& db, int n, int seconds, int pauseMs)
        : db_(db), till_(tillName(n)), clerk_(clerkNumber(n)), seconds_(seconds), pauseMs_(pauseMs),
          random_(quint32(n) * 7919u + quint32(QDateTime::currentMSecsSinceEpoch())),
          goods_(goodsCount(db)) {}

    int run() {
        storedb::signOn(db_, till_, clerk_, QDateTime::currentDateTime());
        out() << "ready" << Qt::endl;
        QTextStream in(stdin);
        if (in.readLine() != QLatin1String("go"))
            return 3;
        QElapsedTimer selling;
        selling.start();
        while (selling.elapsed() < qint64(seconds_) * 1000)
            sellOne();
        tally_.seconds = double(selling.nsecsElapsed()) / 1e9;
        // A sale whose charge failed is still pending: charged now, or its
        // pieces would leave the books with the sale table.
        for (int attempt = 0; attempt < 3 && pending_ > 0; ++attempt)
            charge();
        storedb::signOff(db_, till_, QDateTime::currentDateTime());
        printTimes("lines", lineNs_);
        printTimes("charges", chargeNs_);
        out() << "done " << tally_.sales << ' ' << tally_.lines << ' ' << tally_.pieces << ' '
              << tally_.fen << ' ' << tally_.errors << ' ' << tally_.refused << ' '
              << tally_.seconds << Qt::endl;
        return 0;
    }

  private:
    // Goods that are well stocked: one in fifty was brought low by the generator.
    QString someGoods() {
        qint64 g = 0;
        do
            g = random_.bounded(goods_);
        while (g % 50 == 0);
        return QStringLiteral("69%1").arg(g + 1, 11, 10, QLatin1Char('0'));
    }

    void sellOne() {
        try {
            const int lines = random_.bounded(1, 21);
            for (int i = 0; i < lines; ++i)
                keyLine();
        } catch (const storedb::Error& e) {
            ++tally_.errors;
            err() << till_ << ": " << e.text() << Qt::endl;
        }
        if (pending_ > 0)
            charge();
    }

    void charge() {
        try {
            QElapsedTimer clock;
            clock.start();
            const storedb::ChargedSale sale = storedb::chargeSale(db_, till_, QDate::currentDate());
            chargeNs_.push_back(clock.nsecsElapsed());
            pending_ = 0;
            ++tally_.sales;
            tally_.lines += sale.lines.size();
            for (const storedb::SaleLine& line : sale.lines)
                tally_.pieces += line.sl;
            tally_.fen += qRound64(sale.total * 100);
        } catch (const storedb::Error& e) {
            ++tally_.errors;
            err() << till_ << ": " << e.text() << Qt::endl;
        }
    }

    // One Enter at the till: lookup, line (stock taken), total, the grid's
    // rows. Refused lines (short stock) are counted, not errors.
    void keyLine() {
        const QString hwh = someGoods();
        const int quantity = random_.bounded(1, 4);
        // The clerk's time to pick up the next goods, varied so that the
        // tills do not key in step.
        if (pauseMs_ > 0)
            QThread::msleep(random_.bounded(pauseMs_ / 2, pauseMs_ * 3 / 2 + 1));
        QElapsedTimer clock;
        clock.start();
        const std::optional<storedb::GoodsAtTill> goods = storedb::hwhdw(db_, hwh);
        if (!goods)
            throw storedb::Error(QStringLiteral("goods %1 not found").arg(hwh));
        if (goods->kcl < quantity) {
            ++tally_.refused;
            return;
        }
        const storedb::AddedLine added = storedb::addSaleLine(db_, till_, hwh, *goods, quantity);
        if (!added.added) {
            ++tally_.refused;
            return;
        }
        storedb::saleTotal(db_, till_);
        QSqlQuery grid = storedb::saleGridRows(db_, till_);
        while (grid.next())
            grid.value(0);
        lineNs_.push_back(clock.nsecsElapsed());
        ++pending_;
    }

    static void printTimes(const char* what, const std::vector<qint64>& ns) {
        out() << what;
        for (qint64 t : ns)
            out() << ' ' << t;
        out() << Qt::endl;
    }

    storedb::Db& db_;
    QString till_;
    QString clerk_;
    int seconds_;
    int pauseMs_;
    QRandomGenerator random_;
    qint64 goods_;
    TillTally tally_;
    int pending_ = 0; // lines keyed and not charged yet
    std::vector<qint64> lineNs_;
    std::vector<qint64> chargeNs_;
};

// The machine's CPU time so far (/proc/stat, all cores), in clock ticks.
struct CpuTime {
    qint64 busy = 0;
    qint64 total = 0;
};

CpuTime cpuTime() {
    QFile stat(QStringLiteral("/proc/stat"));
    CpuTime time;
    if (!stat.open(QIODevice::ReadOnly))
        return time;
    const QList<QByteArray> f = stat.readLine().simplified().split(' ');
    // cpu user nice system idle iowait irq softirq steal ...
    for (qsizetype k = 1; k < f.size() && k <= 8; ++k) {
        time.total += f[k].toLongLong();
        if (k != 4 && k != 5)
            time.busy += f[k].toLongLong();
    }
    return time;
}

// The log as it stands before the run: the bills the tills write come after.
struct LogMark {
    qint64 bill = 0;
    qint64 rows = 0;
};

LogMark logMark(const storedb::Db& db) {
    LogMark mark;
    mark.bill = scalar(db, QStringLiteral("select coalesce(max(num),0) from hwrzb")).toLongLong();
    mark.rows = scalar(db, QStringLiteral("select count(*) from hwrzb")).toLongLong();
    return mark;
}

// What the log holds of the sales made since the mark.
TillTally loggedSince(const storedb::Db& db, const LogMark& mark) {
    QSqlQuery q = db.exec(
        QStringLiteral("bench logged"),
        QStringLiteral("select count(distinct num), count(*), coalesce(sum(sl),0), "
                       "coalesce(sum(round(dj*sl*100)),0) from hwrzb where num>:num and crk=:crk"),
        {{QStringLiteral("num"), mark.bill}, {QStringLiteral("crk"), storedb::kStockOut}});
    TillTally logged;
    if (q.next()) {
        logged.sales = q.value(0).toLongLong();
        logged.lines = q.value(1).toLongLong();
        logged.pieces = q.value(2).toLongLong();
        logged.fen = qRound64(q.value(3).toDouble());
    }
    return logged;
}

class TillsBench {
  public:
    TillsBench(storedb::Db& db, QString udl, int tills, int seconds, int pauseMs)
        : db_(db), udl_(std::move(udl)), tills_(tills), seconds_(seconds), pauseMs_(pauseMs),
          engine_(db.isSQLite() ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL")) {}

    int run() {
        measureCommitFloor();
        const LogMark mark = logMark(db_);
        startTills();
        if (!allSay(QStringLiteral("ready"), 120000))
            return 1;
        const CpuTime before = cpuTime();
        for (auto& till : tillProcesses_)
            till->write("go\n");
        if (!allFinish(qint64(seconds_) * 1000 + 300000))
            return 1;
        const CpuTime after = cpuTime();
        if (after.total > before.total)
            cpuBusy_ = double(after.busy - before.busy) / double(after.total - before.total);
        collect();
        checkAfterwards(mark);
        report();
        return 0;
    }

  private:
    void measureCommitFloor() {
        db_.exec(QStringLiteral("bench table"),
                 QStringLiteral("create table if not exists bench_commit (id integer)"));
        Samples commit;
        for (int r = 0; r < 100; ++r)
            commit.time([&] {
                storedb::Transaction t(db_);
                db_.exec(QStringLiteral("bench insert"),
                         QStringLiteral("insert into bench_commit(id) values(:id)"),
                         {{QStringLiteral("id"), r}});
                t.commit();
            });
        db_.exec(QStringLiteral("bench table"), QStringLiteral("drop table bench_commit"));
        commitFloor_ = commit.p50();
        // The disk's own spread, which every charge's commit waits for.
        err() << "bench_tills: " << engine_ << " durable commit alone: p50 "
              << durationText(commit.p50()) << ", p99 " << durationText(commit.p99()) << Qt::endl;
    }

    void startTills() {
        for (int n = 1; n <= tills_; ++n) {
            auto till = std::make_unique<QProcess>();
            // The tills' errors go to our own standard error as they happen.
            till->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            till->start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--worker"), QString::number(n), QStringLiteral("--udl"),
                         udl_, QStringLiteral("--seconds"), QString::number(seconds_),
                         QStringLiteral("--pause"), QString::number(pauseMs_)});
            tillProcesses_.push_back(std::move(till));
        }
        output_.resize(tillProcesses_.size());
    }

    bool allSay(const QString& line, int ms) {
        QDeadlineTimer deadline(ms);
        for (size_t i = 0; i < tillProcesses_.size(); ++i) {
            QProcess& till = *tillProcesses_[i];
            while (!till.canReadLine()) {
                if (till.state() == QProcess::NotRunning ||
                    !till.waitForReadyRead(int(deadline.remainingTime()))) {
                    err() << "bench_tills: " << tillName(int(i) + 1) << " did not start"
                          << Qt::endl;
                    return false;
                }
            }
            if (QString::fromUtf8(till.readLine()).trimmed() != line) {
                err() << "bench_tills: " << tillName(int(i) + 1) << " did not sign on" << Qt::endl;
                return false;
            }
        }
        return true;
    }

    // Reads every till in turn while they finish: a till writing its times
    // must never wait for a full pipe while we wait for another.
    bool allFinish(qint64 ms) {
        QDeadlineTimer deadline(ms);
        for (auto& till : tillProcesses_)
            till->closeWriteChannel();
        for (;;) {
            bool running = false;
            for (size_t i = 0; i < tillProcesses_.size(); ++i) {
                QProcess& till = *tillProcesses_[i];
                if (till.state() != QProcess::NotRunning) {
                    till.waitForFinished(20);
                    running = running || till.state() != QProcess::NotRunning;
                }
                output_[i] += till.readAllStandardOutput();
            }
            if (!running)
                break;
            if (deadline.hasExpired()) {
                err() << "bench_tills: the tills did not finish in time" << Qt::endl;
                return false;
            }
        }
        // A till that failed is counted as an error when its tally is missing.
        for (size_t i = 0; i < tillProcesses_.size(); ++i) {
            QProcess& till = *tillProcesses_[i];
            if (till.exitStatus() != QProcess::NormalExit || till.exitCode() != 0)
                err() << "bench_tills: " << tillName(int(i) + 1) << " ended with "
                      << till.exitCode() << Qt::endl;
        }
        return true;
    }

    void collect() {
        for (const QByteArray& output : output_) {
            const QStringList lines =
                QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString& line : lines) {
                const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
                if (f.isEmpty())
                    continue;
                if (f[0] == QLatin1String("lines") || f[0] == QLatin1String("charges")) {
                    Samples& into = f[0] == QLatin1String("lines") ? lines_ : charges_;
                    for (qsizetype k = 1; k < f.size(); ++k)
                        into.add(f[k].toLongLong());
                } else if (f[0] == QLatin1String("done") && f.size() == 8) {
                    total_.sales += f[1].toLongLong();
                    total_.lines += f[2].toLongLong();
                    total_.pieces += f[3].toLongLong();
                    total_.fen += f[4].toLongLong();
                    total_.errors += f[5].toLongLong();
                    total_.refused += f[6].toLongLong();
                    salesPerSecond_ += double(f[1].toLongLong()) / f[7].toDouble();
                    ++reported_;
                }
            }
        }
    }

    // A lost update is a sale a till was told was booked that the log does
    // not hold as charged, or stock and takings that no longer add up.
    void checkAfterwards(const LogMark& mark) {
        const TillTally logged = loggedSince(db_, mark);
        const auto differ = [](const char* what, qint64 told, qint64 found) {
            if (told != found)
                err() << "bench_tills: " << what << ": the tills charged " << told
                      << ", the log holds " << found << Qt::endl;
            return told != found;
        };
        lost_ += differ("bills", total_.sales, logged.sales);
        lost_ += differ("lines", total_.lines, logged.lines);
        lost_ += differ("pieces", total_.pieces, logged.pieces);
        lost_ += differ("fen", total_.fen, logged.fen);
        total_.errors += tills_ - reported_;
        const QList<storedb::BooksFinding> findings = storedb::checkBooks(db_);
        for (const QString& text : storedb::findingTexts(findings))
            err() << "bench_tills: books: " << text << Qt::endl;
        lost_ += findings.size();
    }

    void report() {
        const QString what =
            QStringLiteral("%1 tills at once for %2 s, %3")
                .arg(tills_)
                .arg(seconds_)
                .arg(pauseMs_ > 0 ? QStringLiteral("a line every ~%1 ms").arg(pauseMs_)
                                  : QStringLiteral("no pause between lines"));
        const bool server = !db_.isSQLite();
        const qint64 chargeLimit = 20000000;

        Row line;
        line.benchmark = what + QStringLiteral(": add a sale line");
        line.engine = engine_;
        line.p50 = durationText(lines_.p50());
        line.p99 = durationText(lines_.p99());
        line.floor = QStringLiteral("-");
        line.ratio = QStringLiteral("-");
        line.goal = QStringLiteral("reported");
        line.met = true;
        printRow(out(), line);

        Row charge;
        charge.benchmark = what + QStringLiteral(": charge");
        charge.engine = engine_;
        charge.p50 = durationText(charges_.p50());
        charge.p99 = durationText(charges_.p99());
        charge.floor = durationText(commitFloor_);
        charge.ratio = ratioText(charges_.p50(), commitFloor_);
        charge.goal = server ? QStringLiteral("p99 < %1").arg(durationText(chargeLimit))
                             : QStringLiteral("reported");
        charge.met = !charges_.empty() && (!server || charges_.p99() < chargeLimit);
        printRow(out(), charge);

        Row sales;
        sales.benchmark =
            what + QStringLiteral(": %1 sales, %2 errors, %3 lost updates (CPU %4% busy)")
                       .arg(total_.sales)
                       .arg(total_.errors)
                       .arg(lost_)
                       .arg(qRound(cpuBusy_ * 100));
        sales.engine = engine_;
        sales.p50 = QStringLiteral("%1 sales/s").arg(salesPerSecond_, 0, 'f', 1);
        sales.p99 = QStringLiteral("-");
        sales.floor = QStringLiteral("-");
        sales.ratio = QStringLiteral("-");
        sales.goal = QStringLiteral("0 errors, 0 lost updates; sales/s reported");
        sales.met = total_.sales > 0 && total_.errors == 0 && lost_ == 0;
        printRow(out(), sales);
        if (total_.refused > 0)
            err() << "bench_tills: " << total_.refused
                  << " lines refused for short stock (not errors)" << Qt::endl;
    }

    storedb::Db& db_;
    QString udl_;
    int tills_;
    int seconds_;
    int pauseMs_;
    QString engine_;
    qint64 commitFloor_ = 0;
    std::vector<std::unique_ptr<QProcess>> tillProcesses_;
    std::vector<QByteArray> output_;
    Samples lines_;
    Samples charges_;
    TillTally total_;
    double salesPerSecond_ = 0;
    double cpuBusy_ = 0; // of all cores, while the tills sold
    int reported_ = 0;
    qint64 lost_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser args;
    args.addOptions(
        {udlOption(),
         {QStringLiteral("tills"), QStringLiteral("Tills selling at once (20)."),
          QStringLiteral("n")},
         {QStringLiteral("seconds"), QStringLiteral("How long they sell (60)."),
          QStringLiteral("s")},
         {QStringLiteral("pause"),
          QStringLiteral("A clerk's pause before each line, in ms (0: none, as fast as "
                         "they can)."),
          QStringLiteral("ms")},
         {QStringLiteral("worker"), QStringLiteral("Run as till n (started by the bench)."),
          QStringLiteral("n")}});
    args.process(app);
    if (!hasUdl(args, "bench_tills"))
        return 2;
    const auto number = [&](const QString& name, int fallback) {
        const int n = args.value(name).toInt();
        return n > 0 ? n : fallback;
    };
    const int tills = std::min(number(QStringLiteral("tills"), 20), 99);
    const int seconds = number(QStringLiteral("seconds"), 60);
    const int pauseMs = std::max(0, args.value(QStringLiteral("pause")).toInt());
    const QString udl = args.value(QStringLiteral("udl"));
    try {
        auto db = storedb::openDatabase(storedb::readDataLink(udl), QStringLiteral("bench"),
                                        storedb::StoreCreation::MustExist);
        if (args.isSet(QStringLiteral("worker")))
            return TillWorker(*db, number(QStringLiteral("worker"), 1), seconds, pauseMs).run();
        return TillsBench(*db, udl, tills, seconds, pauseMs).run();
    } catch (const storedb::Error& e) {
        err() << "bench_tills: " << e.text() << "\n";
        return 1;
    }
}
