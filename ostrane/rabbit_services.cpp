// Services: one per (vhost, queue, consuming connection) of every queue that is not a
// reply queue; the queue-wide counters repeat in each.
#include "rabbit_mapping.h"

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
        .number("pend_high", marks.high(key + "\x1fready", std::max(q.ready, q.ready_peak)))
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
    int total = 0;
    for (std::size_t qi = 0; qi < v.queues.size(); ++qi) {
        const Queue &q = v.queues[qi];
        if (q.reply)
            continue;
        for (const auto &[ci, consumers] : byQueue[qi])
            if (++total <= max_services)
                service(v, marks, out, q, v.connections[static_cast<std::size_t>(ci)].user_id,
                        consumers);
        // A name for nobody per vhost: the monitor lists a name's services across classes.
        if (byQueue[qi].empty() && ++total <= max_services)
            service(v, marks, out, q, fitName("-" + q.vhost, 32), 0);
    }
    return total;
}

} // namespace ostrane::rabbit
