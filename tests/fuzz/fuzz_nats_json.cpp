// The NATS readers on arbitrary bytes: every reader reads the same input, as a server or a
// service instance might send anything. None may crash, throw or keep more than its caps;
// a refused body leaves its struct empty and says why.

#include "nats_json.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace ostrane::nats;

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool textsCut(const std::string &s)
{
    return s.size() <= max_text;
}

void checkService(bool ok, const ServiceInstance &i, const std::string &error)
{
    check(ok ? !i.name.empty() && !i.id.empty() : !error.empty() && i.name.empty());
    check(i.endpoints.size() <= max_endpoints && textsCut(i.name) && textsCut(i.id));
    for (const Endpoint &e : i.endpoints)
        check(e.num_requests >= 0 && e.num_errors >= 0 && textsCut(e.last_error));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes), size);
    std::string error;

    Varz varz;
    const bool varzOk = readVarz(text, varz, error);
    check(varzOk ? !varz.server_id.empty() : !error.empty() && varz.server_id.empty());
    check(varz.cluster_urls.size() <= max_urls && varz.uptime_s >= 0 && varz.mem >= 0);

    error.clear();
    Connz connz;
    const bool connzOk = readConnz(text, connz, error);
    check(connzOk || (!error.empty() && connz.connections.empty()));
    check(connz.connections.size() <= max_connections);
    std::size_t subscriptions = 0;
    for (const Connection &c : connz.connections) {
        subscriptions += c.subscriptions.size();
        check(c.idle_s >= 0 && c.in_msgs >= 0 && textsCut(c.name));
    }
    check(subscriptions <= max_subscriptions);

    error.clear();
    std::int64_t total = -1;
    check(readSubszTotal(text, total, error) ? total >= 0 : total == 0 && !error.empty());

    error.clear();
    Routez routez;
    check(readRoutez(text, routez, error) || (!error.empty() && routez.routes.empty()));
    check(routez.routes.size() <= max_routes);

    error.clear();
    ServiceInstance info, stats;
    checkService(readServiceInfo(text, info, error), info, error);
    error.clear();
    checkService(readServiceStats(text, stats, error), stats, error);

    check(durationSeconds(text.substr(0, 80)) >= -1);
    return 0;
}
