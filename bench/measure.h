#pragma once
// Timing, memory and the printed table of the benchmarks. Every figure is a median of
// several runs; a ratio compares it with a baseline measured in the same run.

#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace morvain::bench
{

// Median wall time of `work`, in microseconds.
inline double medianMicros(const std::function<void()> &work, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Medians of two pieces of work run in turn, in microseconds, so that a change in the
// machine's load weighs on both alike.
inline std::pair<double, double> pairedMedians(const std::function<void()> &a,
                                               const std::function<void()> &b, int runs)
{
    std::vector<double> ta, tb;
    for (int i = 0; i < runs; ++i) {
        ta.push_back(medianMicros(a, 1));
        tb.push_back(medianMicros(b, 1));
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    return {ta[ta.size() / 2], tb[tb.size() / 2]};
}

// Resident memory of this process, in kB.
inline long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine())
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The machine's load average over the last minute, as /proc/loadavg reads.
inline QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readLine().split(' ').value(0));
}

struct Row {
    QString what;
    double value;
    QString unit;
    double baseline; // 0: an absolute limit, no baseline
    double limit;    // the ratio's limit, or the value's when there is no baseline; 0: none
};

inline void printTable(QTextStream &out, const std::vector<Row> &rows)
{
    out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
               .arg(QStringLiteral("measurement"), -46)
               .arg(QStringLiteral("value"), 12)
               .arg(QStringLiteral("baseline"), 12)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("limit"), 9)
               .arg(QStringLiteral(""));
    for (const Row &r : rows) {
        const bool relative = r.baseline > 0;
        const double measured = relative ? r.value / r.baseline : r.value;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(r.what, -46)
                   .arg(QString::number(r.value, 'f', r.value < 10 ? 2 : 0) + ' ' + r.unit, 12)
                   .arg(relative ? QString::number(r.baseline, 'f', r.baseline < 10 ? 2 : 0) + ' ' +
                                       r.unit
                                 : QStringLiteral("-"),
                        12)
                   .arg(relative ? QString::number(measured, 'f', 2) : QStringLiteral("-"), 7)
                   .arg(r.limit <= 0
                            ? QStringLiteral("-")
                            : (relative ? QStringLiteral("%1x") : QStringLiteral("%1 ") + r.unit)
                                  .arg(r.limit),
                        9)
                   .arg(r.limit <= 0          ? QString()
                        : measured <= r.limit ? QStringLiteral("ok")
                                              : QStringLiteral("OVER"));
    }
}

} // namespace morvain::bench
