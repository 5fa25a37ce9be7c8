#pragma once
// A live RabbitMQ broker behind the information service: a broker ID starting http:// or
// https:// names its management API. A round (the start-up's five queries, an auto-refresh
// round, a snapshot or a scrape) fetches each endpoint at most once, however slow its GETs:
// its snapshot serves every opening call until a kind asks a second time, until the
// library saw no call for idle_gap, or until beyond_deadline after the round's deadline.
// The round's GETs end by that deadline.

#include "broker_data.h"
#include "http_client.h"
#include "rabbit_marks.h"
#include "rabbit_view.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>

namespace ostrane::rabbit
{

bool isBrokerUrl(std::string_view brokerId);

class Source
{
public:
    // The program calls a round's queries back to back, each answered from memory after
    // its GETs; its shortest auto-refresh interval (5 s, counted from a round's end) is
    // well above this gap, and a Refresh pressed by hand a moment later asks again.
    static constexpr auto idle_gap = std::chrono::milliseconds(2000);
    // A round's snapshot is never older than this past its GETs' deadline.
    static constexpr auto beyond_deadline = std::chrono::milliseconds(5000);
    static constexpr std::size_t max_brokers = 16;

    // Any call into the library, follow-ups too: the round it belongs to is not idle.
    void touch()
    {
        m_quietSince = m_lastSeen;
        m_lastSeen = Clock::now();
    }

    // The kind's objects from the broker at `url`, with the calls that deviate from the
    // natural answer (a failure, a cut list) scripted.
    KindData query(const std::string &url, const Kind &kind, const HttpOptions &options);
    std::uint64_t gets() const { return m_http.gets(); }

private:
    using Clock = std::chrono::steady_clock;

    struct Fetched {
        Body body;
        std::int64_t date = -1;
    };
    struct Failure {
        std::string text;
        std::int32_t code = 0; // the HTTP status, or a FailureCode
        bool login = false;    // 401: "0002" first
    };
    struct Broker {
        std::array<std::optional<Fetched>, endpoint_count> fetched; // of the current round
        std::optional<Clock::time_point> round;                     // its first opening call
        Clock::time_point deadline;                                 // of its GETs
        unsigned asked = 0;             // the kinds the round answered, one bit each
        std::optional<Failure> failure; // answers the rest of the round
        std::uint64_t serial = 0;
        Marks marks;
    };

    // Whether the round of `b` may answer `kind` now; else a new round starts.
    bool roundServes(const Broker &b, KindId kind, Clock::time_point now) const;
    // One GET of the round; `cut` when it got less than a whole round's time.
    std::optional<Failure> fetch(Broker &b, const std::string &url, Endpoint e,
                                 const HttpOptions &options, bool cut);
    Broker &broker(const std::string &url);

    HttpClient m_http;
    std::map<std::string, Broker> m_brokers;
    std::uint64_t m_serial = 0;
    // The last call seen before the current one, and the latest moment the library was busy.
    Clock::time_point m_quietSince, m_lastSeen;
};

// An endpoint's body read as a GET's is (readBody with its fields and cap); false when it
// cannot be read. With mapKind, the whole reading of a snapshot without HTTP.
bool readEndpoint(
    std::string_view text, Endpoint e, Body &out,
    std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max(),
    bool *late = nullptr);
// One kind's objects from what was read, with the cut list scripted ("Ok, 99 of 220").
KindData mapKind(const Raw &raw, const Kind &kind, Marks &marks);

} // namespace ostrane::rabbit
