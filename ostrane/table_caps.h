#pragma once
// The caps that keep every table of the monitor from overflowing: it also stores the
// closing reply of all list kinds but the workers, and ends itself when a table is full.
// A live source serves at most this many objects and tells the true count.

#include "broker_data.h"
#include "high_water_marks.h"

#include <array>
#include <string>
#include <string_view>

namespace ostrane::live
{

inline constexpr int max_conversations = 99, max_services = 999, max_users = 999,
                     max_workers = 1000;

// "Ok, 99 of 220 channels".
std::string okOf(int shown, std::int64_t total, std::string_view noun);

// Ends a kind's list: `total` (the true count) in every reply's header and, when fewer
// objects were served, the opening call's text saying so in the source's `noun`.
void closeList(KindData &data, int total, std::string_view noun);

// What maps one kind from a source's view: objects appended to `out` up to the kind's cap,
// the true count returned. A source declares its five at once:
//   live::KindMap<View> mapBroker, mapWorkers, mapServices, mapUsers, mapConversations;
template <typename View> using KindMap = int(const View &view, Marks &marks, KindData &out);

// A source's mapping of each kind and the noun of its cut list, both in KindId order.
template <typename View> struct KindMappings {
    using Map = KindMap<View> *;
    std::array<Map, kind_count> map;
    std::array<const char *, kind_count> noun;

    KindData operator()(const View &view, const Kind &kind, Marks &marks) const
    {
        KindData data(kind);
        const auto at = static_cast<std::size_t>(kind.id);
        closeList(data, map[at](view, marks, data), noun[at]);
        return data;
    }
};

} // namespace ostrane::live
