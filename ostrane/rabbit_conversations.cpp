// Conversations: one per open channel. The API links no request to its reply, so only the
// side of the channel's own connection is known.
#include "rabbit_mapping.h"

namespace ostrane::rabbit
{

int mapConversations(const View &v, Marks &, KindData &out)
{
    int total = 0;
    for (const Channel &ch : v.channels) {
        if (++total > max_conversations)
            continue;
        static const Connection unknown{};
        const Connection &c =
            ch.conn < 0 ? unknown : v.connections[static_cast<std::size_t>(ch.conn)];
        const std::string side = c.server ? "server_" : "client_";
        const Queue *q = ch.queue < 0 ? nullptr : &v.queues[static_cast<std::size_t>(ch.queue)];
        Out o(out);
        o.latin1("conversation_id", conversationId(ch, c))
            .latin1(side + "user_id", c.user_id)
            .text(side + "p_user_id", c.peer_host + ":" + std::to_string(c.peer_port), true)
            .text(side + "p_user_id_char", c.user + "@" + c.vhost)
            .text(side + "token", c.product)
            .name("conv_server_class", ch.vhost)
            .number("conv_time_out", q && q->ttl_ms >= 0 ? q->ttl_ms / 1000 : c.heartbeat)
            .number("last_active_conv",
                    ch.idle_since < 0 ? 0 : std::max<std::int64_t>(0, v.now - ch.idle_since))
            .number("conv_type", ch.consumers > 0 ? 0 : 1);
        if (c.server && q)
            o.latin1("conv_server_name", c.user_id).name("conv_service", q->name);
    }
    return static_cast<int>(
        std::min<std::int64_t>(std::max<std::int64_t>(total, v.channel_count), INT32_MAX));
}

} // namespace ostrane::rabbit
