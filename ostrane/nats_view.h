#pragma once
// A NATS snapshot read into what the mapping needs: the monitoring bodies as nats_json.h
// reads them, the service instances from their INFO and STATS replies (one per instance
// id, counters from STATS), and each connection's role: a connection holding
// $SRV.PING.<name>.<id> is that service instance, a server; every other one a client.

#include "nats_json.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ostrane::nats
{

struct Instance {
    std::string name, id, version;
    std::vector<Endpoint> endpoints; // STATS' when it came, else INFO's
    bool counted = false;            // its STATS reply came
    int connection = -1;             // into Connz::connections; -1: not on this server
};

struct Party {
    std::string user_id; // the name shown, "~2"... for repeated names (Latin-1)
    int instance = -1;   // into View::instances; -1: a client
};

struct Raw {
    const Varz *varz = nullptr;        // the server asked; null: not fetched
    std::vector<const Varz *> servers; // every monitored server's, the one asked first
    const Connz *connz = nullptr;      // every monitored server's connections
    const Routez *routez = nullptr;
    const std::vector<std::string> *info = nullptr, *stats = nullptr;
    std::int64_t expected = 0; // instances /subsz counted
    std::int64_t now = 0;      // seconds since the epoch
    std::uint64_t serial = 0;
};

struct View {
    const Varz *varz = nullptr;
    std::vector<const Varz *> servers;
    const Connz *connz = nullptr;
    const Routez *routez = nullptr;
    std::vector<Instance> instances; // by name, then id
    std::vector<Party> parties;      // one per Connz::connections entry
    std::int64_t expected = 0;
    std::int64_t replied = 0; // instances whose INFO and STATS both came
    std::int64_t now = 0;
    std::uint64_t serial = 0;
};

View read(const Raw &raw);

} // namespace ostrane::nats
