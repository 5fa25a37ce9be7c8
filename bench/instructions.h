#pragma once
// User-space instructions of each timed piece, printed beside its time: a count does not
// move with the machine's load, where a time does. Counted through perf_event_open where
// the machine has the counter; where it has not, each piece is marked for callgrind
// (bench/count-instructions runs a bench under it and reads the marked dumps back).
// A piece's first run warms it up and is not counted.

#include <valgrind/callgrind.h>

#include <linux/perf_event.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvain::bench
{

inline bool underValgrind()
{
    return RUNNING_ON_VALGRIND != 0;
}

// Repetitions of a timed piece: under valgrind, a warm-up and one counted run.
inline int repetitions(int runs)
{
    return underValgrind() ? std::min(runs, 2) : runs;
}

class InstructionCounter
{
public:
    static InstructionCounter &instance()
    {
        static InstructionCounter counter;
        return counter;
    }
    // Counted in this process (perf), marked for callgrind, or neither.
    bool counts() const { return m_fd >= 0; }
    bool marks() const { return m_fd < 0 && underValgrind(); }

    void begin()
    {
        if (m_depth++ > 0) // a piece inside a piece counts as part of it
            return;
        if (marks()) {
            CALLGRIND_ZERO_STATS;
            CALLGRIND_TOGGLE_COLLECT;
        } else if (counts()) {
            m_start = read();
        }
    }
    void end(const char *label)
    {
        if (--m_depth > 0)
            return;
        if (marks()) {
            CALLGRIND_TOGGLE_COLLECT;
            CALLGRIND_DUMP_STATS_AT(label);
        } else if (counts()) {
            m_counts[label].push_back(double(read() - m_start));
        }
    }
    // The median count of `label`'s pieces after its first (the only one if just one);
    // 0 when none was counted.
    double median(const std::string &label) const
    {
        const auto found = m_counts.find(label);
        if (found == m_counts.end() || found->second.empty())
            return 0;
        std::vector<double> counts(found->second.begin() + (found->second.size() > 1),
                                   found->second.end());
        std::sort(counts.begin(), counts.end());
        return counts[counts.size() / 2];
    }

private:
    InstructionCounter()
    {
        perf_event_attr attr{};
        attr.size = sizeof attr;
        attr.type = PERF_TYPE_HARDWARE;
        attr.config = PERF_COUNT_HW_INSTRUCTIONS;
        attr.exclude_kernel = 1;
        attr.exclude_hv = 1;
        attr.inherit = 1; // a start-up piece is a child process
        if (!underValgrind())
            m_fd = int(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
    }
    ~InstructionCounter()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    std::uint64_t read() const
    {
        std::uint64_t value = 0;
        return ::read(m_fd, &value, sizeof value) == sizeof value ? value : 0;
    }

    int m_fd = -1;
    int m_depth = 0;
    std::uint64_t m_start = 0;
    std::map<std::string, std::vector<double>> m_counts;
};

// Counts what runs in its lifetime as one piece of `label`; nothing when `label` is null.
class CountedPiece
{
public:
    explicit CountedPiece(const char *label) : m_label(label)
    {
        if (m_label)
            InstructionCounter::instance().begin();
    }
    ~CountedPiece()
    {
        if (m_label)
            InstructionCounter::instance().end(m_label);
    }
    CountedPiece(const CountedPiece &) = delete;
    CountedPiece &operator=(const CountedPiece &) = delete;

private:
    const char *m_label;
};

} // namespace morvain::bench
