#pragma once
// A live RabbitMQ broker: a broker ID starting http:// or https:// names its management
// API. A round (live_round.h) GETs each endpoint at most once; follow-ups and the other
// kinds of the round are answered from its snapshot.

#include "live_source.h"
#include "rabbit_view.h"

#include <chrono>
#include <optional>
#include <string>

namespace ostrane::rabbit
{

class Source : public LiveSource
{
public:
    explicit Source(live::Activity &activity) : m_activity(activity) {}
    KindData query(const LiveTarget &target, const Kind &kind) override;
    std::uint64_t gets() const { return m_http.gets(); }

private:
    struct Fetched {
        Body body;
        std::int64_t date = -1;
    };
    using Snapshot = std::array<std::optional<Fetched>, endpoint_count>;
    using Broker = live::Brokers<Snapshot>::Broker;

    // One GET of the round; `cut` when it got less than a whole round's time.
    std::optional<live::Failure> fetch(Broker &b, const std::string &url, Endpoint e,
                                       const HttpOptions &options, bool cut);

    live::Activity &m_activity;
    HttpClient m_http;
    live::Brokers<Snapshot> m_brokers;
};

// An endpoint's body read as a GET's is (readBody with its fields and cap); false when it
// cannot be read. With mapKind, the whole reading of a snapshot without HTTP.
bool readEndpoint(
    std::string_view text, Endpoint e, Body &out,
    std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max(),
    bool *late = nullptr);
// One kind's objects from what was read, with the cut list scripted ("Ok, 99 of 220"), or
// the vhosts `login` cannot read said ("2 vhosts not readable by monitor").
KindData mapKind(const Raw &raw, const Kind &kind, live::Marks &marks, std::string_view login = {});

} // namespace ostrane::rabbit
