#include "nats_source.h"

#include "nats_mapping.h"
#include "url_secrets.h"

#include <algorithm>
#include <ctime>
#include <span>

namespace ostrane::nats
{

using live::Failure;

namespace
{

constexpr int default_client_port = 4222, default_monitor_port = 8222;

// The monitoring port's pages; /subsz with test= counts the subscriptions a $SRV.PING
// would reach: one per service instance. The limits lift the default page of 1024.
constexpr const char *paths[] = {
    "/varz",
    "/connz?subs=detail&limit=10000",
    "/subsz?subs=1&test=%24SRV.PING&limit=10000",
    "/routez",
};

const char *pathOf(Part p)
{
    return paths[static_cast<int>(p)];
}

std::string shortPath(Part p)
{
    const std::string path = pathOf(p);
    return path.substr(0, path.find('?'));
}

// The parts each kind needs, in the order it fetches them: the services last, as their
// gathering may take the rest of the round.
std::span<const Part> needs(KindId kind)
{
    static constexpr Part broker[] = {Part::varz, Part::connz, Part::routez, Part::subsz,
                                      Part::services};
    static constexpr Part worker[] = {Part::varz, Part::routez};
    static constexpr Part service[] = {Part::subsz, Part::services};
    // A connection's role and its endpoints' names come from the services.
    static constexpr Part party[] = {Part::connz, Part::subsz, Part::services};
    switch (kind) {
    case KindId::Broker:
        return broker;
    case KindId::Worker:
        return worker;
    case KindId::Service:
        return service;
    case KindId::User:
    case KindId::Conversation:
        break;
    }
    return party;
}

const char *noun(KindId kind)
{
    switch (kind) {
    case KindId::Worker:
        return "servers";
    case KindId::Service:
        return "endpoints";
    case KindId::User:
        return "connections";
    case KindId::Conversation:
        return "subscriptions";
    case KindId::Broker:
        break;
    }
    return "objects";
}

KindData mapKind(const View &view, const Kind &kind, Marks &marks)
{
    KindData data(kind);
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
    live::closeList(data, total, noun(kind.id));
    return data;
}

} // namespace

std::string monitorUrlOf(const std::string &clientUrl)
{
    const live::UrlParts parts = live::readUrl(clientUrl, default_client_port);
    const std::string host = parts.read ? parts.host : "127.0.0.1";
    return "http://" + host + ":" + std::to_string(default_monitor_port);
}

bool Source::Snapshot::has(Part p) const
{
    switch (p) {
    case Part::varz:
        return varz.has_value();
    case Part::connz:
        return connz.has_value();
    case Part::subsz:
        return instances.has_value();
    case Part::routez:
        return routez.has_value();
    case Part::services:
        break;
    }
    return services.has_value();
}

std::optional<Failure> Source::fetch(Broker &b, const LiveTarget &t, Part p,
                                     live::milliseconds budget)
{
    const auto left = b.round.left();
    const std::string &client = t.url;
    if (left.count() <= 0)
        return Failure{"Broker timed out " + live::hostPort(client, default_client_port),
                       round_timed_out, false};
    if (p == Part::services) {
        // Asked even when no instance is counted: credentials the server refuses must fail
        // the query, not pass for a broker without services.
        const std::int64_t expected = b.snapshot.instances.value_or(0);
        ClientOptions o;
        o.url = client;
        o.user = t.http.user;
        o.password = t.http.password;
        o.token = t.token;
        o.creds_file = t.creds_file;
        o.ca_file = t.http.ca_file;
        o.connect_ms = t.http.connect_ms;
        o.log = t.http.log;
        Gathered g = gatherServices(o, expected, b.round.deadline);
        if (!g.reached)
            return Failure{g.reason, g.failure, g.login};
        b.snapshot.services = std::move(g);
        return std::nullopt;
    }

    const std::string monitor = t.monitor_url.empty() ? monitorUrlOf(client) : t.monitor_url;
    std::string base = monitor;
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    HttpOptions http = t.http;
    // The monitoring port asks no login; the client port's is not sent there.
    http.user.clear();
    http.password.clear();
    http.total_ms = static_cast<long>(left.count());
    http.connect_ms = std::min(t.http.connect_ms, http.total_ms);
    const HttpResponse r = m_http.get(base, pathOf(p), http);
    if (!r.reached) {
        const bool cut = live::roundCut(left, budget);
        const FailureCode code = r.failure == timed_out && cut ? round_timed_out : r.failure;
        return Failure{r.reason + " " + live::hostPort(monitor),
                       code == no_failure ? unreachable : code, false};
    }
    if (r.status < 200 || r.status > 299)
        return Failure{"HTTP " + std::to_string(r.status) + " on " + shortPath(p),
                       static_cast<std::int32_t>(r.status), false};
    std::string error;
    bool read = r.error.empty();
    Snapshot &s = b.snapshot;
    if (read && p == Part::varz)
        read = readVarz(r.body, s.varz.emplace(), error);
    else if (read && p == Part::connz)
        read = readConnz(r.body, s.connz.emplace(), error);
    else if (read && p == Part::subsz)
        read = readSubszTotal(r.body, s.instances.emplace(), error);
    else if (read && p == Part::routez)
        read = readRoutez(r.body, s.routez.emplace(), error);
    if (!read) {
        b.snapshot.clear();
        return Failure{"Unreadable JSON from " + shortPath(p), unreadable, false};
    }
    if (r.date > 0)
        b.snapshot.date = r.date;
    return std::nullopt;
}

KindData Source::query(const LiveTarget &target, const Kind &kind)
{
    // Two monitoring URLs or logins for one client URL are two brokers: neither's round may
    // answer for the other.
    Broker &b = m_brokers.of(target.url + "\n" + target.monitor_url,
                             target.http.user + "\n" + target.token);
    const auto budget = live::milliseconds(target.http.total_ms);
    if (b.round.begin(kind.id, budget, m_activity))
        b.snapshot.clear();
    for (const Part p : needs(kind.id)) {
        if (b.round.failure)
            break;
        if (!b.snapshot.has(p))
            b.round.failure = fetch(b, target, p, budget);
    }
    m_activity.busy();
    if (b.round.failure) {
        b.snapshot.clear();
        return live::failedQuery(kind, *b.round.failure);
    }

    const Snapshot &s = b.snapshot;
    Raw raw;
    raw.varz = s.varz ? &*s.varz : nullptr;
    raw.connz = s.connz ? &*s.connz : nullptr;
    raw.routez = s.routez ? &*s.routez : nullptr;
    raw.info = s.services ? &s.services->info : nullptr;
    raw.stats = s.services ? &s.services->stats : nullptr;
    raw.expected = s.instances.value_or(0);
    raw.now = s.date > 0 ? s.date : static_cast<std::int64_t>(std::time(nullptr));
    raw.serial = b.round.serial;
    const View view = read(raw);
    KindData data = mapKind(view, kind, b.marks);

    // Fewer instances replied than the server counted: the opening call says so, and no
    // missing instance passes for one with nothing to report.
    const bool usesServices = std::find(needs(kind.id).begin(), needs(kind.id).end(),
                                        Part::services) != needs(kind.id).end();
    if (usesServices && view.replied < view.expected) {
        if (data.calls.empty())
            data.calls.emplace_back();
        data.calls.front().error_text =
            live::okOf(static_cast<int>(view.replied), view.expected, "instances");
    }
    return data;
}

} // namespace ostrane::nats
