// Services: one per (vhost, queue, consuming connection) of every queue that is not a
// reply queue; the queue-wide counters repeat in each.
#include "rabbit_mapping.h"

#include <tuple>

namespace ostrane::rabbit
{
namespace
{

void service(const View &v, Marks &marks, KindData &out, const Queue &q, const std::string &server,
             std::int64_t serverAct)
{
    const std::string key = "queue\x1f" + q.vhost + "\x1f" + q.name;
    Out(out)
        .name("server_class", q.vhost)
        .latin1("server_name", server)
        .name("service", q.name)
        .text("translation", q.type)
        .number("conv_nonact", q.ttl_ms < 0 ? 0 : q.ttl_ms / 1000)
        .number("server_act", serverAct)
        .number("conv_act", q.unacked)
        .number("conv_high", marks.high(key + "\x1funacked", q.unacked))
        .number("long_act", q.memory / 1024)
        .number("long_high", marks.high(key + "\x1fmemory", q.memory / 1024))
        .number("short_act", q.messages)
        .number("short_high", marks.high(key + "\x1fmessages", q.messages))
        .number("wait_server",
                marks.seconds(key + "\x1fidle", q.consumers > 0 && q.ready == 0, v.now, v.serial))
        .number("num_wait_server", marks.count(key + "\x1fready", q.ready > 0, v.serial))
        .number("num_serv_occ", marks.count(key + "\x1f"
                                                  "busy",
                                            q.consumers > 0 && q.unacked >= q.consumers, v.serial))
        .number("num_pend", q.ready)
        .number("pend_high", marks.high(key + "\x1fready", q.ready))
        .number("req_sum", q.publish);
}

} // namespace

int mapServices(const View &v, Marks &marks, KindData &out)
{
    // Consuming connections per queue, in connection order.
    std::vector<std::vector<std::pair<int, int>>> byQueue(v.queues.size());
    for (int ci = 0; ci < static_cast<int>(v.connections.size()); ++ci) {
        const Connection &c = v.connections[static_cast<std::size_t>(ci)];
        for (std::size_t k = 0; k < c.queues.size(); ++k)
            byQueue[static_cast<std::size_t>(c.queues[k])].emplace_back(ci, c.per_queue[k]);
    }
    const auto servicesOf = [&](std::size_t qi) {
        return static_cast<int>(std::max<std::size_t>(1, byQueue[qi].size()));
    };
    // Served first: queues with messages and nobody consuming them, then by messages.
    std::vector<std::size_t> order;
    for (std::size_t qi = 0; qi < v.queues.size(); ++qi)
        if (!v.queues[qi].reply)
            order.push_back(qi);
    const auto stuck = [&](std::size_t qi) {
        return v.queues[qi].messages > 0 && v.queues[qi].consumers == 0;
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (stuck(a) != stuck(b))
            return stuck(a);
        return v.queues[a].messages > v.queues[b].messages;
    });
    int total = 0;
    std::vector<std::size_t> served;
    for (const std::size_t qi : order) {
        if (total + servicesOf(qi) <= max_services)
            served.push_back(qi);
        total += servicesOf(qi);
    }
    // Shown in the broker's own order: by vhost, then name.
    std::sort(served.begin(), served.end(), [&](std::size_t a, std::size_t b) {
        return std::tie(v.queues[a].vhost, v.queues[a].name) <
               std::tie(v.queues[b].vhost, v.queues[b].name);
    });
    for (const std::size_t qi : served) {
        const Queue &q = v.queues[qi];
        for (const auto &[ci, consumers] : byQueue[qi])
            service(v, marks, out, q, v.connections[static_cast<std::size_t>(ci)].user_id,
                    consumers);
        // A name for nobody per vhost: the monitor lists a name's services across classes.
        if (byQueue[qi].empty())
            service(v, marks, out, q, fitName("-" + q.vhost, 32), 0);
    }
    // Queues listed beyond those kept count as one service each.
    return static_cast<int>(std::min<std::int64_t>(total + v.unseen_queues, INT32_MAX));
}

} // namespace ostrane::rabbit
