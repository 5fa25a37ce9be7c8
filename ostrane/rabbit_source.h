#pragma once
// A live RabbitMQ broker behind the information service: a broker ID starting http:// or
// https:// names its management API. The GETs of one round share a snapshot that lives
// about a second from the round's first GET, so a round is at most seven GETs and the
// five queries of a start-up usually one round. A round ends by its deadline.

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
    static constexpr auto shared_for = std::chrono::milliseconds(1000);
    static constexpr std::size_t max_brokers = 16;

    // The kind's objects from the broker at `url`, with the calls that deviate from the
    // natural answer (a failure, a cut list) scripted.
    KindData query(const std::string &url, const Kind &kind, const HttpOptions &options);
    std::uint64_t gets() const { return m_http.gets(); }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int max_gets = 7; // a round's

    struct Fetched {
        Body body;
        Clock::time_point at;
        std::int64_t date = -1;
        int pages = 1;
    };
    struct Failure {
        std::string text;
        std::int32_t code = 0; // the HTTP status, or a FailureCode
        bool login = false;    // 401: "0002" first
        Clock::time_point at;
    };
    struct Broker {
        std::array<std::optional<Fetched>, endpoint_count> fetched; // of the current round
        std::optional<Clock::time_point> round;                     // its first GET
        int gets = 0;                                               // GETs of the round
        std::optional<Body> vhosts_before; // for a round that had no room for it
        std::optional<Failure> failure;
        std::uint64_t serial = 0;
        Marks marks;
    };

    // One GET of the round; `cut` when it got less than a whole round's time.
    std::optional<Failure> fetch(Broker &b, const std::string &url, Endpoint e, int page,
                                 const HttpOptions &options, bool cut, Clock::time_point until);
    Broker &broker(const std::string &url);

    HttpClient m_http;
    std::map<std::string, Broker> m_brokers;
    std::uint64_t m_serial = 0;
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
