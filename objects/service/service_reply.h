#pragma once
// One registered service as the broker's information service returns it, and the table
// a service query keeps them in.

#include "object_table.h"
#include "reply_header.h"

namespace morvain
{

namespace layout
{
inline constexpr std::array<wire::Field, 18> serviceObject{{
    {"server_class", 32, 32, wire::Encoding::Text},
    {"server_name", 64, 32, wire::Encoding::Text},
    {"service", 96, 32, wire::Encoding::Text},
    {"translation", 128, 8, wire::Encoding::Text},
    {"conv_nonact", 136, 4, wire::Encoding::Int32},
    {"server_act", 140, 4, wire::Encoding::Int32},
    {"conv_act", 144, 4, wire::Encoding::Int32},
    {"conv_high", 148, 4, wire::Encoding::Int32},
    {"long_act", 152, 4, wire::Encoding::Int32},
    {"long_high", 156, 4, wire::Encoding::Int32},
    {"short_act", 160, 4, wire::Encoding::Int32},
    {"short_high", 164, 4, wire::Encoding::Int32},
    {"wait_server", 168, 4, wire::Encoding::Int32},
    {"num_wait_server", 172, 4, wire::Encoding::Int32},
    {"num_serv_occ", 176, 4, wire::Encoding::Int32},
    {"num_pend", 180, 4, wire::Encoding::Int32},
    {"pend_high", 184, 4, wire::Encoding::Int32},
    {"req_sum", 188, 4, wire::Encoding::Int32},
}};
inline constexpr auto serviceReply = replyFields(serviceObject);
} // namespace layout

using ServiceReply = wire::Record<layout::serviceReply, 192>;
using ServiceTable = ObjectTable<ServiceReply, 1000>;

} // namespace morvain
