// The clerk's Enter in the real till window (offscreen) on a generated store,
// one engine per run, printed as a row of the performance table:
//
//   bench_till_window --udl FILE [--rounds 300] [--till POS01] [--clerk 0001]
//
// The sale already holds 50 lines. Each round types a goods number into the
// goods box (not timed: that is the clerk), then times Enter in the goods
// box and Enter on the preset quantity up to the moment the grid and the
// total have been painted anew. The line is then taken back out of the sale,
// so that every round finds 50 lines.

#include "timing.h"

#include "till_harness.h"

#include "formkit/application.h"
#include "storedb/charge.h"
#include "storedb/errors.h"
#include "storedb/till.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <ctime>

using namespace bench;
using namespace tilltest;

namespace {

const int kLinesBefore = 50;
const qint64 kFrameNs = 16000000;

qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Counts the paints of one control.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class WindowBench {
  public:
    WindowBench(const QString& folder, const QString& till, const QString& clerk, int rounds)
        : folder_(folder), till_(till), rounds_(rounds),
          run_(std::make_unique<TillRun>(folder, till)) {
        responder_.onUnanswered = [this](const QString& question) {
            fail(QStringLiteral("unexpected question: %1").arg(question));
        };
        run_->start();
        run_->signOn(clerk, clerk);
        if (!session().clerkOnDuty())
            fail(QStringLiteral("sign-on failed: %1").arg(responder_.shown().join(" / ")));
        tool("openSalePanelAction")->trigger();
        if (!QTest::qWaitForWindowExposed(mainWindow()))
            fail(QStringLiteral("the till window was never shown"));
        goods_ = tilltest::count(session().db(), QStringLiteral("select count(*) from hwb"));
        responder_.clear();
    }

    ~WindowBench() {
        // The window goes first (its grid reads the sale table); then the
        // sale is charged and the shift closed, so that the store's books
        // stay as a till leaves them.
        run_.reset();
        try {
            auto db = storedb::openDatabase(
                storedb::readDataLink(folder_ + QStringLiteral("/link.udl")),
                QStringLiteral("bench close"), storedb::StoreCreation::MustExist);
            if (storedb::saleLineCount(*db, till_) > 0)
                storedb::chargeSale(*db, till_, QDate::currentDate());
            storedb::signOff(*db, till_, QDateTime::currentDateTime());
        } catch (const storedb::Error& e) {
            err() << "bench_till_window: " << e.text() << Qt::endl;
        }
    }

    void run() {
        for (int i = 0; i < kLinesBefore; ++i)
            enterLine();
        Samples enter;
        for (int r = 0; r < rounds_; ++r) {
            enter.add(enterLine());
            takeLastLineBack();
        }
        // Where the time went: the handlers (database work included) and the
        // painting after them; and how much of it was this process's own CPU
        // time, the rest being a wait for the database or for a core.
        err() << "bench_till_window: handlers p50 " << durationText(handlers_.p50()) << ", p99 "
              << durationText(handlers_.p99()) << "; painting p50 " << durationText(painting_.p50())
              << ", p99 " << durationText(painting_.p99()) << "; own CPU p50 "
              << durationText(cpu_.p50()) << ", p99 " << durationText(cpu_.p99()) << Qt::endl;
        Row row;
        row.benchmark = QStringLiteral("Enter to the repainted grid and total, real till window, "
                                       "a sale of %1 lines")
                            .arg(kLinesBefore);
        row.engine =
            session().db().isSQLite() ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
        row.p50 = durationText(enter.p50());
        row.p99 = durationText(enter.p99());
        row.floor = QStringLiteral("-");
        row.ratio = QStringLiteral("-");
        row.goal = QStringLiteral("p99 < %1").arg(durationText(kFrameNs));
        row.met = enter.p99() < kFrameNs;
        printRow(out(), row);
    }

  private:
    [[noreturn]] void fail(const QString& why) { throw storedb::Error(why); }

    // Goods that are well stocked: one in fifty was brought low by the generator.
    QString someGoods() {
        qint64 g = 0;
        do
            g = QRandomGenerator::global()->bounded(qint64(goods_));
        while (g % 50 == 0);
        return QStringLiteral("69%1").arg(g + 1, 11, 10, QLatin1Char('0'));
    }

    // Keys one line; the nanoseconds from the first Enter to the grid and
    // the total on screen.
    qint64 enterLine() {
        QLineEdit* goods = edit(mainWindow(), "goodsNumber");
        QLineEdit* quantity = edit(mainWindow(), "quantity");
        QLabel* total = label(mainWindow(), "totalLabel");
        auto* grid = ctl<QTableView>(mainWindow(), "saleLines");
        QTest::keyClicks(goods, someGoods());
        // The clerk's Enter comes later after the last digit than a
        // scanner's would: the keys were typed, not scanned.
        QTest::qWait(kClerkKeyMs);
        PaintCounter gridPaints(grid->viewport());
        PaintCounter totalPaints(total);
        const QString totalBefore = total->text();

        const qint64 cpuBefore = threadCpuNs();
        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(goods, Qt::Key_Return);
        QTest::keyClick(quantity, Qt::Key_Return);
        const qint64 handled = clock.nsecsElapsed();
        // A total that reads as before is not painted again.
        const bool totalChanged = total->text() != totalBefore;
        while (gridPaints.paints == 0 || (totalChanged && totalPaints.paints == 0)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (clock.elapsed() > 5000)
                fail(QStringLiteral("the grid was not painted again"));
        }
        const qint64 ns = clock.nsecsElapsed();
        cpu_.add(threadCpuNs() - cpuBefore);
        handlers_.add(handled);
        painting_.add(ns - handled);
        if (!responder_.shown().isEmpty())
            fail(QStringLiteral("the till said: %1").arg(responder_.shown().join(" / ")));
        const int lines = storedb::saleLineCount(session().db(), till_);
        if (grid->model()->rowCount() != lines)
            fail(QStringLiteral("the grid shows %1 lines of %2")
                     .arg(grid->model()->rowCount())
                     .arg(lines));
        return ns;
    }

    // Puts the sale back at 50 lines (outside the timing, as the store does
    // when a line is deleted).
    void takeLastLineBack() {
        storedb::Db& db = session().db();
        const QList<storedb::SaleLine> lines = storedb::saleLines(db, till_);
        if (lines.isEmpty() || !storedb::removeSaleLine(db, till_, lines.last().bh))
            fail(QStringLiteral("the last line could not be taken back"));
    }

    QString folder_;
    QString till_;
    int rounds_;
    formkit::ScriptedResponder responder_;
    std::unique_ptr<TillRun> run_;
    Samples handlers_;
    Samples painting_;
    Samples cpu_;
    int goods_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    formkit::Application app(argc, argv);
    QCommandLineParser args;
    args.addOptions(
        {udlOption(),
         {QStringLiteral("rounds"), QStringLiteral("Lines to time (300)."), QStringLiteral("n")},
         {QStringLiteral("till"), QStringLiteral("The till (POS01)."), QStringLiteral("name")},
         {QStringLiteral("clerk"), QStringLiteral("The clerk (0001)."), QStringLiteral("number")}});
    args.process(app);
    if (!hasUdl(args, "bench_till_window"))
        return 2;
    const int rounds = countOption(args, QStringLiteral("rounds"), 300);
    const QString till = args.isSet(QStringLiteral("till")) ? args.value(QStringLiteral("till"))
                                                            : QStringLiteral("POS01");
    const QString clerk = args.isSet(QStringLiteral("clerk")) ? args.value(QStringLiteral("clerk"))
                                                              : QStringLiteral("0001");
    // The till reads link.udl beside itself: a folder of its own with a copy.
    QTemporaryDir folder;
    if (!folder.isValid() || !QFile::copy(args.value(QStringLiteral("udl")),
                                          folder.filePath(QStringLiteral("link.udl")))) {
        err() << "bench_till_window: cannot copy the link into a folder of its own\n";
        return 1;
    }
    try {
        WindowBench(folder.path(), till, clerk, rounds).run();
    } catch (const storedb::Error& e) {
        err() << "bench_till_window: " << e.text() << "\n";
        return 1;
    }
    return 0;
}
