// Client/server users: one per connection. A connection consuming a service queue is a
// server; every other one, idle ones too, is a client.
#include "rabbit_mapping.h"

namespace ostrane::rabbit
{

int mapUsers(const View &v, Marks &marks, KindData &out)
{
    int total = 0;
    for (const Connection &c : v.connections) {
        if (++total > max_users)
            continue;
        bool consumes = false, unacked = false, allIdle = true;
        std::int64_t latestIdle = -1, delivered = 0, published = 0;
        for (const int i : c.channels) {
            const Channel &ch = v.channels[static_cast<std::size_t>(i)];
            consumes = consumes || ch.consumers > 0;
            unacked = unacked || ch.unacked > 0;
            allIdle = allIdle && ch.idle_since >= 0;
            latestIdle = std::max(latestIdle, ch.idle_since);
            delivered += ch.deliver_get;
            published += ch.publish;
        }
        const bool waiting = consumes && !unacked;
        const bool waitingServer = waiting && c.server;
        const std::int64_t since =
            c.channels.empty() ? c.connected_at_ms / 1000 : (allIdle ? latestIdle : -1);
        const std::string key = "user\x1f" + c.name;

        Out o(out);
        o.latin1("user_id", c.user_id)
            .text("p_user_id", c.peer_host + ":" + std::to_string(c.peer_port), true)
            .text("p_user_id_char", c.user + "@" + c.vhost)
            .text("token", c.product)
            .number("char_set", 128)
            .number("endian", -1)
            .number("status", waiting ? 5 : 0)
            .number("conv_act", c.channel_count)
            .number("service_act", static_cast<std::int64_t>(c.queues.size()))
            .number("last_active", since < 0 ? 0 : std::max<std::int64_t>(0, v.now - since))
            .number("nonact", c.heartbeat)
            .number("wait_old", 0)
            .number("num_wait_old", 0)
            .number("sum_conv", c.server ? delivered : published);
        if (waitingServer) {
            const Queue &q = v.queues[static_cast<std::size_t>(c.queues.front())];
            o.text("wait_conv_type", "NEW")
                .name("wait_server_class", q.vhost)
                .latin1("wait_server_name", c.user_id)
                .name("wait_service", q.name);
        }
        if (c.server)
            o.number("wait_new", marks.seconds(key + "\x1fwait", waitingServer, v.now, v.serial))
                .number("num_wait_new", marks.count(key + "\x1fwaits", waitingServer, v.serial));
    }
    return static_cast<int>(
        std::min<std::int64_t>(std::max<std::int64_t>(total, v.connection_count), INT32_MAX));
}

} // namespace ostrane::rabbit
