#pragma once
// The service framework's replies over a NATS server's client port: $SRV.INFO and
// $SRV.STATS published once each, their replies gathered until `expected` of each came or
// the deadline passed. A quiet gap is no safe end (under load one reply of 103 came after
// a 10 ms gap), so the count decides. One connection per gathering, reconnects off.

#include "failure_codes.h"
#include "live_round.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::nats
{

// The name of the stand-in's own connection, which the mapping leaves out: a connection
// that is closing may still be listed by /connz of a later GET.
inline constexpr std::string_view own_connection_name = "morvain-ostrane";

struct ClientOptions {
    std::string url;                   // nats://host:port or tls://host:port
    std::string user, password, token; // a token wins over user and password
    std::string creds_file, ca_file;   // files libnats reads itself
    long connect_ms = 2000;
    bool log = false; // one line per gathering on stderr
};

// Failure codes of the client port, going on after the information service's refusals
// (information_service.h); never renumber.
enum ClientFailure : int {
    no_libnats = 14,    // libnats or one of its functions missing
    login_refused = 15, // "Authorization Violation": wrong or missing credentials
};

struct Gathered {
    bool reached = false;              // false: `failure` and `reason` say why
    std::int32_t failure = no_failure; // a FailureCode or a ClientFailure
    bool login = false;                // the server refused the credentials
    std::string reason;                // short, for the error text, no secret in it
    std::vector<std::string> info;     // reply bodies, as they came
    std::vector<std::string> stats;
};

// With `quiet` above zero, `expected` is a lower bound: past it, the gathering ends after
// a gap of `quiet` without a reply.
Gathered gatherServices(const ClientOptions &options, std::int64_t expected,
                        live::Clock::time_point deadline,
                        live::milliseconds quiet = live::milliseconds(0));

} // namespace ostrane::nats
