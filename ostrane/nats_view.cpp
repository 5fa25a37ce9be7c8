#include "nats_view.h"

#include "latin1.h"
#include "name_fitting.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace ostrane::nats
{
namespace
{

const std::string ping_prefix = "$SRV.PING.";

// The instance a subscription names: "$SRV.PING.<name>.<id>".
bool pingOf(const std::string &subject, std::string &name, std::string &id)
{
    if (subject.rfind(ping_prefix, 0) != 0)
        return false;
    const std::string rest = subject.substr(ping_prefix.size());
    const std::size_t dot = rest.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == rest.size())
        return false;
    name = rest.substr(0, dot);
    id = rest.substr(dot + 1);
    return true;
}

void readInstances(const Raw &raw, View &v)
{
    std::map<std::string, Instance> byId;
    std::string error;
    if (raw.info)
        for (const std::string &body : *raw.info) {
            ServiceInstance s;
            if (!readServiceInfo(body, s, error) || s.id.empty())
                continue;
            Instance &i = byId[s.id];
            i.name = s.name;
            i.id = s.id;
            i.version = s.version;
            if (!i.counted)
                i.endpoints = std::move(s.endpoints);
        }
    std::int64_t both = 0;
    if (raw.stats)
        for (const std::string &body : *raw.stats) {
            ServiceInstance s;
            if (!readServiceStats(body, s, error) || s.id.empty())
                continue;
            const bool hadInfo = byId.count(s.id) > 0;
            Instance &i = byId[s.id];
            if (i.counted)
                continue; // a second reply of one instance counts once
            both += hadInfo ? 1 : 0;
            i.name = s.name;
            i.id = s.id;
            i.version = s.version.empty() ? i.version : s.version;
            i.endpoints = std::move(s.endpoints);
            i.counted = true;
        }
    v.replied = both;
    for (auto &entry : byId)
        v.instances.push_back(std::move(entry.second));
    std::stable_sort(v.instances.begin(), v.instances.end(),
                     [](const Instance &a, const Instance &b) {
                         return std::tie(a.name, a.id) < std::tie(b.name, b.id);
                     });
}

// Names shown for connections: the name the client gave, else ip:port; repeated names get
// "~2", "~3" in the order the server numbered them (cid).
void nameParties(const Connz &z, View &v)
{
    std::map<std::string, std::vector<std::size_t>> byName;
    for (std::size_t k = 0; k < z.connections.size(); ++k) {
        const Connection &c = z.connections[k];
        byName[toLatin1(!c.name.empty() ? c.name : c.ip + ":" + std::to_string(c.port))].push_back(
            k);
    }
    for (auto &[base, members] : byName) {
        std::stable_sort(members.begin(), members.end(), [&](std::size_t a, std::size_t b) {
            return z.connections[a].cid < z.connections[b].cid;
        });
        for (std::size_t n = 0; n < members.size(); ++n)
            v.parties[members[n]].user_id =
                live::fitLatin1(n == 0 ? base : base + "~" + std::to_string(n + 1), 32);
    }
}

} // namespace

View read(const Raw &raw)
{
    View v;
    v.varz = raw.varz;
    v.servers = raw.servers;
    v.connz = raw.connz;
    v.routez = raw.routez;
    v.expected = raw.expected;
    v.now = raw.now;
    v.serial = raw.serial;
    readInstances(raw, v);
    if (!raw.connz)
        return v;
    v.parties.resize(raw.connz->connections.size());
    nameParties(*raw.connz, v);
    std::map<std::pair<std::string, std::string>, int> index;
    for (int i = 0; i < static_cast<int>(v.instances.size()); ++i)
        index.emplace(std::pair{v.instances[static_cast<std::size_t>(i)].name,
                                v.instances[static_cast<std::size_t>(i)].id},
                      i);
    for (std::size_t k = 0; k < raw.connz->connections.size(); ++k)
        for (const Subscription &sub : raw.connz->connections[k].subscriptions) {
            std::string name, id;
            if (!pingOf(sub.subject, name, id))
                continue;
            const auto it = index.find({name, id});
            if (it == index.end()) {
                // An instance that did not reply is still a server.
                v.parties[k].instance = static_cast<int>(v.instances.size());
                index.emplace(std::pair{name, id}, v.parties[k].instance);
                v.instances.push_back({name, id, "", {}, false, static_cast<int>(k)});
            } else {
                v.parties[k].instance = it->second;
                v.instances[static_cast<std::size_t>(it->second)].connection = static_cast<int>(k);
            }
            break;
        }
    return v;
}

} // namespace ostrane::nats
