#pragma once
// High-water marks and accumulators of one live broker (its URL and login), kept in
// process memory per object key; every live source keeps one set per broker. They see
// only the moments a query ran and start again when the monitor starts. A snapshot served
// twice (the kinds share one for about a second) is counted once.

#include <cstdint>
#include <string>
#include <unordered_map>

namespace ostrane::live
{

class Marks
{
public:
    // Bound on what a broker with ever-new object names can make us keep.
    static constexpr std::size_t max_keys = 100'000;

    // The highest value seen for the key, this one included.
    std::int64_t high(const std::string &key, std::int64_t value);
    // Adds the seconds since the key's previous snapshot when `holds`; returns the sum.
    std::int64_t seconds(const std::string &key, bool holds, std::int64_t now,
                         std::uint64_t serial);
    // Counts the snapshots in which `holds`; returns the count.
    std::int64_t count(const std::string &key, bool holds, std::uint64_t serial);
    // The value the key had at its previous snapshot (`value` on the first), and keeps
    // `value` for the next.
    std::int64_t previous(const std::string &key, std::int64_t value, std::uint64_t serial);

private:
    struct Sum {
        std::int64_t total = 0;
        std::int64_t last_value = 0;
        std::int64_t last_time = -1;
        std::uint64_t serial = 0;
    };
    Sum &slot(std::unordered_map<std::string, Sum> &map, const std::string &key);

    std::unordered_map<std::string, Sum> m_high, m_seconds, m_count, m_previous;
};

} // namespace ostrane::live
