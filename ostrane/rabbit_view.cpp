#include "rabbit_view.h"

#include "latin1.h"
#include "rabbit_mapping.h"
#include "sha1.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <map>
#include <set>

namespace ostrane::rabbit
{
namespace
{

// The fields the mapping reads, per endpoint, in the order of the enums below.
constexpr const char *overview_fields[] = {"node", "erlang_version", "queue_totals.messages",
                                           "object_totals.channels"};
enum { ov_node, ov_erlang, ov_messages, ov_channels };
constexpr const char *node_fields[] = {"name",      "running",  "uptime",
                                       "mem_limit", "mem_used", "run_queue"};
enum { nd_name, nd_running, nd_uptime, nd_mem_limit, nd_mem_used, nd_run_queue };
constexpr const char *vhost_fields[] = {"tracing", "name"};
enum { vh_tracing, vh_name };
constexpr const char *exchange_fields[] = {"vhost"};
constexpr const char *queue_fields[] = {"vhost",
                                        "name",
                                        "type",
                                        "exclusive",
                                        "consumers",
                                        "messages",
                                        "messages_ready",
                                        "messages_unacknowledged",
                                        "message_bytes",
                                        "memory",
                                        "message_stats.publish",
                                        "arguments.x-message-ttl",
                                        "effective_policy_definition.message-ttl"};
enum {
    q_vhost,
    q_name,
    q_type,
    q_exclusive,
    q_consumers,
    q_messages,
    q_ready,
    q_unacked,
    q_bytes,
    q_memory,
    q_publish,
    q_ttl_argument,
    q_ttl_policy
};
constexpr const char *connection_fields[] = {"name",         "user",
                                             "vhost",        "peer_host",
                                             "peer_port",    "user_provided_name",
                                             "connected_at", "channels",
                                             "timeout",      "client_properties.product"};
enum {
    cn_name,
    cn_user,
    cn_vhost,
    cn_peer_host,
    cn_peer_port,
    cn_provided_name,
    cn_connected_at,
    cn_channels,
    cn_timeout,
    cn_product
};
constexpr const char *channel_fields[] = {
    "name",       "connection_details.name", "vhost",
    "node",       "consumer_count",          "messages_unacknowledged",
    "idle_since", "message_stats.publish",   "message_stats.deliver_get"};
enum {
    ch_name,
    ch_connection,
    ch_vhost,
    ch_node,
    ch_consumers,
    ch_unacked,
    ch_idle_since,
    ch_publish,
    ch_deliver_get
};
constexpr const char *consumer_fields[] = {"queue.vhost", "queue.name", "channel_details.name",
                                           "channel_details.connection_name"};
enum { cs_vhost, cs_queue, cs_channel, cs_connection };

using Item = std::vector<Scalar>;

std::string text(const Item &item, int field)
{
    const Scalar &v = item[static_cast<std::size_t>(field)];
    return v.type == Scalar::text ? v.s : std::string();
}

std::int64_t number(const Item &item, int field)
{
    const Scalar &v = item[static_cast<std::size_t>(field)];
    return v.type == Scalar::number ? v.n : 0;
}

bool flag(const Item &item, int field)
{
    const Scalar &v = item[static_cast<std::size_t>(field)];
    return v.type == Scalar::flag && v.n != 0;
}

const std::vector<Item> &items(const Raw &raw, Endpoint e)
{
    static const std::vector<Item> none;
    return raw.body[e] ? raw.body[e]->items : none;
}

std::int64_t ttlOf(const Item &q)
{
    if (q[q_ttl_argument].type == Scalar::number)
        return number(q, q_ttl_argument);
    return q[q_ttl_policy].type == Scalar::number ? number(q, q_ttl_policy) : -1;
}

// Names shown for connections: the name the client gave, else user@host:port; repeated
// names get "~2", "~3" in the order they connected. Too long a name is cut with a mark
// of the whole (fitName), so the suffix still tells it apart.
void nameConnections(std::vector<Connection> &cns)
{
    std::map<std::string, std::vector<int>> byName;
    for (int i = 0; i < static_cast<int>(cns.size()); ++i) {
        const Connection &c = cns[static_cast<std::size_t>(i)];
        byName[toLatin1(!c.provided_name.empty()
                            ? c.provided_name
                            : c.user + "@" + c.peer_host + ":" + std::to_string(c.peer_port))]
            .push_back(i);
    }
    for (auto &[base, members] : byName) {
        std::stable_sort(members.begin(), members.end(), [&](int a, int b) {
            return cns[static_cast<std::size_t>(a)].connected_at_ms <
                   cns[static_cast<std::size_t>(b)].connected_at_ms;
        });
        for (std::size_t n = 0; n < members.size(); ++n) {
            const std::string suffix = n == 0 ? "" : "~" + std::to_string(n + 1);
            cns[static_cast<std::size_t>(members[n])].user_id = fitLatin1(base + suffix, 32);
        }
    }
}

// The vhosts listed that none of `lists` (each read with the vhost as its field `field`)
// shows an object of; none when a list was cut, since its last objects are unknown.
std::set<std::string> vhostsNotIn(const Raw &raw,
                                  std::initializer_list<std::pair<Endpoint, int>> lists)
{
    std::set<std::string> left;
    if (!raw.body[vhosts])
        return left;
    for (const Item &vh : raw.body[vhosts]->items)
        left.insert(text(vh, vh_name));
    for (const auto &[e, field] : lists) {
        if (!raw.body[e] || raw.body[e]->count > static_cast<std::int64_t>(items(raw, e).size()))
            return {};
        for (const Item &item : items(raw, e))
            left.erase(text(item, field));
    }
    return left;
}

std::int64_t hiddenVhosts(const Raw &raw)
{
    if (!raw.body[exchanges])
        return 0;
    return static_cast<std::int64_t>(vhostsNotIn(raw, {{queues, q_vhost}, {exchanges, 0}}).size());
}

} // namespace

std::int64_t parseTime(const std::string &t)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%*1[T ]%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) <
            6 ||
        mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60)
        return -1;
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    std::int64_t secs = static_cast<std::int64_t>(timegm(&tm));
    // Skip a fraction, then take an offset such as +01:00.
    std::size_t at = static_cast<std::size_t>(used);
    if (at < t.size() && t[at] == '.')
        while (++at < t.size() && t[at] >= '0' && t[at] <= '9') {
        }
    int oh = 0, om = 0;
    if (at < t.size() && (t[at] == '+' || t[at] == '-') &&
        std::sscanf(t.c_str() + at + 1, "%2d:%2d", &oh, &om) == 2)
        secs -= (t[at] == '+' ? 1 : -1) * (oh * 3600 + om * 60);
    return secs;
}

std::string conversationId(const Channel &ch, const Connection &cn)
{
    return sha1Hex(ch.name + "|" + std::to_string(cn.connected_at_ms)).substr(0, 16);
}

bool hiddenVhostsPossible(const Raw &raw)
{
    return !vhostsNotIn(raw, {{queues, q_vhost}}).empty();
}

std::span<const char *const> fieldsOf(Endpoint e)
{
    switch (e) {
    case overview:
        return overview_fields;
    case nodes:
        return node_fields;
    case vhosts:
        return vhost_fields;
    case queues:
        return queue_fields;
    case connections:
        return connection_fields;
    case channels:
        return channel_fields;
    case exchanges:
        return exchange_fields;
    case consumers:
    case endpoint_count:
        break;
    }
    return consumer_fields;
}

View read(const Raw &raw)
{
    View v;
    v.now = raw.now;
    v.serial = raw.serial;
    if (!items(raw, overview).empty()) {
        const Item &ov = items(raw, overview).front();
        v.node = text(ov, ov_node);
        v.erlang_version = text(ov, ov_erlang);
        v.total_messages = number(ov, ov_messages);
        v.total_channels = number(ov, ov_channels);
    }
    for (const Item &vh : items(raw, vhosts))
        v.tracing = v.tracing || flag(vh, vh_tracing);
    v.hidden_vhosts = hiddenVhosts(raw);

    for (const Item &n : items(raw, nodes))
        v.nodes.push_back({text(n, nd_name), flag(n, nd_running), number(n, nd_uptime),
                           number(n, nd_mem_limit), number(n, nd_mem_used),
                           number(n, nd_run_queue)});
    std::stable_sort(v.nodes.begin(), v.nodes.end(),
                     [](const Node &a, const Node &b) { return a.name < b.name; });
    if (raw.body[nodes])
        v.node_count = raw.body[nodes]->count;

    std::map<std::pair<std::string, std::string>, int> queueIndex;
    for (const Item &q : items(raw, queues)) {
        Queue x;
        x.vhost = text(q, q_vhost);
        x.name = text(q, q_name);
        x.type = text(q, q_type);
        x.reply = flag(q, q_exclusive) || x.name.rfind("amq.gen-", 0) == 0;
        x.consumers = number(q, q_consumers);
        x.messages = number(q, q_messages);
        x.ready = number(q, q_ready);
        x.unacked = number(q, q_unacked);
        x.bytes = number(q, q_bytes);
        x.memory = number(q, q_memory);
        x.publish = number(q, q_publish);
        x.ttl_ms = ttlOf(q);
        // A queue listed twice (pages that moved under us) is read once.
        if (queueIndex.emplace(std::pair{x.vhost, x.name}, static_cast<int>(v.queues.size()))
                .second)
            v.queues.push_back(std::move(x));
    }
    if (raw.body[queues])
        v.unseen_queues =
            std::max<std::int64_t>(0, std::max(raw.body[queues]->total, raw.body[queues]->count) -
                                          static_cast<std::int64_t>(v.queues.size()));

    std::map<std::string, int> connIndex;
    for (const Item &c : items(raw, connections)) {
        Connection x;
        x.name = text(c, cn_name);
        x.user = text(c, cn_user);
        x.vhost = text(c, cn_vhost);
        x.peer_host = text(c, cn_peer_host);
        x.peer_port = number(c, cn_peer_port);
        x.provided_name = text(c, cn_provided_name);
        x.product = text(c, cn_product);
        x.connected_at_ms = number(c, cn_connected_at);
        x.channel_count = number(c, cn_channels);
        x.heartbeat = number(c, cn_timeout);
        connIndex.emplace(x.name, static_cast<int>(v.connections.size()));
        v.connections.push_back(std::move(x));
    }
    if (raw.body[connections])
        v.connection_count = raw.body[connections]->count;
    nameConnections(v.connections);

    std::map<std::string, int> channelIndex;
    for (const Item &c : items(raw, channels)) {
        Channel x;
        x.name = text(c, ch_name);
        x.connection = text(c, ch_connection);
        x.vhost = text(c, ch_vhost);
        x.node = text(c, ch_node);
        x.consumers = number(c, ch_consumers);
        x.unacked = number(c, ch_unacked);
        x.publish = number(c, ch_publish);
        x.deliver_get = number(c, ch_deliver_get);
        x.idle_since =
            c[ch_idle_since].type == Scalar::text ? parseTime(text(c, ch_idle_since)) : -1;
        if (const auto it = connIndex.find(x.connection); it != connIndex.end()) {
            x.conn = it->second;
            v.connections[static_cast<std::size_t>(x.conn)].channels.push_back(
                static_cast<int>(v.channels.size()));
        }
        channelIndex.emplace(x.name, static_cast<int>(v.channels.size()));
        v.channels.push_back(std::move(x));
    }
    if (raw.body[channels])
        v.channel_count = raw.body[channels]->count;

    for (const Item &c : items(raw, consumers)) {
        const auto q = queueIndex.find({text(c, cs_vhost), text(c, cs_queue)});
        if (q == queueIndex.end() || v.queues[static_cast<std::size_t>(q->second)].reply)
            continue;
        const auto cn = connIndex.find(text(c, cs_connection));
        if (cn != connIndex.end()) {
            Connection &conn = v.connections[static_cast<std::size_t>(cn->second)];
            conn.server = true;
            const auto known = std::find(conn.queues.begin(), conn.queues.end(), q->second);
            if (known == conn.queues.end()) {
                conn.queues.push_back(q->second);
                conn.per_queue.push_back(1);
            } else {
                ++conn.per_queue[static_cast<std::size_t>(known - conn.queues.begin())];
            }
        }
        const auto ch = channelIndex.find(text(c, cs_channel));
        if (ch != channelIndex.end() && v.channels[static_cast<std::size_t>(ch->second)].queue < 0)
            v.channels[static_cast<std::size_t>(ch->second)].queue = q->second;
    }
    return v;
}

} // namespace ostrane::rabbit
