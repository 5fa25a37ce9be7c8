// Services: one per (service, instance, endpoint) of the instances that replied, by
// service name, instance id and endpoint name. serviceExtras (nats_extras.cpp) walks them in
// the same order.
#include "nats_mapping.h"

#include <map>

namespace ostrane::nats
{

int mapServices(const View &v, Marks &, KindData &out)
{
    // Instances listing each endpoint: the endpoint's active servers.
    std::map<std::pair<std::string, std::string>, std::int64_t> listing;
    for (const Instance &i : v.instances)
        for (const Endpoint &e : i.endpoints)
            ++listing[{i.name, e.name}];
    int total = 0;
    for (const Instance &i : v.instances)
        for (const Endpoint &e : i.endpoints) {
            if (++total > live::max_services)
                continue;
            Out(out)
                .name("server_class", i.name)
                .name("server_name", i.id)
                .name("service", e.name)
                .text("translation", i.version)
                .number("server_act", listing[{i.name, e.name}])
                .number("req_sum", e.num_requests);
        }
    return total;
}

} // namespace ostrane::nats
