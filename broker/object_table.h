#pragma once
// A kind's table of stored replies: slot 0 is never written, slots 1 to count() hold
// whole reply records in the order received.

#include "query_failure.h"

#include <algorithm>
#include <string>
#include <vector>

namespace morvain
{

template <class Reply, int Slots> class ObjectTable
{
public:
    static constexpr int slotCount = Slots;

    ObjectTable() { reset(); }

    // A new query starts from an empty table with every slot zero.
    void reset()
    {
        if (m_slots.empty()) {
            m_slots.assign(Slots + 1, Reply{});
        } else {
            // Slots past the count are still zero from the reset before: only the stored
            // ones need clearing, so a query of a few objects does not clear a thousand.
            const auto stored = m_slots.begin() + 1;
            std::fill(stored, stored + std::min(m_count, Slots), Reply{});
        }
        m_count = 0;
    }

    // Raises the counter first; a store beyond the last slot fails the query and
    // stores nothing.
    void store(const Reply &reply)
    {
        ++m_count;
        if (m_count > Slots)
            throw QueryFailure(SlotOutOfRange,
                               "Slot " + std::to_string(m_count) + " is beyond the last.");
        m_slots[m_count] = reply;
    }

    int count() const { return m_count; }
    const Reply &slot(int z) const { return m_slots.at(z); }

private:
    std::vector<Reply> m_slots;
    int m_count = 0;
};

} // namespace morvain
