#pragma once
// One conversation as the broker's information service returns it, and the table a
// conversation query keeps them in.

#include "object_table.h"
#include "reply_header.h"

namespace morvain
{

namespace layout
{
inline constexpr std::array<wire::Field, 16> conversationObject{{
    {"conversation_id", 32, 16, wire::Encoding::Text},
    {"server_user_id", 48, 32, wire::Encoding::Text},
    {"server_p_user_id", 80, 28, wire::Encoding::Text},
    {"server_p_user_id_char", 108, 28, wire::Encoding::Text},
    {"server_token", 136, 32, wire::Encoding::Text},
    {"client_user_id", 168, 32, wire::Encoding::Text},
    {"client_p_user_id", 200, 28, wire::Encoding::Text},
    {"client_p_user_id_char", 228, 28, wire::Encoding::Text},
    {"client_token", 256, 32, wire::Encoding::Text},
    {"conv_server_class", 288, 32, wire::Encoding::Text},
    {"conv_server_name", 320, 32, wire::Encoding::Text},
    {"conv_service", 352, 32, wire::Encoding::Text},
    {"conv_time_out", 384, 4, wire::Encoding::Int32},
    {"last_active_conv", 388, 4, wire::Encoding::Int32},
    {"conv_type", 392, 2, wire::Encoding::Int16},
    {"conv_word_394", 394, 2, wire::Encoding::Int16}, // kept with the reply, never shown
}};
inline constexpr auto conversationReply = replyFields(conversationObject);
} // namespace layout

using ConversationReply = wire::Record<layout::conversationReply, 396>;
using ConversationTable = ObjectTable<ConversationReply, 100>;

} // namespace morvain
