// Broker object: the node the overview answered from, and totals over the whole broker.
#include "rabbit_mapping.h"

namespace ostrane::rabbit
{
namespace
{

// A connection is active when one of its channels is busy or holds unacked messages.
bool active(const View &v, const Connection &c)
{
    return std::any_of(c.channels.begin(), c.channels.end(), [&](int i) {
        const Channel &ch = v.channels[static_cast<std::size_t>(i)];
        return ch.idle_since < 0 || ch.unacked > 0;
    });
}

} // namespace

int mapBroker(const View &v, Marks &marks, KindData &out)
{
    const Node *self = nullptr;
    std::int64_t running = 0;
    for (const Node &n : v.nodes) {
        running += n.running ? 1 : 0;
        if (n.name == v.node)
            self = &n;
    }
    BrokerCounts counts;
    std::int64_t bytes = 0, messages = 0;
    for (const Queue &q : v.queues) {
        bytes += q.bytes;
        messages += q.messages;
        if (!q.reply) {
            ++counts.services;
            counts.servicesActive += q.consumers > 0 ? 1 : 0;
        }
    }
    for (const Connection &c : v.connections)
        counts.user(c.server, active(v, c));
    counts.services += v.unseen_queues; // beyond those kept: counted, not known in detail
    const std::int64_t memLimit = self ? self->mem_limit / 1024 : 0;
    const std::int64_t memUsed = self ? self->mem_used / 1024 : 0;

    Out(out)
        .text("platform", "OTP " + v.erlang_version)
        .number("run_time", self ? self->uptime_ms / 1000 : 0)
        .number("num_worker_act", running)
        .number("num_long", memLimit)
        .number("long_act", memUsed)
        .number("long_high", marks.high("long", memUsed))
        .number("num_short", 0)
        .number("short_act", v.total_messages)
        .number("short_high", marks.high("short", v.total_messages))
        .number("long_size", 1024)
        .number("short_size", ratio(bytes, messages))
        .counts(counts, marks)
        .number("num_conv", v.total_channels)
        .number("conv_high", marks.high("conv", v.total_channels))
        .number("trace_level", v.tracing ? 1 : 0);
    return 1;
}

} // namespace ostrane::rabbit
