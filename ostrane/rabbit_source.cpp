#include "rabbit_source.h"

#include "rabbit_mapping.h"
#include "table_caps.h"
#include "url_secrets.h"

#include <algorithm>
#include <ctime>
#include <span>

namespace ostrane::rabbit
{

using live::Failure;
using live::hostPort;

namespace
{

// Only what the mapping reads: `columns` cuts the queue list to a tenth. The queues come
// as one unsorted list: the broker sorts (and pages) at a cost that grows faster than the
// list, so the stand-in picks the ones served itself (rabbit_services.cpp).
constexpr const char *paths[endpoint_count] = {
    "/api/overview?columns=node,erlang_version,queue_totals.messages,object_totals.channels",
    "/api/nodes?columns=name,running,uptime,mem_limit,mem_used,run_queue",
    "/api/vhosts?columns=name,tracing",
    "/api/queues?columns=name,vhost,type,exclusive,arguments,effective_policy_definition,"
    "consumers,messages,messages_ready,messages_unacknowledged,message_bytes,memory,"
    "message_stats.publish",
    "/api/connections?columns=name,user,vhost,peer_host,peer_port,user_provided_name,"
    "connected_at,channels,timeout,client_properties.product",
    "/api/channels?columns=name,connection_details.name,vhost,number,consumer_count,"
    "messages_unacknowledged,idle_since,message_stats.publish,message_stats.deliver_get,node",
    "/api/consumers?columns=queue.name,queue.vhost,channel_details.name,"
    "channel_details.connection_name",
    "/api/exchanges?columns=vhost",
};

// Objects kept of a list; beyond them a list is only counted. Every queue is kept up to
// far more than any broker we saw, so that the served ones are picked from all of them and
// the counts follow the mapping; small enough that a hostile body of empty objects costs
// some 20 MB.
std::size_t keepOf(Endpoint e)
{
    switch (e) {
    case overview:
        return 1;
    case queues:
    case consumers:
    case exchanges:
        return 25000;
    case connections:
    case channels:
        return 10000;
    case nodes:
    case vhosts:
    case endpoint_count:
        break;
    }
    return 2000;
}

std::string shortPath(Endpoint e)
{
    const std::string p = paths[e];
    return p.substr(0, p.find('?'));
}

// The GETs each kind needs, in the order it makes them.
std::span<const Endpoint> needs(KindId kind)
{
    static constexpr Endpoint broker[] = {overview, nodes,     queues, connections,
                                          channels, consumers, vhosts};
    static constexpr Endpoint worker[] = {nodes, channels};
    // The vhosts beside the queues: a login that cannot read some of them is said.
    static constexpr Endpoint service[] = {queues, consumers, connections, vhosts};
    static constexpr Endpoint user[] = {connections, channels, consumers, queues, vhosts};
    static constexpr Endpoint conversation[] = {channels, connections, consumers, queues, vhosts};
    // In KindId order.
    static constexpr std::span<const Endpoint> byKind[] = {broker, worker, service, user,
                                                           conversation};
    return byKind[static_cast<int>(kind)];
}

constexpr live::KindMappings<View> mappings{
    {mapBroker, mapWorkers, mapServices, mapUsers, mapConversations},
    {"objects", "nodes", "services", "connections", "channels"}};

} // namespace

std::optional<Failure> Source::fetch(Broker &b, const std::string &url, Endpoint e,
                                     const HttpOptions &options, bool cut)
{
    std::string base = url;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    HttpResponse r = m_http.get(base, paths[e], options);
    if (!r.reached) {
        // A GET that timed out on the rest of the round's time says the round ran out.
        const FailureCode code = r.failure == timed_out && cut ? round_timed_out : r.failure;
        return Failure{r.reason + " " + hostPort(url), code == no_failure ? unreachable : code,
                       false};
    }
    if (r.status == 401)
        return Failure{"HTTP 401 Login failed", 401, true};
    if (r.status < 200 || r.status > 299)
        return Failure{"HTTP " + std::to_string(r.status) + " on " + shortPath(e),
                       static_cast<std::int32_t>(r.status), false};
    Body body;
    bool late = false;
    if (!r.error.empty() || !readEndpoint(r.body, e, body, b.round.deadline, &late))
        return late ? Failure{"Broker timed out " + hostPort(url), round_timed_out, false}
                    : Failure{"Unreadable JSON from " + shortPath(e), unreadable, false};
    b.snapshot[e] = Fetched{std::move(body), r.date};
    return std::nullopt;
}

KindData Source::query(const LiveTarget &target, const Kind &kind)
{
    const std::string &url = target.url;
    const HttpOptions &options = target.http;
    Broker &b = m_brokers.of(url, options.user);
    const auto budget = live::milliseconds(options.total_ms);
    if (b.round.begin(kind.id, budget, m_activity))
        for (auto &f : b.snapshot)
            f.reset();

    for (const Endpoint e : needs(kind.id)) {
        if (b.round.failure)
            break;
        if (b.snapshot[e])
            continue;
        const auto left = b.round.left();
        if (left.count() <= 0) {
            b.round.failure = Failure{"Broker timed out " + hostPort(url), round_timed_out, false};
            break;
        }
        HttpOptions rest = options;
        rest.total_ms = static_cast<long>(left.count());
        rest.connect_ms = std::min(options.connect_ms, rest.total_ms);
        b.round.failure = fetch(b, url, e, rest, live::roundCut(left, budget));
    }
    if (b.round.failure) {
        m_activity.busy();
        for (auto &f : b.snapshot)
            f.reset();
        return live::failedQuery(kind, *b.round.failure);
    }

    Raw raw;
    raw.serial = b.round.serial;
    raw.now = -1;
    for (const Endpoint e : needs(kind.id)) {
        raw.body[e] = &b.snapshot[e]->body;
        raw.now = std::max(raw.now, b.snapshot[e]->date);
    }
    // Once a round, and only where a vhost shows no queue; a broker that does not answer
    // it loses only the note, and the round does not ask again.
    if (raw.body[queues] && !b.snapshot[exchanges] && hiddenVhostsPossible(raw) &&
        b.round.left().count() > 0) {
        HttpOptions rest = options;
        rest.total_ms = static_cast<long>(b.round.left().count());
        rest.connect_ms = std::min(options.connect_ms, rest.total_ms);
        if (fetch(b, url, exchanges, rest, false))
            b.snapshot[exchanges] = Fetched{Body{{}, -1, -1, 1}, -1};
    }
    if (raw.body[queues] && b.snapshot[exchanges] && b.snapshot[exchanges]->body.count >= 0)
        raw.body[exchanges] = &b.snapshot[exchanges]->body;
    m_activity.busy();
    if (raw.now < 0)
        raw.now = static_cast<std::int64_t>(std::time(nullptr));
    return mapKind(raw, kind, b.marks, options.user.empty() ? live::urlLogin(url) : options.user);
}

bool readEndpoint(std::string_view text, Endpoint e, Body &out,
                  std::chrono::steady_clock::time_point until, bool *late)
{
    return readBody(text, fieldsOf(e), e != overview, keepOf(e), out, until, late);
}

KindData mapKind(const Raw &raw, const Kind &kind, live::Marks &marks, std::string_view login)
{
    const View view = read(raw);
    KindData data = mappings(view, kind, marks);
    if (view.hidden_vhosts > 0) { // said before a cut list's count, which the header holds
        if (data.calls.empty())
            data.calls.emplace_back();
        data.calls.front().error_text =
            std::to_string(view.hidden_vhosts) + " vhosts not readable by " +
            (login.empty() ? std::string("this login") : std::string(login));
    }
    return data;
}

} // namespace ostrane::rabbit
