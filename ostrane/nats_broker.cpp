// Broker object: the server asked, and counts over what it and the services said.
#include "nats_mapping.h"

namespace ostrane::nats
{

bool active(const Connection &c, Marks &marks, std::uint64_t serial)
{
    const std::int64_t messages = c.in_msgs + c.out_msgs;
    const bool moved =
        messages != marks.previous("moved\x1f" + std::to_string(c.cid), messages, serial);
    return moved || c.idle_s == 0;
}

int mapBroker(const View &v, Marks &marks, KindData &out)
{
    static const Varz none{};
    const Varz &z = v.varz ? *v.varz : none;
    BrokerCounts counts;
    if (v.connz)
        for (std::size_t k = 0; k < v.connz->connections.size(); ++k)
            counts.user(v.parties[k].instance >= 0,
                        active(v.connz->connections[k], marks, v.serial));
    for (const Instance &i : v.instances) {
        counts.services += static_cast<std::int64_t>(i.endpoints.size());
        counts.servicesActive += i.counted ? static_cast<std::int64_t>(i.endpoints.size()) : 0;
    }
    const std::int64_t memory = z.mem / 1024;
    Out(out)
        .text("platform", z.version)
        .number("run_time", z.uptime_s)
        .number("num_worker_act", 1 + (v.routez ? v.routez->num_routes : z.routes))
        .number("long_act", memory)
        .number("long_high", marks.high("long", memory))
        .number("long_size", 1024)
        .counts(counts, marks)
        .number("num_conv", z.subscriptions)
        .number("conv_high", marks.high("conv", z.subscriptions));
    return 1;
}

} // namespace ostrane::nats
