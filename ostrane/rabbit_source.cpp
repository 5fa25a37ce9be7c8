#include "rabbit_source.h"

#include "rabbit_mapping.h"

#include <algorithm>
#include <ctime>
#include <span>

namespace ostrane::rabbit
{
namespace
{

constexpr int max_depth = 64;

// Only what the mapping reads: `columns` cuts the queue list to a tenth.
constexpr const char *paths[endpoint_count] = {
    "/api/overview?columns=node,erlang_version,queue_totals.messages,object_totals.channels",
    "/api/nodes?columns=name,running,uptime,mem_limit,mem_used,run_queue",
    "/api/vhosts?columns=name,tracing",
    "/api/queues?lengths_age=60&lengths_incr=5&columns=name,vhost,type,exclusive,arguments,"
    "effective_policy_definition,consumers,messages,messages_ready,messages_unacknowledged,"
    "message_bytes,memory,message_stats.publish,messages_ready_details.samples",
    "/api/connections?columns=name,user,vhost,peer_host,peer_port,user_provided_name,"
    "connected_at,channels,timeout,client_properties.product",
    "/api/channels?columns=name,connection_details.name,vhost,number,consumer_count,"
    "messages_unacknowledged,idle_since,message_stats.publish,message_stats.deliver_get,node",
    "/api/consumers?columns=queue.name,queue.vhost,channel_details.name,"
    "channel_details.connection_name",
};

std::string shortPath(Endpoint e)
{
    const std::string p = paths[e];
    return p.substr(0, p.find('?'));
}

// The GETs each kind needs, in the order it makes them.
std::span<const Endpoint> needs(KindId kind)
{
    static constexpr Endpoint broker[] = {overview,    nodes,    vhosts,   queues,
                                          connections, channels, consumers};
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

int jsonDepth(std::string_view text, int limit)
{
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit)
                return deepest;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
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
    const auto now = Clock::now();
    if (!r.reached) {
        // A GET that timed out on the rest of the round's time says the round ran out.
        const FailureCode code = r.failure == timed_out && cut ? round_timed_out : r.failure;
        return Failure{r.reason + " " + hostPort(url), code == no_failure ? unreachable : code,
                       false, now};
    }
    if (r.status == 401)
        return Failure{"HTTP 401 Login failed", 401, true, now};
    if (r.status < 200 || r.status > 299)
        return Failure{"HTTP " + std::to_string(r.status) + " on " + shortPath(e),
                       static_cast<std::int32_t>(r.status), false, now};
    const bool list = e != overview;
    nlohmann::json doc;
    if (r.error.empty() && jsonDepth(r.body, max_depth) <= max_depth)
        doc = nlohmann::json::parse(r.body, nullptr, false);
    if (doc.is_discarded() || (list ? !doc.is_array() : !doc.is_object()))
        return Failure{"Unreadable JSON from " + shortPath(e), unreadable, false, now};
    b.fetched[e] = Fetched{std::move(doc), now, r.date};
    return std::nullopt;
}

KindData Source::query(const std::string &url, const Kind &kind, const HttpOptions &options)
{
    Broker &b = broker(url);
    KindData data(kind);
    const auto now = Clock::now();

    // A failure is kept as long as a snapshot would be, so that a start-up against a
    // broker that is down waits for one round, not five.
    std::optional<Failure> failure;
    if (b.failure && now - b.failure->at < shared_for)
        failure = b.failure;
    // The snapshot's age counts from the round's first GET, not from the end of each.
    if (b.round && now - *b.round >= shared_for) {
        b.round.reset();
        for (auto &f : b.fetched)
            f.reset();
    }
    const auto budget = std::chrono::milliseconds(options.total_ms);
    for (const Endpoint e : needs(kind.id)) {
        if (failure)
            break;
        if (b.fetched[e])
            continue;
        if (!b.round) {
            b.round = Clock::now();
            b.serial = ++m_serial;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*b.round + budget - Clock::now());
        if (left.count() <= 0) {
            failure =
                Failure{"Broker timed out " + hostPort(url), round_timed_out, false, Clock::now()};
            break;
        }
        HttpOptions rest = options;
        rest.total_ms = static_cast<long>(left.count());
        rest.connect_ms = std::min(options.connect_ms, rest.total_ms);
        // Earlier GETs of the round took their share: a timeout now is the round's.
        failure = fetch(b, url, e, rest, left + std::chrono::milliseconds(100) < budget);
    }
    if (failure) {
        b.failure = failure;
        b.round.reset();
        for (auto &f : b.fetched)
            f.reset();
        // Every reply of the conversation names the failure, the closing one too, and
        // none touches the object area.
        data.every_call.header[error_code] = failure->code;
        data.every_call.object = false;
        CallScript opening;
        opening.error_text = failure->text;
        if (failure->login)
            opening.result_code = "0002"; // the follow-up answers "0003"
        data.calls.push_back(opening);
        return data;
    }
    b.failure.reset();

    Raw raw;
    raw.serial = b.serial;
    raw.now = -1;
    for (const Endpoint e : needs(kind.id)) {
        raw.doc[e] = &b.fetched[e]->doc;
        raw.now = std::max(raw.now, b.fetched[e]->date);
    }
    if (raw.now < 0)
        raw.now = static_cast<std::int64_t>(std::time(nullptr));
    const View view = read(raw);

    int total = 0;
    switch (kind.id) {
    case KindId::Broker:
        total = mapBroker(view, b.marks, data);
        break;
    case KindId::Worker:
        total = mapWorkers(view, b.marks, data);
        break;
    case KindId::Service:
        total = mapServices(view, b.marks, data);
        break;
    case KindId::User:
        total = mapUsers(view, b.marks, data);
        break;
    case KindId::Conversation:
        total = mapConversations(view, b.marks, data);
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
