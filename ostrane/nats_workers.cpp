// Workers: one per cluster server, the one asked and those its routes reach, numbered in
// name order.
#include "nats_mapping.h"

#include <algorithm>

namespace ostrane::nats
{
namespace
{

struct Server {
    std::string name;
    std::int64_t messages = 0, uptime_s = -1; // -1: not known (a route's far end)
};

} // namespace

int mapWorkers(const View &v, Marks &marks, KindData &out)
{
    // Named by server ID, so that any server asked numbers the cluster alike. A monitored
    // server shows its own figures, one reached only by a route the route's.
    std::vector<Server> servers;
    for (const Varz *z : v.servers)
        servers.push_back({z->server_id, z->in_msgs + z->out_msgs, z->uptime_s});
    if (v.routez)
        for (const Route &r : v.routez->routes)
            if (std::none_of(servers.begin(), servers.end(),
                             [&](const Server &s) { return s.name == r.remote_id; }))
                servers.push_back({r.remote_id, r.in_msgs + r.out_msgs, -1});
    std::stable_sort(servers.begin(), servers.end(),
                     [](const Server &a, const Server &b) { return a.name < b.name; });
    int id = 0;
    for (const Server &s : servers) {
        if (++id > live::max_workers)
            continue;
        const std::string key = "worker\x1f" + s.name;
        const bool busy = s.messages != marks.previous(key, s.messages, v.serial);
        const int status = s.uptime_s >= 0 && s.uptime_s < 60 ? 4 // Started
                           : busy                             ? 2 // Active
                                                              : 5;                            // Waiting
        Out(out)
            .number("worker_id", id)
            .number("worker_status", status)
            .number("call_sum", s.messages)
            .number("idle_sum", marks.seconds(key, status == 5, v.now, v.serial));
    }
    return id;
}

} // namespace ostrane::nats
