#pragma once
// One user (client or server) as the broker's information service returns it, and the
// table a client/server query keeps them in.

#include "object_table.h"
#include "reply_header.h"

namespace morvain
{

namespace layout
{
inline constexpr std::array<wire::Field, 22> clientServerObject{{
    {"user_id", 32, 32, wire::Encoding::Text},
    {"p_user_id", 64, 28, wire::Encoding::Text},
    {"p_user_id_char", 92, 28, wire::Encoding::Text},
    {"token", 120, 32, wire::Encoding::Text},
    {"char_set", 152, 2, wire::Encoding::Int16},
    {"endian", 154, 2, wire::Encoding::Int16},
    {"status", 156, 2, wire::Encoding::Int16},
    {"word_158", 158, 2, wire::Encoding::Int16}, // kept with the reply, never shown
    {"wait_conv_type", 160, 16, wire::Encoding::Text},
    {"wait_server_class", 176, 32, wire::Encoding::Text},
    {"wait_server_name", 208, 32, wire::Encoding::Text},
    {"wait_service", 240, 32, wire::Encoding::Text},
    {"conv_act", 272, 4, wire::Encoding::Int32},
    {"service_act", 276, 4, wire::Encoding::Int32},
    {"last_active", 280, 4, wire::Encoding::Int32},
    {"nonact", 284, 4, wire::Encoding::Int32},
    {"wait_new", 288, 2, wire::Encoding::Int16},
    // Alignment gap: nothing is read from it, and it goes out as zero bytes.
    {"gap_290", 290, 2, wire::Encoding::Padding},
    {"num_wait_new", 292, 4, wire::Encoding::Int32},
    {"wait_old", 296, 4, wire::Encoding::Int32},
    {"num_wait_old", 300, 4, wire::Encoding::Int32},
    {"sum_conv", 304, 4, wire::Encoding::Int32},
}};
inline constexpr auto clientServerReply = replyFields(clientServerObject);
} // namespace layout

using ClientServerReply = wire::Record<layout::clientServerReply, 308>;
using ClientServerTable = ObjectTable<ClientServerReply, 1000>;

} // namespace morvain
