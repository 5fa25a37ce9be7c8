#pragma once
// A live RabbitMQ broker behind the information service: a broker ID starting http:// or
// https:// names its management API. The kinds of one start-up share a snapshot for about
// a second, so five queries cost at most seven GETs.

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
    struct Fetched {
        nlohmann::json doc;
        Clock::time_point at;
        std::int64_t date = -1;
    };
    struct Failure {
        std::string text;
        long status = 0;
        bool login = false; // 401: "0002" first
        Clock::time_point at;
    };
    struct Broker {
        std::array<std::optional<Fetched>, endpoint_count> fetched;
        std::optional<Failure> failure;
        std::uint64_t serial = 0;
        Marks marks;
    };

    std::optional<Failure> fetch(Broker &b, const std::string &url, Endpoint e,
                                 const HttpOptions &options);
    Broker &broker(const std::string &url);

    HttpClient m_http;
    std::map<std::string, Broker> m_brokers;
    std::uint64_t m_serial = 0;
};

// Nesting depth of a JSON text (brackets outside strings); a bound on what the parser,
// and everything after it, is asked to walk.
int jsonDepth(std::string_view text, int limit);

} // namespace ostrane::rabbit
