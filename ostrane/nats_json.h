#pragma once
// Readers of a NATS server's monitoring bodies (/varz, /connz, /subsz, /routez) and of the
// service framework's $SRV.INFO and $SRV.STATS replies, into plain structs. Pure: no I/O,
// so a fuzzer can feed them. Whatever the bytes, they never throw and never keep more
// than the caps below; a reader returns false and says why in `error` when the text is no
// JSON of the shape it reads, and leaves `out` empty then.
//
// Counters are held to 0..2^42 (negative or fractional values read as their clamped
// integer), texts are cut to max_text bytes, and a field of another type than expected
// reads as 0 or blank: a server of another version must not fail a whole round.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::nats
{

inline constexpr std::size_t max_text = 1024;
inline constexpr std::size_t max_connections = 100000;   // per /connz body
inline constexpr std::size_t max_subscriptions = 100000; // per body, all connections together
inline constexpr std::size_t max_routes = 1024;
inline constexpr std::size_t max_endpoints = 4096; // per service instance
inline constexpr std::size_t max_urls = 1024;      // cluster urls of /varz

struct Varz {
    std::string server_id;
    std::string server_name;
    std::string version;
    std::string host;
    std::int64_t port = 0;
    std::int64_t http_port = 0;
    std::int64_t uptime_s = 0; // "1h2m3s" read to seconds
    std::int64_t mem = 0;      // bytes
    std::int64_t connections = 0;
    std::int64_t total_connections = 0;
    std::int64_t subscriptions = 0;
    std::int64_t routes = 0;
    std::int64_t in_msgs = 0;
    std::int64_t out_msgs = 0;
    std::int64_t in_bytes = 0;
    std::int64_t out_bytes = 0;
    std::int64_t slow_consumers = 0;
    std::string cluster_name;
    std::vector<std::string> cluster_urls; // "host:port" of the routes' listeners
};

struct Subscription {
    std::string subject;
    std::string qgroup;
    std::int64_t msgs = 0;
};

struct Connection {
    std::int64_t cid = 0;
    std::string ip;
    std::int64_t port = 0;
    std::string name;
    std::string lang;
    std::string version;
    std::int64_t idle_s = 0;   // "idle": "1m2s" read to seconds
    std::int64_t uptime_s = 0; // "uptime"
    std::int64_t in_msgs = 0;
    std::int64_t out_msgs = 0;
    std::int64_t num_subscriptions = 0;      // "subscriptions": the server's count
    std::vector<Subscription> subscriptions; // "subscriptions_list_detail"
};

struct Connz {
    std::string server_id;
    std::int64_t num_connections = 0; // on this page
    std::int64_t total = 0;           // of the server
    std::vector<Connection> connections;
};

struct Route {
    std::int64_t rid = 0;
    std::string remote_id;
    std::string ip;
    std::int64_t port = 0;
    std::int64_t in_msgs = 0;
    std::int64_t out_msgs = 0;
    std::int64_t num_subscriptions = 0;
};

struct Routez {
    std::string server_id;
    std::int64_t num_routes = 0;
    std::vector<Route> routes;
};

struct Endpoint {
    std::string name;
    std::string subject;
    std::string queue_group;
    // STATS only; 0 / blank in an INFO reply.
    std::int64_t num_requests = 0;
    std::int64_t num_errors = 0;
    std::string last_error;
    std::int64_t processing_time_ns = 0;
    std::int64_t average_processing_time_ns = 0;
};

// One service instance's INFO or STATS reply (the same struct; each fills its fields).
struct ServiceInstance {
    std::string type; // "io.nats.micro.v1.info_response" / "...stats_response"
    std::string name;
    std::string id;
    std::string version;
    std::string description; // INFO
    std::string started;     // STATS, RFC 3339 as sent
    std::vector<Endpoint> endpoints;
};

bool readVarz(std::string_view text, Varz &out, std::string &error);
bool readConnz(std::string_view text, Connz &out, std::string &error);
// /subsz?subs=1&test=$SRV.PING: its "total", the number of service instances.
bool readSubszTotal(std::string_view text, std::int64_t &total, std::string &error);
bool readRoutez(std::string_view text, Routez &out, std::string &error);
// A $SRV.INFO or $SRV.STATS reply; a reply of another type (a PING's) reads its common
// fields with no endpoints.
bool readServiceInfo(std::string_view text, ServiceInstance &out, std::string &error);
bool readServiceStats(std::string_view text, ServiceInstance &out, std::string &error);

// A Go duration as the monitoring port writes it ("1h2m3s", "3d4h", "500ms", "0s") read
// to whole seconds; -1 when the text is no such duration.
std::int64_t durationSeconds(std::string_view text);

} // namespace ostrane::nats
