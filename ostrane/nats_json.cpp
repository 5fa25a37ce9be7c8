#include "nats_json.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace ostrane::nats
{
namespace
{

using json = nlohmann::json;

constexpr std::int64_t number_limit = std::int64_t{1} << 42;
constexpr int max_depth = 64;
// Values kept of one body, all levels together: 100000 connections of a dozen fields.
constexpr std::size_t max_values = 2'000'000;
constexpr std::size_t max_array =
    std::max({max_connections, max_subscriptions, max_routes, max_endpoints, max_urls});

// Cuts a text to max_text bytes, never inside a UTF-8 sequence.
std::string cut(std::string &&s)
{
    if (s.size() <= max_text)
        return std::move(s);
    std::size_t n = max_text;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        --n;
    s.resize(n);
    return std::move(s);
}

// Builds a document of only the keys a reader asks for (at any level), with arrays held
// to max_array elements and max_values values in all: a body's cost beyond its text stays
// bounded whatever a server sends, and the readers then walk a small tree.
class Builder : public nlohmann::json_sax<json>
{
public:
    explicit Builder(std::initializer_list<std::string_view> keys) : m_keys(keys) {}

    json root;
    std::string failure; // set when the builder itself refused the text

    bool null() override { return value(json()); }
    bool boolean(bool v) override { return value(json(v)); }
    bool number_integer(number_integer_t v) override
    {
        return value(json(std::clamp<std::int64_t>(v, -number_limit, number_limit)));
    }
    bool number_unsigned(number_unsigned_t v) override
    {
        return value(json(static_cast<std::int64_t>(std::min<std::uint64_t>(v, number_limit))));
    }
    bool number_float(number_float_t v, const string_t &) override
    {
        const double d =
            std::isfinite(v) ? std::clamp(v, -double(number_limit), double(number_limit)) : 0;
        return value(json(static_cast<std::int64_t>(d)));
    }
    bool string(string_t &v) override
    {
        if (m_skip > 0 || !keeping())
            return value(json());
        return value(json(cut(std::move(v))));
    }
    bool binary(binary_t &) override { return value(json()); }
    bool key(string_t &k) override
    {
        if (m_skip == 0 && !m_stack.empty())
            m_wanted = std::find(m_keys.begin(), m_keys.end(), k) != m_keys.end();
        if (m_wanted)
            m_key = std::move(k);
        return true;
    }
    bool start_object(std::size_t) override { return open(json::object()); }
    bool start_array(std::size_t) override { return open(json::array()); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t at, const std::string &,
                     const nlohmann::detail::exception &e) override
    {
        failure = "no JSON at byte " + std::to_string(at) + ": " + cut(std::string(e.what()));
        return false;
    }

private:
    // Whether the next value lands in the tree.
    bool keeping() const
    {
        if (m_stack.empty())
            return true;
        const json &top = *m_stack.back();
        return top.is_array() ? top.size() < max_array : m_wanted;
    }

    // Places a value; the pointer to it, or nullptr when it is not kept.
    json *place(json &&v)
    {
        if (m_stack.empty()) {
            root = std::move(v);
            return &root;
        }
        json &top = *m_stack.back();
        if (top.is_array()) {
            top.push_back(std::move(v));
            return &top.back();
        }
        json &slot = top[m_key];
        slot = std::move(v);
        m_wanted = false;
        return &slot;
    }

    bool count()
    {
        if (++m_values <= max_values)
            return true;
        failure = "more than " + std::to_string(max_values) + " values";
        return false;
    }

    bool value(json &&v)
    {
        if (m_skip > 0)
            return true;
        if (!keeping()) {
            m_wanted = false;
            return true;
        }
        if (!count())
            return false;
        place(std::move(v));
        return true;
    }

    bool open(json &&container)
    {
        if (static_cast<int>(m_stack.size()) + m_skip >= max_depth) {
            failure = "nests deeper than " + std::to_string(max_depth);
            return false;
        }
        if (m_stack.empty() && !container.is_object()) {
            failure = "no JSON object"; // every body read here is one: refused before it is read
            return false;
        }
        if (m_skip > 0 || !keeping()) {
            m_wanted = false;
            ++m_skip;
            return true;
        }
        if (!count())
            return false;
        m_stack.push_back(place(std::move(container)));
        return true;
    }

    bool close()
    {
        if (m_skip > 0)
            --m_skip;
        else if (!m_stack.empty())
            m_stack.pop_back();
        m_wanted = false;
        return true;
    }

    std::initializer_list<std::string_view> m_keys;
    std::vector<json *> m_stack; // the kept containers being filled, outermost first
    int m_skip = 0;              // depth inside a container that is not kept
    bool m_wanted = false;       // the current key of the innermost object is kept
    std::string m_key;
    std::size_t m_values = 0;
};

// Parses `text` keeping `keys`; false with `error` when it is no JSON object.
bool parse(std::string_view text, std::initializer_list<std::string_view> keys, json &out,
           std::string &error)
{
    Builder b(keys);
    bool ok = false;
    try {
        ok = json::sax_parse(text.begin(), text.end(), &b);
    } catch (const std::exception &e) { // the library's own faults; none seen
        b.failure = cut(std::string(e.what()));
    }
    if (!ok) {
        error = b.failure.empty() ? "no JSON" : b.failure;
        return false;
    }
    if (!b.root.is_object()) {
        error = "no JSON object";
        return false;
    }
    out = std::move(b.root);
    return true;
}

const json &field(const json &o, std::string_view key)
{
    static const json none;
    if (!o.is_object())
        return none;
    const auto it = o.find(key);
    return it == o.end() ? none : *it;
}

std::string text(const json &o, std::string_view key)
{
    const json &v = field(o, key);
    return v.is_string() ? v.get<std::string>() : std::string();
}

// Counters: a negative number is no counter and reads as 0.
std::int64_t count(const json &o, std::string_view key)
{
    const json &v = field(o, key);
    return v.is_number_integer() ? std::max<std::int64_t>(v.get<std::int64_t>(), 0) : 0;
}

std::int64_t seconds(const json &o, std::string_view key)
{
    return std::max<std::int64_t>(durationSeconds(text(o, key)), 0);
}

// The array under `key`; absent or null reads as empty, anything else fails the body.
bool list(const json &o, std::string_view key, const json *&out, std::string &error)
{
    static const json empty = json::array();
    const json &v = field(o, key);
    if (v.is_null()) {
        out = &empty;
        return true;
    }
    if (!v.is_array()) {
        error = "\"" + std::string(key) + "\" is no list";
        return false;
    }
    out = &v;
    return true;
}

bool readEndpoints(const json &o, bool stats, ServiceInstance &out, std::string &error)
{
    const json *endpoints = nullptr;
    if (!list(o, "endpoints", endpoints, error))
        return false;
    for (const json &e : *endpoints) {
        if (out.endpoints.size() >= max_endpoints)
            break;
        if (!e.is_object())
            continue;
        Endpoint ep;
        ep.name = text(e, "name");
        ep.subject = text(e, "subject");
        ep.queue_group = text(e, "queue_group");
        if (stats) {
            ep.num_requests = count(e, "num_requests");
            ep.num_errors = count(e, "num_errors");
            ep.last_error = text(e, "last_error");
            ep.processing_time_ns = count(e, "processing_time");
            ep.average_processing_time_ns = count(e, "average_processing_time");
        }
        out.endpoints.push_back(std::move(ep));
    }
    return true;
}

bool readService(std::string_view text_, bool stats, ServiceInstance &out, std::string &error)
{
    out = ServiceInstance{};
    json o;
    if (!parse(text_,
               {"type", "name", "id", "version", "description", "started", "endpoints", "subject",
                "queue_group", "num_requests", "num_errors", "last_error", "processing_time",
                "average_processing_time"},
               o, error))
        return false;
    ServiceInstance s;
    s.type = text(o, "type");
    s.name = text(o, "name");
    s.id = text(o, "id");
    s.version = text(o, "version");
    s.description = text(o, "description");
    if (stats)
        s.started = text(o, "started");
    if (s.name.empty() || s.id.empty()) {
        error = "no service name and id";
        return false;
    }
    if (!readEndpoints(o, stats, s, error))
        return false;
    out = std::move(s);
    return true;
}

} // namespace

std::int64_t durationSeconds(std::string_view t)
{
    struct Unit {
        std::string_view name;
        double seconds;
    };
    // Longest names first: "ms" before "m", "us" before "s".
    static constexpr Unit units[] = {
        {"ns", 1e-9},         {"us", 1e-6}, {"\xC2\xB5s", 1e-6}, {"\xCE\xBCs", 1e-6}, {"ms", 1e-3},
        {"y", 365 * 86400.0}, {"d", 86400}, {"h", 3600},         {"m", 60},           {"s", 1}};
    if (t.empty() || t.size() > 64)
        return -1;
    if (t == "0")
        return 0;
    double total = 0;
    std::size_t i = 0;
    while (i < t.size()) {
        const std::size_t start = i;
        while (i < t.size() && ((t[i] >= '0' && t[i] <= '9') || t[i] == '.'))
            ++i;
        const std::string_view digits = t.substr(start, i - start);
        if (digits.empty() || digits == "." || std::count(digits.begin(), digits.end(), '.') > 1)
            return -1;
        double n = 0, scale = 1;
        bool fraction = false;
        for (const char c : digits) {
            if (c == '.') {
                fraction = true;
            } else if (fraction) {
                scale /= 10;
                n += (c - '0') * scale;
            } else {
                n = n * 10 + (c - '0');
            }
        }
        const Unit *unit = nullptr;
        for (const Unit &u : units)
            if (t.substr(i, u.name.size()) == u.name) {
                unit = &u;
                break;
            }
        if (!unit)
            return -1;
        i += unit->name.size();
        total += n * unit->seconds;
        if (total > double(number_limit))
            return -1;
    }
    return static_cast<std::int64_t>(total);
}

bool readVarz(std::string_view text_, Varz &out, std::string &error)
{
    out = Varz{};
    json o;
    if (!parse(text_,
               {"server_id",     "server_name",    "version", "host",        "port",
                "http_port",     "uptime",         "mem",     "connections", "total_connections",
                "subscriptions", "routes",         "in_msgs", "out_msgs",    "in_bytes",
                "out_bytes",     "slow_consumers", "cluster", "name",        "urls"},
               o, error))
        return false;
    Varz v;
    v.server_id = text(o, "server_id");
    if (v.server_id.empty()) {
        error = "no server_id";
        return false;
    }
    v.server_name = text(o, "server_name");
    v.version = text(o, "version");
    v.host = text(o, "host");
    v.port = count(o, "port");
    v.http_port = count(o, "http_port");
    v.uptime_s = seconds(o, "uptime");
    v.mem = count(o, "mem");
    v.connections = count(o, "connections");
    v.total_connections = count(o, "total_connections");
    v.subscriptions = count(o, "subscriptions");
    v.routes = count(o, "routes");
    v.in_msgs = count(o, "in_msgs");
    v.out_msgs = count(o, "out_msgs");
    v.in_bytes = count(o, "in_bytes");
    v.out_bytes = count(o, "out_bytes");
    v.slow_consumers = count(o, "slow_consumers");
    const json &cluster = field(o, "cluster");
    v.cluster_name = text(cluster, "name");
    const json &urls = field(cluster, "urls");
    if (urls.is_array())
        for (const json &u : urls)
            if (u.is_string() && v.cluster_urls.size() < max_urls)
                v.cluster_urls.push_back(u.get<std::string>());
    out = std::move(v);
    return true;
}

bool readConnz(std::string_view text_, Connz &out, std::string &error)
{
    out = Connz{};
    json o;
    if (!parse(text_,
               {"server_id", "num_connections", "total", "connections", "cid", "ip", "port", "name",
                "lang", "version", "idle", "uptime", "in_msgs", "out_msgs", "subscriptions",
                "subscriptions_list_detail", "subject", "qgroup", "msgs"},
               o, error))
        return false;
    const json *connections = nullptr;
    if (!list(o, "connections", connections, error))
        return false;
    Connz z;
    z.server_id = text(o, "server_id");
    z.num_connections = count(o, "num_connections");
    z.total = count(o, "total");
    std::size_t subscriptions = 0;
    for (const json &c : *connections) {
        if (z.connections.size() >= max_connections)
            break;
        if (!c.is_object())
            continue;
        Connection n;
        n.cid = count(c, "cid");
        n.ip = text(c, "ip");
        n.port = count(c, "port");
        n.name = text(c, "name");
        n.lang = text(c, "lang");
        n.version = text(c, "version");
        n.idle_s = seconds(c, "idle");
        n.uptime_s = seconds(c, "uptime");
        n.in_msgs = count(c, "in_msgs");
        n.out_msgs = count(c, "out_msgs");
        n.num_subscriptions = count(c, "subscriptions");
        const json &subs = field(c, "subscriptions_list_detail");
        if (subs.is_array())
            for (const json &s : subs) {
                if (subscriptions >= max_subscriptions)
                    break;
                if (!s.is_object())
                    continue;
                n.subscriptions.push_back(
                    {text(s, "subject"), text(s, "qgroup"), count(s, "msgs")});
                ++subscriptions;
            }
        z.connections.push_back(std::move(n));
    }
    out = std::move(z);
    return true;
}

bool readSubszTotal(std::string_view text_, std::int64_t &total, std::string &error)
{
    total = 0;
    json o;
    if (!parse(text_, {"total"}, o, error))
        return false;
    // A server holding none of the tested subject leaves "total" out.
    total = count(o, "total");
    return true;
}

bool readRoutez(std::string_view text_, Routez &out, std::string &error)
{
    out = Routez{};
    json o;
    if (!parse(text_,
               {"server_id", "num_routes", "routes", "rid", "remote_id", "ip", "port", "in_msgs",
                "out_msgs", "subscriptions"},
               o, error))
        return false;
    const json *routes = nullptr;
    if (!list(o, "routes", routes, error))
        return false;
    Routez z;
    z.server_id = text(o, "server_id");
    z.num_routes = count(o, "num_routes");
    for (const json &r : *routes) {
        if (z.routes.size() >= max_routes)
            break;
        if (!r.is_object())
            continue;
        z.routes.push_back({count(r, "rid"), text(r, "remote_id"), text(r, "ip"), count(r, "port"),
                            count(r, "in_msgs"), count(r, "out_msgs"), count(r, "subscriptions")});
    }
    out = std::move(z);
    return true;
}

bool readServiceInfo(std::string_view text_, ServiceInstance &out, std::string &error)
{
    return readService(text_, false, out, error);
}

bool readServiceStats(std::string_view text_, ServiceInstance &out, std::string &error)
{
    return readService(text_, true, out, error);
}

} // namespace ostrane::nats
