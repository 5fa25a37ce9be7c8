#pragma once
// A live NATS server: a broker ID nats://host:port or tls://host:port names its client
// port. Its monitoring port (libcurl: /varz, /connz, /subsz, /routez) gives the server,
// its connections and subscriptions; the client port (libnats) the services' $SRV.INFO
// and $SRV.STATS replies, gathered until as many as /subsz counted instances replied, or
// the round's deadline. A round (live_round.h) fetches each part at most once.

#include "live_source.h"
#include "nats_client.h"
#include "nats_json.h"

#include <optional>
#include <string>
#include <vector>

namespace ostrane::nats
{

enum class Part : int { varz, connz, subsz, routez, services };

class Source : public LiveSource
{
public:
    explicit Source(live::Activity &activity) : m_activity(activity) {}
    KindData query(const LiveTarget &target, const Kind &kind) override;

private:
    // One monitored server's parts.
    struct Server {
        std::optional<Varz> varz;
        std::optional<Connz> connz;
        std::optional<std::int64_t> instances; // /subsz' total
    };
    struct Snapshot {
        std::vector<Server> servers;  // the one asked first, then the cluster's listed ones
        std::optional<Routez> routez; // of the one asked
        std::optional<Gathered> services;
        std::int64_t date = -1;
        bool has(Part p, std::size_t server) const;
        void clear() { *this = Snapshot{}; }
    };
    using Broker = live::Brokers<Snapshot>::Broker;

    // Servers the asked one's routes reach that no monitoring URL of the round answered for.
    static std::int64_t unmonitored(const Snapshot &s);

    // One part of the round; `server` indexes the monitoring URLs (the asked one first).
    std::optional<live::Failure> fetch(Broker &b, const LiveTarget &target, Part p,
                                       std::size_t server, live::milliseconds budget);

    live::Activity &m_activity;
    HttpClient m_http;
    live::Brokers<Snapshot> m_brokers;
};

// The monitoring port's URL of a client URL: its host, port 8222, http.
std::string monitorUrlOf(const std::string &clientUrl);
// The monitoring URLs a round reads: the asked server's, then the cluster's others.
std::vector<std::string> monitorUrls(const LiveTarget &target);

} // namespace ostrane::nats
