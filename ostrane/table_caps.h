#pragma once
// The caps that keep every table of the monitor from overflowing: it also stores the
// closing reply of all list kinds but the workers, and ends itself when a table is full.
// A live source serves at most this many objects and tells the true count.

#include "broker_data.h"

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

} // namespace ostrane::live
