#pragma once

// Timing of one benchmark: samples in nanoseconds, percentiles, and the
// Markdown row the bench script collects.

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace bench {

// The table's rows go to standard output, notes (the engine's version) to
// standard error.
inline QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

inline QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

class Samples {
  public:
    template <typename F> void time(F&& work) {
        QElapsedTimer clock;
        clock.start();
        work();
        ns_.push_back(clock.nsecsElapsed());
    }
    void add(qint64 ns) { ns_.push_back(ns); }
    bool empty() const { return ns_.empty(); }
    // The p-th percentile (0..100), nearest rank.
    qint64 percentile(double p) const {
        if (ns_.empty())
            return 0;
        std::vector<qint64> sorted = ns_;
        std::sort(sorted.begin(), sorted.end());
        const size_t rank = size_t(std::max(0.0, p / 100.0 * double(sorted.size()) - 1e-9));
        return sorted[std::min(sorted.size() - 1, rank)];
    }
    qint64 p50() const { return percentile(50); }
    qint64 p99() const { return percentile(99); }

  private:
    std::vector<qint64> ns_;
};

// 4.9 µs, 1.67 ms, 2.4 s.
inline QString durationText(qint64 ns) {
    const double v = double(ns);
    if (v < 1e3)
        return QStringLiteral("%1 ns").arg(ns);
    if (v < 1e6)
        return QStringLiteral("%1 µs").arg(v / 1e3, 0, 'g', 3);
    if (v < 1e9)
        return QStringLiteral("%1 ms").arg(v / 1e6, 0, 'g', 3);
    return QStringLiteral("%1 s").arg(v / 1e9, 0, 'g', 3);
}

struct Row {
    QString benchmark;
    QString engine;
    QString p50;
    QString p99;
    QString floor; // what the ratio is taken against, or "-"
    QString ratio; // p50 / floor, or "-"
    QString goal;
    bool met = false;
};

inline void printRow(QTextStream& out, const Row& r) {
    out << "| " << r.benchmark << " | " << r.engine << " | " << r.p50 << " | " << r.p99 << " | "
        << r.floor << " | " << r.ratio << " | " << r.goal << " | " << (r.met ? "yes" : "**no**")
        << " |\n";
    out.flush();
}

inline QString ratioText(qint64 value, qint64 floor) {
    return floor > 0 ? QStringLiteral("%1×").arg(double(value) / double(floor), 0, 'f', 1)
                     : QStringLiteral("-");
}

// The option every bench program takes: the generated store's link.udl.
inline QCommandLineOption udlOption() {
    return {QStringLiteral("udl"), QStringLiteral("The store's link.udl."), QStringLiteral("file")};
}

// False, with the reason on standard error, when --udl was not given.
inline bool hasUdl(const QCommandLineParser& args, const char* program) {
    if (args.isSet(QStringLiteral("udl")))
        return true;
    err() << program << ": --udl FILE is needed\n";
    return false;
}

// A count option's value, or the default when it is missing or not above 0.
inline int countOption(const QCommandLineParser& args, const QString& name, int fallback) {
    const int given = args.value(name).toInt();
    return given > 0 ? given : fallback;
}

} // namespace bench
