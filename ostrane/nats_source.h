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
    struct Snapshot {
        std::optional<Varz> varz;
        std::optional<Connz> connz;
        std::optional<std::int64_t> instances; // /subsz' total
        std::optional<Routez> routez;
        std::optional<Gathered> services;
        std::int64_t date = -1;
        bool has(Part p) const;
        void clear() { *this = Snapshot{}; }
    };
    using Broker = live::Brokers<Snapshot>::Broker;

    std::optional<live::Failure> fetch(Broker &b, const LiveTarget &target, Part p,
                                       live::milliseconds budget);

    live::Activity &m_activity;
    HttpClient m_http;
    live::Brokers<Snapshot> m_brokers;
};

// The monitoring port's URL of a client URL: its host, port 8222, http.
std::string monitorUrlOf(const std::string &clientUrl);

} // namespace ostrane::nats
