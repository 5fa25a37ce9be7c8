#include "rabbit_source.h"

#include "rabbit_mapping.h"

#include <algorithm>
#include <ctime>
#include <span>

namespace ostrane::rabbit
{
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
    static constexpr Endpoint service[] = {queues, consumers, connections};
    static constexpr Endpoint user[] = {connections, channels, consumers, queues};
    static constexpr Endpoint conversation[] = {channels, connections, consumers, queues};
    switch (kind) {
    case KindId::Broker:
        return broker;
    case KindId::Worker:
        return worker;
    case KindId::Service:
        return service;
    case KindId::User:
        return user;
    case KindId::Conversation:
        break;
    }
    return conversation;
}

const char *noun(KindId kind)
{
    switch (kind) {
    case KindId::Worker:
        return "nodes";
    case KindId::Service:
        return "services";
    case KindId::User:
        return "connections";
    case KindId::Conversation:
        return "channels";
    case KindId::Broker:
        break;
    }
    return "objects";
}

} // namespace

bool isBrokerUrl(std::string_view id)
{
    return id.rfind("http://", 0) == 0 || id.rfind("https://", 0) == 0;
}

Source::Broker &Source::broker(const std::string &url)
{
    if (m_brokers.size() >= max_brokers && !m_brokers.count(url))
        m_brokers.erase(m_brokers.begin());
    return m_brokers[url];
}

std::optional<Source::Failure> Source::fetch(Broker &b, const std::string &url, Endpoint e,
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
    if (!r.error.empty() || !readEndpoint(r.body, e, body, b.deadline, &late))
        return late ? Failure{"Broker timed out " + hostPort(url), round_timed_out, false}
                    : Failure{"Unreadable JSON from " + shortPath(e), unreadable, false};
    b.fetched[e] = Fetched{std::move(body), r.date};
    return std::nullopt;
}

bool Source::roundServes(const Broker &b, KindId kind, Clock::time_point now) const
{
    return b.round && !(b.asked & (1u << static_cast<unsigned>(kind))) &&
           now - m_quietSince < idle_gap && now < b.deadline + beyond_deadline;
}

KindData Source::query(const std::string &url, const Kind &kind, const HttpOptions &options)
{
    // Two logins see different things (and one may fail): neither's snapshot serves the other.
    Broker &b = broker(options.user.empty() ? url : url + "\n" + options.user);
    KindData data(kind);
    const auto now = Clock::now();
    const auto budget = std::chrono::milliseconds(options.total_ms);

    if (!roundServes(b, kind.id, now)) {
        b.round = now;
        b.deadline = now + budget;
        b.asked = 0;
        b.failure.reset();
        b.serial = ++m_serial;
        for (auto &f : b.fetched)
            f.reset();
    }
    b.asked |= 1u << static_cast<unsigned>(kind.id);

    // A failure answers the rest of its round, so that a start-up against a broker that is
    // down waits for one round, not five.
    for (const Endpoint e : needs(kind.id)) {
        if (b.failure)
            break;
        if (b.fetched[e])
            continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(b.deadline - Clock::now());
        if (left.count() <= 0) {
            b.failure = Failure{"Broker timed out " + hostPort(url), round_timed_out, false};
            break;
        }
        HttpOptions rest = options;
        rest.total_ms = static_cast<long>(left.count());
        rest.connect_ms = std::min(options.connect_ms, rest.total_ms);
        // Earlier GETs of the round took their share: a timeout now is the round's.
        b.failure = fetch(b, url, e, rest, left + std::chrono::milliseconds(100) < budget);
    }
    m_lastSeen = Clock::now();
    if (b.failure) {
        for (auto &f : b.fetched)
            f.reset();
        // Every reply of the conversation names the failure, the closing one too, and
        // none touches the object area.
        data.every_call.header[error_code] = b.failure->code;
        data.every_call.object = false;
        CallScript opening;
        opening.error_text = b.failure->text;
        if (b.failure->login)
            opening.result_code = "0002"; // the follow-up answers "0003"
        data.calls.push_back(opening);
        return data;
    }

    Raw raw;
    raw.serial = b.serial;
    raw.now = -1;
    for (const Endpoint e : needs(kind.id)) {
        raw.body[e] = &b.fetched[e]->body;
        raw.now = std::max(raw.now, b.fetched[e]->date);
    }
    if (raw.now < 0)
        raw.now = static_cast<std::int64_t>(std::time(nullptr));
    return mapKind(raw, kind, b.marks);
}

bool readEndpoint(std::string_view text, Endpoint e, Body &out,
                  std::chrono::steady_clock::time_point until, bool *late)
{
    return readBody(text, fieldsOf(e), e != overview, keepOf(e), out, until, late);
}

KindData mapKind(const Raw &raw, const Kind &kind, Marks &marks)
{
    KindData data(kind);
    const View view = read(raw);

    int total = 0;
    switch (kind.id) {
    case KindId::Broker:
        total = mapBroker(view, marks, data);
        break;
    case KindId::Worker:
        total = mapWorkers(view, marks, data);
        break;
    case KindId::Service:
        total = mapServices(view, marks, data);
        break;
    case KindId::User:
        total = mapUsers(view, marks, data);
        break;
    case KindId::Conversation:
        total = mapConversations(view, marks, data);
        break;
    }
    data.every_call.header[total_num_objects] = total;
    if (total > data.count()) {
        CallScript opening;
        opening.error_text = "Ok, " + std::to_string(data.count()) + " of " +
                             std::to_string(total) + " " + noun(kind.id);
        data.calls.push_back(opening);
    }
    return data;
}

} // namespace ostrane::rabbit
