#include "rabbit_view.h"

#include "latin1.h"
#include "rabbit_mapping.h"
#include "sha1.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <map>

namespace ostrane::rabbit
{
namespace
{

using nlohmann::json;

const json &at(const json &j, const char *key)
{
    static const json none;
    if (!j.is_object())
        return none;
    const auto it = j.find(key);
    return it == j.end() ? none : *it;
}

const json &at(const json &j, const char *key, const char *inner)
{
    return at(at(j, key), inner);
}

std::string text(const json &v)
{
    return v.is_string() ? v.get_ref<const std::string &>() : std::string();
}

// Numbers are held to +-2^42 (a millisecond time is 2^41): the sums over a list that
// fits into a reply can then never overflow.
constexpr std::int64_t number_limit = std::int64_t{1} << 42;

std::int64_t number(const json &v)
{
    if (v.is_number_unsigned())
        return static_cast<std::int64_t>(
            std::min<std::uint64_t>(v.get<std::uint64_t>(), number_limit));
    if (v.is_number_integer())
        return std::clamp<std::int64_t>(v.get<std::int64_t>(), -number_limit, number_limit);
    if (v.is_number_float()) {
        const double d = v.get<double>();
        if (!std::isfinite(d))
            return 0;
        return static_cast<std::int64_t>(
            std::clamp(d, -double(number_limit), double(number_limit)));
    }
    return 0;
}

bool flag(const json &v)
{
    return v.is_boolean() && v.get<bool>();
}

const json &list(const Raw &raw, Endpoint e)
{
    static const json empty = json::array();
    return raw.doc[e] && raw.doc[e]->is_array() ? *raw.doc[e] : empty;
}

std::int64_t ttlOf(const json &q)
{
    const json &arg = at(q, "arguments", "x-message-ttl");
    if (arg.is_number())
        return number(arg);
    const json &policy = at(q, "effective_policy_definition", "message-ttl");
    return policy.is_number() ? number(policy) : -1;
}

std::int64_t peakOf(const json &q)
{
    std::int64_t peak = 0;
    const json &samples = at(q, "messages_ready_details", "samples");
    if (samples.is_array())
        for (const json &s : samples)
            peak = std::max(peak, number(at(s, "sample")));
    return peak;
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

View read(const Raw &raw)
{
    View v;
    v.now = raw.now;
    v.serial = raw.serial;
    static const json none;
    const json &ov = raw.doc[overview] ? *raw.doc[overview] : none;
    v.node = text(at(ov, "node"));
    v.erlang_version = text(at(ov, "erlang_version"));
    v.total_messages = number(at(ov, "queue_totals", "messages"));
    v.total_channels = number(at(ov, "object_totals", "channels"));
    for (const json &vh : list(raw, vhosts))
        v.tracing = v.tracing || flag(at(vh, "tracing"));

    for (const json &n : list(raw, nodes))
        v.nodes.push_back({text(at(n, "name")), flag(at(n, "running")), number(at(n, "uptime")),
                           number(at(n, "mem_limit")), number(at(n, "mem_used")),
                           number(at(n, "run_queue"))});
    std::stable_sort(v.nodes.begin(), v.nodes.end(),
                     [](const Node &a, const Node &b) { return a.name < b.name; });

    std::map<std::pair<std::string, std::string>, int> queueIndex;
    for (const json &q : list(raw, queues)) {
        Queue x;
        x.vhost = text(at(q, "vhost"));
        x.name = text(at(q, "name"));
        x.type = text(at(q, "type"));
        x.reply = flag(at(q, "exclusive")) || x.name.rfind("amq.gen-", 0) == 0;
        x.consumers = number(at(q, "consumers"));
        x.messages = number(at(q, "messages"));
        x.ready = number(at(q, "messages_ready"));
        x.unacked = number(at(q, "messages_unacknowledged"));
        x.bytes = number(at(q, "message_bytes"));
        x.memory = number(at(q, "memory"));
        x.publish = number(at(q, "message_stats", "publish"));
        x.ready_peak = peakOf(q);
        x.ttl_ms = ttlOf(q);
        queueIndex.emplace(std::pair{x.vhost, x.name}, static_cast<int>(v.queues.size()));
        v.queues.push_back(std::move(x));
    }

    std::map<std::string, int> connIndex;
    for (const json &c : list(raw, connections)) {
        Connection x;
        x.name = text(at(c, "name"));
        x.user = text(at(c, "user"));
        x.vhost = text(at(c, "vhost"));
        x.peer_host = text(at(c, "peer_host"));
        x.peer_port = number(at(c, "peer_port"));
        x.provided_name = text(at(c, "user_provided_name"));
        x.product = text(at(c, "client_properties", "product"));
        x.connected_at_ms = number(at(c, "connected_at"));
        x.channel_count = number(at(c, "channels"));
        x.heartbeat = number(at(c, "timeout"));
        connIndex.emplace(x.name, static_cast<int>(v.connections.size()));
        v.connections.push_back(std::move(x));
    }
    nameConnections(v.connections);

    std::map<std::string, int> channelIndex;
    for (const json &c : list(raw, channels)) {
        Channel x;
        x.name = text(at(c, "name"));
        x.connection = text(at(c, "connection_details", "name"));
        x.vhost = text(at(c, "vhost"));
        x.node = text(at(c, "node"));
        x.consumers = number(at(c, "consumer_count"));
        x.unacked = number(at(c, "messages_unacknowledged"));
        x.publish = number(at(c, "message_stats", "publish"));
        x.deliver_get = number(at(c, "message_stats", "deliver_get"));
        const json &idle = at(c, "idle_since");
        x.idle_since = idle.is_string() ? parseTime(text(idle)) : -1;
        if (const auto it = connIndex.find(x.connection); it != connIndex.end()) {
            x.conn = it->second;
            v.connections[static_cast<std::size_t>(x.conn)].channels.push_back(
                static_cast<int>(v.channels.size()));
        }
        channelIndex.emplace(x.name, static_cast<int>(v.channels.size()));
        v.channels.push_back(std::move(x));
    }

    for (const json &c : list(raw, consumers)) {
        const auto q =
            queueIndex.find({text(at(c, "queue", "vhost")), text(at(c, "queue", "name"))});
        if (q == queueIndex.end() || v.queues[static_cast<std::size_t>(q->second)].reply)
            continue;
        const auto cn = connIndex.find(text(at(c, "channel_details", "connection_name")));
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
        const auto ch = channelIndex.find(text(at(c, "channel_details", "name")));
        if (ch != channelIndex.end() && v.channels[static_cast<std::size_t>(ch->second)].queue < 0)
            v.channels[static_cast<std::size_t>(ch->second)].queue = q->second;
    }
    return v;
}

} // namespace ostrane::rabbit
