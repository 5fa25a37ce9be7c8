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
// in pages, most ready messages first (a queue nobody consumes has all its messages
// ready), so that the ones an operator needs are among those served
// (rabbit_services.cpp picks them); the API sorts by one field and refuses pages above 500.
constexpr int page_size = 500, max_pages = 2;
constexpr const char *paths[endpoint_count] = {
    "/api/overview?columns=node,erlang_version,queue_totals.messages,object_totals.channels",
    "/api/nodes?columns=name,running,uptime,mem_limit,mem_used,run_queue",
    "/api/vhosts?columns=name,tracing",
    "/api/queues?page_size=500&sort=messages_ready&sort_reverse=true&columns=name,vhost,type,"
    "exclusive,arguments,effective_policy_definition,consumers,messages,messages_ready,"
    "messages_unacknowledged,message_bytes,memory,message_stats.publish",
    "/api/connections?columns=name,user,vhost,peer_host,peer_port,user_provided_name,"
    "connected_at,channels,timeout,client_properties.product",
    "/api/channels?columns=name,connection_details.name,vhost,number,consumer_count,"
    "messages_unacknowledged,idle_since,message_stats.publish,message_stats.deliver_get,node",
    "/api/consumers?columns=queue.name,queue.vhost,channel_details.name,"
    "channel_details.connection_name",
};

// Objects kept of a list; beyond them a list is only counted. Above every cap the mapping
// serves, small enough that a hostile body of empty objects costs a few megabytes.
std::size_t keepOf(Endpoint e)
{
    switch (e) {
    case overview:
        return 1;
    case queues:
        return page_size * max_pages; // a broker that ignores paging sends one list
    case channels:
    case consumers:
        return 5000;
    case nodes:
    case vhosts:
    case connections:
    case endpoint_count:
        break;
    }
    return 2000;
}

std::string pathOf(Endpoint e, int page)
{
    std::string p = paths[e];
    if (e == queues)
        p.insert(p.find('?') + 1, "page=" + std::to_string(page) + "&");
    return p;
}

std::string shortPath(Endpoint e)
{
    const std::string p = paths[e];
    return p.substr(0, p.find('?'));
}

// The GETs each kind needs, in the order it makes them.
std::span<const Endpoint> needs(KindId kind)
{
    // vhosts last: it only says whether a vhost traces, and waits for a round with room.
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
                                             int page, const HttpOptions &options, bool cut,
                                             Clock::time_point until)
{
    std::string base = url;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    ++b.gets;
    HttpResponse r = m_http.get(base, pathOf(e, page), options);
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
    Body body;
    bool late = false;
    if (!r.error.empty() || !readEndpoint(r.body, e, body, until, &late))
        return late ? Failure{"Broker timed out " + hostPort(url), round_timed_out, false, now}
                    : Failure{"Unreadable JSON from " + shortPath(e), unreadable, false, now};
    if (page > 1 && b.fetched[e]) {
        Body &first = b.fetched[e]->body;
        first.count += body.count;
        for (auto &item : body.items)
            first.items.push_back(std::move(item));
    } else {
        b.fetched[e] = Fetched{std::move(body), now, r.date};
    }
    if (e == vhosts)
        b.vhosts_before = b.fetched[e]->body;
    return std::nullopt;
}

KindData Source::query(const std::string &url, const Kind &kind, const HttpOptions &options)
{
    // Two logins see different things (and one may fail): neither's snapshot serves the other.
    Broker &b = broker(options.user.empty() ? url : url + "\n" + options.user);
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
        b.gets = 0;
        for (auto &f : b.fetched)
            f.reset();
    }
    const auto budget = std::chrono::milliseconds(options.total_ms);
    for (int step = 0; !failure && step < static_cast<int>(needs(kind.id).size()) * max_pages;
         ++step) {
        const Endpoint e = needs(kind.id)[static_cast<std::size_t>(step / max_pages)];
        const int page = step % max_pages + 1;
        // A second page only of the queues, only when there is one.
        if (page > 1 && (e != queues || !b.fetched[e] || b.fetched[e]->body.page_count < 2 ||
                         b.fetched[e]->body.count != page_size || b.fetched[e]->pages >= page))
            continue;
        if (page == 1 && b.fetched[e])
            continue;
        // Seven GETs a round: what does not fit is the vhosts, whose last answer stands.
        if (b.gets >= max_gets)
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
        failure = fetch(b, url, e, page, rest, left + std::chrono::milliseconds(100) < budget,
                        *b.round + budget);
        if (!failure)
            b.fetched[e]->pages = page;
    }
    if (failure) {
        b.failure = failure;
        b.round.reset();
        b.gets = 0;
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
        if (!b.fetched[e])
            continue; // vhosts, left out of a full round
        raw.body[e] = &b.fetched[e]->body;
        raw.now = std::max(raw.now, b.fetched[e]->date);
    }
    if (!raw.body[vhosts] && kind.id == KindId::Broker && b.vhosts_before)
        raw.body[vhosts] = &*b.vhosts_before;
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
