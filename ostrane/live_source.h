#pragma once
// A live broker behind the information service, of the type its broker ID or named broker
// gives (live_type.h). Each source answers a kind's KindData for a round, failures and cut lists
// scripted. What every source shares lives beside this file: the round and its snapshot
// (live_round.h), the failure codes, the marks, name fitting, table caps and URLs without secrets.

#include "broker_data.h"
#include "http_client.h"
#include "live_round.h"
#include "live_type.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane
{

// Which broker to ask and how.
struct LiveTarget {
    LiveType type = LiveType::none;
    std::string broker_id; // as the control block names it: a URL or a named broker
    std::string url;
    HttpOptions http; // timeouts, CA file, login; the round's budget is http.total_ms
    // NATS: the monitoring port's URL ("": the client URL's host, port 8222, http), and a
    // token or credentials file for the client port besides http's user and password.
    std::string monitor_url, token, creds_file;
    std::vector<std::string> cluster_monitor_urls; // the cluster's other servers
};

class LiveSource
{
public:
    virtual ~LiveSource() = default;
    // The kind's objects from the broker `target` names, with the calls that deviate from
    // the natural answer (a failure, a cut list) scripted.
    virtual KindData query(const LiveTarget &target, const Kind &kind) = 0;
};

// The live sources of one information service, each made on its first query.
class LiveSources
{
public:
    LiveSources();
    ~LiveSources();
    LiveSources(const LiveSources &) = delete;
    LiveSources &operator=(const LiveSources &) = delete;

    // Any call into the library, follow-ups too: a live round lasts while its calls come.
    void touch() { m_activity.touch(); }
    KindData query(const LiveTarget &target, const Kind &kind);

private:
    live::Activity m_activity;
    std::array<std::unique_ptr<LiveSource>, static_cast<int>(LiveType::live_type_count)> m_sources;
};

} // namespace ostrane
