#pragma once
// Timing, memory and the printed table of the benchmarks. Every figure is a median of
// several runs; a ratio compares it with a baseline measured in the same run. A piece
// timed with a label has its instructions counted too (instructions.h).

#include "instructions.h"

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

// Median wall time of `work`, in microseconds; each run counted as a piece of `label`.
inline double medianMicros(const std::function<void()> &work, int runs, const char *label = nullptr)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions(runs); ++i) {
        QElapsedTimer t;
        t.start();
        {
            CountedPiece piece(label);
            work();
        }
        times.push_back(double(t.nsecsElapsed()) / 1e3);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Medians of two pieces of work run in turn, in microseconds, so that a change in the
// machine's load weighs on both alike.
inline std::pair<double, double> pairedMedians(const std::function<void()> &a,
                                               const std::function<void()> &b, int runs,
                                               const char *labelA = nullptr,
                                               const char *labelB = nullptr)
{
    std::vector<double> ta, tb;
    for (int i = 0; i < repetitions(runs); ++i) {
        ta.push_back(medianMicros(a, 1, labelA));
        tb.push_back(medianMicros(b, 1, labelB));
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
    // The labels of the counted pieces behind the value and the baseline, and how many of
    // the row's units one piece holds (a piece of 999 picks for a row per pick).
    const char *counted = nullptr;
    const char *baselineCounted = nullptr;
    double perPiece = 1;
};

// Instructions as three figures and a multiple: 8.93 M.
inline QString instructionsText(double count)
{
    const char *suffix[] = {"", " k", " M", " G"};
    int step = 0;
    for (; step < 3 && count >= 1000; ++step)
        count /= 1000;
    return QString::number(count, 'f', count < 10 ? 2 : (count < 100 ? 1 : 0)) +
           QLatin1String(suffix[step]);
}

// A row's instructions per unit: counted here, or a mark that bench/count-instructions
// replaces with the count read from callgrind's dumps.
inline QString instructionsCell(const char *label, double perPiece)
{
    const InstructionCounter &counter = InstructionCounter::instance();
    if (!label)
        return QStringLiteral("-");
    if (counter.marks())
        return QStringLiteral("{%1:%2}").arg(QLatin1String(label)).arg(perPiece);
    return instructionsText(counter.median(label) / perPiece);
}

inline QString instructionsRatioCell(const Row &r)
{
    const InstructionCounter &counter = InstructionCounter::instance();
    if (!r.counted || !r.baselineCounted)
        return QStringLiteral("-");
    if (counter.marks())
        return QStringLiteral("{%1:%3|%2:%3}")
            .arg(QLatin1String(r.counted), QLatin1String(r.baselineCounted))
            .arg(r.perPiece);
    const double base = counter.median(r.baselineCounted);
    return base > 0 ? QString::number(counter.median(r.counted) / base, 'f', 2)
                    : QStringLiteral("-");
}

inline void printTable(QTextStream &out, const std::vector<Row> &rows)
{
    const InstructionCounter &counter = InstructionCounter::instance();
    const bool counting = counter.counts() || counter.marks();
    const auto instructionColumns = [&](const QString &value, const QString &baseline,
                                        const QString &ratio) {
        if (counting)
            out << QStringLiteral(" %1 %2 %3").arg(value, 12).arg(baseline, 12).arg(ratio, 7);
    };
    out << QStringLiteral("%1 %2 %3 %4 %5 %6")
               .arg(QStringLiteral("measurement"), -46)
               .arg(QStringLiteral("value"), 12)
               .arg(QStringLiteral("baseline"), 12)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("limit"), 9)
               .arg(QStringLiteral("    "));
    instructionColumns(QStringLiteral("instr."), QStringLiteral("base instr."),
                       QStringLiteral("i-ratio"));
    out << "\n";
    for (const Row &r : rows) {
        const bool relative = r.baseline > 0;
        const double measured = relative ? r.value / r.baseline : r.value;
        out << QStringLiteral("%1 %2 %3 %4 %5 %6")
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
                                              : QStringLiteral("OVER"),
                        -4);
        instructionColumns(instructionsCell(r.counted, r.perPiece),
                           instructionsCell(r.baselineCounted, r.perPiece),
                           instructionsRatioCell(r));
        out << "\n";
    }
}

} // namespace morvain::bench
