#include "high_water_marks.h"

#include <algorithm>

namespace ostrane::live
{

Marks::Sum &Marks::slot(std::unordered_map<std::string, Sum> &map, const std::string &key)
{
    if (map.size() >= max_keys && !map.count(key))
        map.clear();
    return map[key];
}

std::int64_t Marks::high(const std::string &key, std::int64_t value)
{
    Sum &s = slot(m_high, key);
    if (s.serial == 0 || value > s.total)
        s.total = value;
    s.serial = 1;
    return s.total;
}

std::int64_t Marks::seconds(const std::string &key, bool holds, std::int64_t now,
                            std::uint64_t serial)
{
    Sum &s = slot(m_seconds, key);
    if (s.serial != serial) {
        if (holds && s.last_time >= 0 && now > s.last_time)
            s.total += now - s.last_time;
        s.last_time = now;
        s.serial = serial;
    }
    return s.total;
}

std::int64_t Marks::count(const std::string &key, bool holds, std::uint64_t serial)
{
    Sum &s = slot(m_count, key);
    if (s.serial != serial) {
        s.total += holds ? 1 : 0;
        s.serial = serial;
    }
    return s.total;
}

std::int64_t Marks::previous(const std::string &key, std::int64_t value, std::uint64_t serial)
{
    Sum &s = slot(m_previous, key);
    if (s.serial == 0)
        s.total = s.last_value = value;
    else if (s.serial != serial) {
        s.total = s.last_value;
        s.last_value = value;
    }
    s.serial = serial;
    return s.total;
}

} // namespace ostrane::live
