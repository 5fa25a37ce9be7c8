#pragma once
// Why a live broker gave no answer, as the reply header's `error_code` names it (an HTTP
// failure carries its status instead). Shared by every live source; documented in
// docs/rabbitmq.md and docs/nats.md; never renumber. The refusals of the information
// service go on from list_refused (information_service.h).

namespace ostrane
{

enum FailureCode : int {
    no_failure = 0,
    unreachable = 1,     // refused, no route, bad host
    timed_out = 2,       // a fetch ran out of its own time
    tls_failed = 3,      // handshake or certificate
    unreadable = 4,      // a body that cannot be read (truncated, too large, not the shape)
    no_libcurl = 5,      // libcurl or one of its functions missing
    round_timed_out = 6, // the round's deadline passed before its fetches were done
    list_refused = 7,    // the named brokers' list (or a password file) is not safe to use
};

} // namespace ostrane
