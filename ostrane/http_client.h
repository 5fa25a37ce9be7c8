#pragma once
// One reused libcurl handle for GETs against a broker's management API: keep-alive across
// the calls of a query, short timeouts because the monitor's one thread waits on them.
// libcurl itself is loaded by the first GET, so a client that never asks costs nothing.

#include "failure_codes.h"

#include <cstdint>
#include <string>

namespace ostrane
{

struct CurlLibrary;

struct HttpOptions {
    long connect_ms = 2000;
    long total_ms = 5000; // of the whole round; a GET gets what is left of it
    std::string ca_file;  // empty: the system's CA store
    // A named broker's login: wins over the URL's and ~/.netrc. A user without a password
    // takes it from ~/.netrc as a login in the URL would.
    std::string user, password;
    bool log = false; // one line per GET on stderr
};

struct HttpResponse {
    bool reached = false;             // false: refused, timed out, TLS failure...; `error` says why
    FailureCode failure = no_failure; // when not reached, or the body was cut
    long status = 0;
    std::string body;
    std::int64_t date = -1; // the Date header, seconds since the epoch; -1 when absent
    std::string reason;     // short, for the error text: "Broker not reachable", ...
    std::string error;      // curl's own words, for the log
};

class HttpClient
{
public:
    static constexpr std::size_t max_body = 32u << 20;

    HttpClient() = default;
    ~HttpClient();
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    // GETs `base` + `path`. `base` may carry a login name (and a password, which no text
    // ever shows); else the password comes from ~/.netrc, and guest/guest is used only
    // when neither the URL nor netrc names anyone.
    HttpResponse get(const std::string &base, const std::string &path, const HttpOptions &options);
    std::uint64_t gets() const { return m_gets; }

private:
    const CurlLibrary *m_lib = nullptr; // set with m_curl by the first GET
    void *m_curl = nullptr;
    std::uint64_t m_gets = 0;
};

// Whether the netrc file names this host (or has a default entry).
bool netrcNames(const std::string &netrcText, const std::string &host);

} // namespace ostrane
