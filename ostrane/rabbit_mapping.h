#pragma once
// The five reply kinds filled from a management-API view, one file per kind.

#include "broker_data.h"
#include "high_water_marks.h"
#include "name_fitting.h"
#include "object_out.h"
#include "rabbit_view.h"
#include "table_caps.h"

#include <algorithm>
#include <limits>

namespace ostrane::rabbit
{

using live::BrokerCounts;
using live::fitLatin1;
using live::fitName;
using live::Marks;
using live::max_conversations;
using live::max_services;
using live::max_users;
using live::max_workers;
using live::Out;

live::KindMap<View> mapBroker, mapWorkers, mapServices, mapUsers, mapConversations;

inline std::int64_t ratio(std::int64_t a, std::int64_t b)
{
    return b == 0 ? 0 : a / b;
}

} // namespace ostrane::rabbit
