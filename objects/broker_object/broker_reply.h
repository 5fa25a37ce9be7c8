#pragma once
// The broker object's reply: the header, then the broker's own state. One record for the
// whole run; every broker query overwrites it.

#include "reply_header.h"

namespace morvain
{

namespace layout
{
inline constexpr std::array<wire::Field, 23> brokerObject{{
    {"platform", 32, 8, wire::Encoding::Text},
    {"run_time", 40, 4, wire::Encoding::Int32},
    {"num_worker_act", 44, 4, wire::Encoding::Int32},
    {"num_long", 48, 4, wire::Encoding::Int32},
    {"long_act", 52, 4, wire::Encoding::Int32},
    {"long_high", 56, 4, wire::Encoding::Int32},
    {"num_short", 60, 4, wire::Encoding::Int32},
    {"short_act", 64, 4, wire::Encoding::Int32},
    {"short_high", 68, 4, wire::Encoding::Int32},
    // The two sizes stand together after both buffer groups.
    {"long_size", 72, 4, wire::Encoding::Int32},
    {"short_size", 76, 4, wire::Encoding::Int32},
    {"num_service", 80, 4, wire::Encoding::Int32},
    {"service_act", 84, 4, wire::Encoding::Int32},
    {"num_server", 88, 4, wire::Encoding::Int32},
    {"server_act", 92, 4, wire::Encoding::Int32},
    {"server_high", 96, 4, wire::Encoding::Int32},
    {"num_client", 100, 4, wire::Encoding::Int32},
    {"client_act", 104, 4, wire::Encoding::Int32},
    {"client_high", 108, 4, wire::Encoding::Int32},
    {"num_conv", 112, 4, wire::Encoding::Int32},
    {"conv_high", 116, 4, wire::Encoding::Int32},
    {"trace_level", 120, 2, wire::Encoding::Int16},
    // Carried on the wire, never shown.
    {"final_int16", 122, 2, wire::Encoding::Int16},
}};
inline constexpr auto brokerReply = replyFields(brokerObject);
} // namespace layout

using BrokerReply = wire::Record<layout::brokerReply, 124>;

} // namespace morvain
