// Conversations: one per subscription, the only per-party object the server keeps with a
// counter; a request in flight leaves no state in the server. Only the subscriber's side
// is known.
#include "nats_mapping.h"

#include "sha1.h"

namespace ostrane::nats
{
namespace
{

// The endpoint of an instance that a subject serves, if any.
const Endpoint *endpointOf(const Instance *i, const std::string &subject)
{
    if (i)
        for (const Endpoint &e : i->endpoints)
            if (e.subject == subject)
                return &e;
    return nullptr;
}

} // namespace

int mapConversations(const View &v, Marks &, KindData &out)
{
    if (!v.connz)
        return 0;
    std::int64_t total = 0;
    for (const Connection &c : v.connz->connections)
        total += std::max<std::int64_t>(c.num_subscriptions,
                                        static_cast<std::int64_t>(c.subscriptions.size()));
    // Served first: subscriptions of endpoints, then the clients' own, then the service
    // framework's $SRV subjects, nine to an instance, which would crowd out the rest.
    for (int rank = 0; rank < 3; ++rank)
        for (std::size_t k = 0; k < v.connz->connections.size(); ++k) {
            const Connection &c = v.connz->connections[k];
            const Party &p = v.parties[k];
            const Instance *i =
                p.instance < 0 ? nullptr : &v.instances[static_cast<std::size_t>(p.instance)];
            const std::string side = i ? "server_" : "client_";
            for (std::size_t n = 0; n < c.subscriptions.size(); ++n) {
                const Subscription &sub = c.subscriptions[n];
                const Endpoint *e = endpointOf(i, sub.subject);
                const int its = e ? 0 : sub.subject.rfind("$SRV.", 0) == 0 ? 2 : 1;
                if (its != rank || out.count() >= live::max_conversations)
                    continue;
                // Stable while the subscription lives: the connection's number and the
                // subject.
                const std::string id = sha1Hex(std::to_string(c.cid) + "|" + sub.subject + "|" +
                                               sub.qgroup + "|" + std::to_string(n))
                                           .substr(0, 16);
                Out o(out);
                o.latin1("conversation_id", id)
                    .latin1(side + "user_id", p.user_id)
                    .text(side + "p_user_id", c.ip + ":" + std::to_string(c.port), true)
                    .text(side + "p_user_id_char", c.lang + " " + c.version)
                    .text(side + "token", i ? i->name + " " + i->version : c.lang)
                    .number("last_active_conv", c.idle_s)
                    .number("conv_type", e ? 0 : 1);
                if (i)
                    o.name("conv_server_class", i->name).name("conv_server_name", i->id);
                if (e)
                    o.name("conv_service", e->name);
            }
        }
    return static_cast<int>(std::min<std::int64_t>(total, INT32_MAX));
}

} // namespace ostrane::nats
