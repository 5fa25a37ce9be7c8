#pragma once
// The five reply kinds filled from a NATS view, one file per kind. Boxes with no NATS
// source (pending requests, waits, timeouts, memory buffers) stay 0.

#include "broker_data.h"
#include "high_water_marks.h"
#include "nats_view.h"
#include "object_out.h"
#include "table_caps.h"

namespace ostrane::nats
{

using live::BrokerCounts;
using live::Marks;
using live::Out;

live::KindMap<View> mapBroker, mapWorkers, mapServices, mapUsers, mapConversations;

// Whether a connection moved messages since the previous snapshot, or in its last second.
bool active(const Connection &c, Marks &marks, std::uint64_t serial);

} // namespace ostrane::nats
