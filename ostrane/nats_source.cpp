#include "nats_source.h"

#include "nats_extras.h"
#include "nats_mapping.h"
#include "url_secrets.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <span>

namespace ostrane::nats
{

using live::Failure;

namespace
{

constexpr int default_client_port = 4222, default_monitor_port = 8222;
// Past the count, in a cluster whose other servers are not all monitored.
constexpr auto quiet_gap = live::milliseconds(100);

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
    // /varz and /routez in every kind: a cluster's servers that are not monitored are told
    // apart from those that are by their server IDs.
    static constexpr Part broker[] = {Part::varz, Part::routez, Part::connz, Part::subsz,
                                      Part::services};
    static constexpr Part worker[] = {Part::varz, Part::routez};
    static constexpr Part service[] = {Part::varz, Part::routez, Part::subsz, Part::services};
    // A connection's role and its endpoints' names come from the services.
    static constexpr Part party[] = {Part::varz, Part::routez, Part::connz, Part::subsz,
                                     Part::services};
    // In KindId order.
    static constexpr std::span<const Part> byKind[] = {broker, worker, service, party, party};
    return byKind[static_cast<int>(kind)];
}

constexpr live::KindMappings<View> mappings{
    {mapBroker, mapWorkers, mapServices, mapUsers, mapConversations},
    {"objects", "servers", "endpoints", "connections", "subscriptions"}};

} // namespace

std::string monitorUrlOf(const std::string &clientUrl)
{
    const live::UrlParts parts = live::readUrl(clientUrl, default_client_port);
    const std::string host = parts.read ? parts.host : "127.0.0.1";
    return "http://" + host + ":" + std::to_string(default_monitor_port);
}

std::vector<std::string> monitorUrls(const LiveTarget &t)
{
    std::vector<std::string> urls{t.monitor_url.empty() ? monitorUrlOf(t.url) : t.monitor_url};
    urls.insert(urls.end(), t.cluster_monitor_urls.begin(), t.cluster_monitor_urls.end());
    return urls;
}

bool Source::Snapshot::has(Part p, std::size_t server) const
{
    const Server none{};
    const Server &s = server < servers.size() ? servers[server] : none;
    switch (p) {
    case Part::varz:
        return s.varz.has_value();
    case Part::connz:
        return s.connz.has_value();
    case Part::subsz:
        return s.instances.has_value();
    case Part::routez:
        return routez.has_value();
    case Part::services:
        break;
    }
    return services.has_value();
}

std::int64_t Source::unmonitored(const Snapshot &s)
{
    if (!s.routez)
        return 0;
    std::int64_t unseen = 0;
    for (const Route &r : s.routez->routes)
        unseen += std::none_of(
                      s.servers.begin(), s.servers.end(),
                      [&](const Server &m) { return m.varz && m.varz->server_id == r.remote_id; })
                      ? 1
                      : 0;
    return unseen;
}

std::optional<Failure> Source::fetch(Broker &b, const LiveTarget &t, Part p, std::size_t server,
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
        std::int64_t expected = 0;
        for (const Server &s : b.snapshot.servers)
            expected += s.instances.value_or(0);
        ClientOptions o;
        o.url = client;
        o.user = t.http.user;
        o.password = t.http.password;
        o.token = t.token;
        o.creds_file = t.creds_file;
        o.ca_file = t.http.ca_file;
        o.connect_ms = t.http.connect_ms;
        o.log = t.http.log;
        // Servers of the cluster that are not monitored hold instances nobody counted: past
        // the count, replies are taken until a quiet gap.
        const bool counted = unmonitored(b.snapshot) == 0;
        Gathered g = gatherServices(o, expected, b.round.deadline,
                                    counted ? live::milliseconds(0) : quiet_gap);
        if (!g.reached)
            return Failure{g.reason, g.failure, g.login};
        b.snapshot.services = std::move(g);
        return std::nullopt;
    }

    const std::string monitor = monitorUrls(t)[server];
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
    if (b.snapshot.servers.size() <= server)
        b.snapshot.servers.resize(server + 1);
    Server &s = b.snapshot.servers[server];
    if (read && p == Part::varz)
        read = readVarz(r.body, s.varz.emplace(), error);
    else if (read && p == Part::connz)
        read = readConnz(r.body, s.connz.emplace(), error);
    else if (read && p == Part::subsz)
        read = readSubszTotal(r.body, s.instances.emplace(), error);
    else if (read && p == Part::routez)
        read = readRoutez(r.body, b.snapshot.routez.emplace(), error);
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
    std::string monitors;
    for (const std::string &m : monitorUrls(target))
        monitors += "\n" + m;
    Broker &b = m_brokers.of(target.url + monitors, target.http.user + "\n" + target.token);
    const auto budget = live::milliseconds(target.http.total_ms);
    if (b.round.begin(kind.id, budget, m_activity))
        b.snapshot.clear();
    const std::size_t servers = monitorUrls(target).size();
    for (const Part p : needs(kind.id)) {
        // /routez and the services once; the other parts from every monitored server.
        const bool once = p == Part::routez || p == Part::services;
        for (std::size_t i = 0; i < (once ? 1 : servers) && !b.round.failure; ++i)
            if (!b.snapshot.has(p, i))
                b.round.failure = fetch(b, target, p, i, budget);
    }
    m_activity.busy();
    if (b.round.failure) {
        b.snapshot.clear();
        return live::failedQuery(kind, *b.round.failure);
    }

    const Snapshot &s = b.snapshot;
    // One list of every monitored server's connections; a cid is unique only on its
    // server, so the server's place goes into the high bits.
    Connz merged;
    bool anyConnz = false;
    Raw raw;
    for (std::size_t i = 0; i < s.servers.size(); ++i) {
        const Server &server = s.servers[i];
        if (server.varz)
            raw.servers.push_back(&*server.varz);
        raw.expected += server.instances.value_or(0);
        if (!server.connz)
            continue;
        anyConnz = true;
        merged.total += server.connz->total;
        for (Connection c : server.connz->connections) {
            if (c.name == own_connection_name) {
                --merged.total;
                continue;
            }
            c.cid += static_cast<std::int64_t>(i) << 32;
            merged.connections.push_back(std::move(c));
        }
    }
    raw.varz = raw.servers.empty() ? nullptr : raw.servers.front();
    raw.connz = anyConnz ? &merged : nullptr;
    raw.routez = s.routez ? &*s.routez : nullptr;
    raw.info = s.services ? &s.services->info : nullptr;
    raw.stats = s.services ? &s.services->stats : nullptr;
    raw.now = s.date > 0 ? s.date : static_cast<std::int64_t>(std::time(nullptr));
    raw.serial = b.round.serial;
    const View view = read(raw);
    KindData data = mappings(view, kind, b.marks);
    // After the mapping, so the file holds exactly the objects this query answers with.
    if (kind.id == KindId::Service && !target.broker_id.empty())
        writeExtras(target.broker_id,
                    std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count(),
                    serviceExtras(view, data));

    // Fewer instances replied than the servers counted, or servers of the cluster are not
    // monitored: the opening call says so, and nothing missing passes for a zero.
    const bool usesServices = std::find(needs(kind.id).begin(), needs(kind.id).end(),
                                        Part::services) != needs(kind.id).end();
    const std::int64_t unseen = unmonitored(s);
    std::optional<std::string> text;
    if (usesServices && view.replied < view.expected)
        text = live::okOf(static_cast<int>(view.replied), view.expected, "instances");
    else if (unseen > 0 && kind.id != KindId::Worker)
        text =
            live::okOf(static_cast<int>(s.servers.size()),
                       static_cast<std::int64_t>(s.servers.size()) + unseen, "servers monitored");
    if (text) {
        if (data.calls.empty())
            data.calls.emplace_back();
        data.calls.front().error_text = *text;
    }
    return data;
}

} // namespace ostrane::nats
