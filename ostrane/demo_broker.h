#pragma once
// The built-in broker answered when the control block names no broker.

#include "broker_data.h"

#include <cstdint>

namespace ostrane
{

// `seconds` since the library was loaded and `calls` answered so far make run time and
// counters move between queries.
BrokerData demoBroker(std::int64_t seconds, std::uint64_t calls);

} // namespace ostrane
