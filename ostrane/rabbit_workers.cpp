// Workers: one per cluster node, sorted by name and numbered from 1.
#include "rabbit_mapping.h"

namespace ostrane::rabbit
{

int mapWorkers(const View &v, Marks &marks, KindData &out)
{
    int id = 0;
    for (const Node &n : v.nodes) {
        ++id;
        if (id > max_workers)
            continue;
        std::int64_t calls = 0;
        for (const Channel &ch : v.channels)
            if (ch.node == n.name)
                calls += ch.publish + ch.deliver_get;
        const std::string key = "worker\x1f" + n.name;
        const bool moved = calls != marks.previous(key, calls, v.serial);
        const int status = !n.running                 ? 0
                           : n.uptime_ms < 60000      ? 4  // Started
                           : n.run_queue > 0 || moved ? 2  // Active
                                                      : 5; // Waiting
        Out(out)
            .number("worker_id", id)
            .number("worker_status", status)
            .number("call_sum", calls)
            .number("idle_sum", marks.seconds(key, status == 5, v.now, v.serial));
    }
    return static_cast<int>(
        std::min<std::int64_t>(std::max<std::int64_t>(id, v.node_count), INT32_MAX));
}

} // namespace ostrane::rabbit
