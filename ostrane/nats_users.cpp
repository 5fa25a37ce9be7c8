// Client/server users: one per connection of /connz. A service instance's connection is a
// server, waiting for requests; every other one is a client.
#include "nats_mapping.h"

namespace ostrane::nats
{

int mapUsers(const View &v, Marks &, KindData &out)
{
    if (!v.connz)
        return 0;
    int total = 0;
    for (std::size_t k = 0; k < v.connz->connections.size(); ++k) {
        if (++total > live::max_users)
            continue;
        const Connection &c = v.connz->connections[k];
        const Party &p = v.parties[k];
        const Instance *i =
            p.instance < 0 ? nullptr : &v.instances[static_cast<std::size_t>(p.instance)];
        Out o(out);
        o.latin1("user_id", p.user_id)
            .text("p_user_id", c.ip + ":" + std::to_string(c.port), true)
            .text("p_user_id_char", c.lang + " " + c.version)
            .text("token", i ? i->name + " " + i->version : c.lang)
            .number("char_set", 128)
            .number("endian", -1)
            .number("status", i ? 5 : 0)
            .number("conv_act", c.num_subscriptions)
            .number("service_act", i ? static_cast<std::int64_t>(i->endpoints.size()) : 0)
            .number("last_active", c.idle_s)
            .number("sum_conv", i ? c.out_msgs : c.in_msgs);
        if (i && !i->endpoints.empty())
            o.text("wait_conv_type", "NEW")
                .name("wait_server_class", i->name)
                .name("wait_server_name", i->id)
                .name("wait_service", i->endpoints.front().name);
    }
    return static_cast<int>(std::max<std::int64_t>(total, v.connz->total));
}

} // namespace ostrane::nats
