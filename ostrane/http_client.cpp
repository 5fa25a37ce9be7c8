#include "http_client.h"

#include "curl_library.h"
#include "url_secrets.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace ostrane
{
using live::afterLogin;
using live::hostPort;
using live::readUrl;
using live::UrlParts;

namespace
{

struct Sink {
    const CurlLibrary *lib = nullptr;
    CURL *curl = nullptr;
    bool sized = false; // the body's room was taken from Content-Length
    std::string body;
    std::int64_t date = -1;
    bool overflow = false;
};

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<Sink *>(user);
    const size_t n = size * count;
    if (sink->body.size() + n > HttpClient::max_body) {
        sink->overflow = true;
        return 0; // aborts the transfer
    }
    // Room for the whole body at once: growing by doubling would hold twice a large body.
    if (!sink->sized) {
        sink->sized = true;
        curl_off_t length = -1;
        if (sink->lib->easy_getinfo(sink->curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                CURLE_OK &&
            length > 0 && static_cast<std::size_t>(length) <= HttpClient::max_body)
            sink->body.reserve(static_cast<std::size_t>(length));
    }
    sink->body.append(data, n);
    return n;
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<Sink *>(user);
    const size_t n = size * count;
    const std::string line(data, n);
    if (line.size() > 5 && (line.compare(0, 5, "Date:") == 0 || line.compare(0, 5, "date:") == 0)) {
        const std::string value = line.substr(5);
        const time_t t = sink->lib->getdate(value.c_str(), nullptr);
        if (t > 0)
            sink->date = static_cast<std::int64_t>(t);
    }
    return n;
}

// A named broker's user put into the URL, where ~/.netrc finds the password for it as for
// a login written there; the URL as it was when libcurl cannot read it.
std::string withLogin(const std::string &url, const std::string &user)
{
    const CurlLibrary *lib = curlLibrary();
    CURLU *handle = lib ? lib->url() : nullptr;
    if (!handle)
        return url;
    std::string out = url;
    char *text = nullptr;
    if (lib->url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        lib->url_set(handle, CURLUPART_USER, user.c_str(), CURLU_URLENCODE) == CURLUE_OK &&
        lib->url_get(handle, CURLUPART_URL, &text, 0) == CURLUE_OK && text)
        out = text;
    if (text)
        lib->free(text);
    lib->url_cleanup(handle);
    return out;
}

// $HOME/.netrc, only when it is a regular file of at most 64 KiB: a FIFO or a device
// there must not hang the monitor's one thread. The file stays open while the GET runs
// and libcurl reads that same file through /proc/self/fd, so it cannot be swapped.
class Netrc
{
public:
    static constexpr off_t max_size = 64 * 1024;

    explicit Netrc(bool log)
    {
        const char *home = std::getenv("HOME");
        if (!home || !*home)
            return;
        const std::string path = std::string(home) + "/.netrc";
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (m_fd < 0)
            return;
        struct stat st {
        };
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > max_size) {
            if (log)
                std::fprintf(stderr,
                             "OSTRANE: ~/.netrc ignored: not a regular file of at most 64 KiB\n");
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        char buffer[4096];
        for (ssize_t n; m_text.size() <= static_cast<std::size_t>(max_size) &&
                        (n = ::read(m_fd, buffer, sizeof buffer)) > 0;)
            m_text.append(buffer, static_cast<std::size_t>(n));
        m_file = "/proc/self/fd/" + std::to_string(m_fd);
    }
    ~Netrc()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Netrc(const Netrc &) = delete;
    Netrc &operator=(const Netrc &) = delete;

    bool usable() const { return m_fd >= 0; }
    const std::string &text() const { return m_text; }
    const std::string &file() const { return m_file; }

private:
    int m_fd = -1;
    std::string m_text, m_file;
};

} // namespace

bool netrcNames(const std::string &text, const std::string &host)
{
    std::istringstream in(text);
    std::string token, previous;
    for (int guard = 0; in >> token && guard < 100000; ++guard) {
        if (token == "default" || (previous == "machine" && token == host))
            return true;
        previous = token;
    }
    return false;
}

HttpClient::~HttpClient()
{
    if (m_curl)
        closeCurlHandle(static_cast<CURL *>(m_curl));
}

HttpResponse HttpClient::get(const std::string &base, const std::string &path,
                             const HttpOptions &options)
{
    std::string url = base + path;
    HttpResponse r;
    if (!m_lib) {
        std::string why;
        m_lib = curlLibrary(&why);
        if (!m_lib) {
            // Answered as an unreachable broker is, with the loader's words for the log.
            r.reason = "libcurl not loaded";
            r.failure = no_libcurl;
            r.error = why;
            if (options.log)
                std::fprintf(stderr, "OSTRANE: GET %s%s: %s\n", hostPort(base).c_str(),
                             path.c_str(), why.c_str());
            return r;
        }
    }
    if (!m_curl)
        m_curl = openCurlHandle();
    auto *curl = static_cast<CURL *>(m_curl);
    if (!curl) {
        r.reason = "No HTTP client";
        r.failure = no_libcurl;
        r.error = "No HTTP client";
        return r;
    }
    ++m_gets;
    if (!options.user.empty() && options.password.empty())
        url = withLogin(url, options.user);
    const UrlParts parts = readUrl(url);
    const Netrc netrc(options.log);
    const auto started = std::chrono::steady_clock::now();
    Sink sink;
    sink.lib = m_lib;
    sink.curl = curl;
    char problem[CURL_ERROR_SIZE] = {};
    // Back to the defaults (the system's CA store among them); live connections stay.
    m_lib->easy_reset(curl);
    m_lib->easy_setopt(curl, CURLOPT_URL, url.c_str());
    m_lib->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    m_lib->easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    m_lib->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    m_lib->easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    m_lib->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connect_ms);
    m_lib->easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.total_ms);
    m_lib->easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(max_body));
    m_lib->easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    m_lib->easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    m_lib->easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    m_lib->easy_setopt(curl, CURLOPT_HEADERDATA, &sink);
    m_lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, problem);
    m_lib->easy_setopt(curl, CURLOPT_CAINFO,
                       options.ca_file.empty() ? nullptr : options.ca_file.c_str());
    m_lib->easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    std::string host = parts.host;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (!options.password.empty()) {
        // A named broker's password: neither the URL's nor ~/.netrc's counts.
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
        m_lib->easy_setopt(curl, CURLOPT_USERNAME,
                           (options.user.empty() ? parts.user : options.user).c_str());
        m_lib->easy_setopt(curl, CURLOPT_PASSWORD, options.password.c_str());
    } else if (parts.user.empty() && !netrcNames(netrc.text(), host)) {
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
        m_lib->easy_setopt(curl, CURLOPT_USERNAME, "guest");
        m_lib->easy_setopt(curl, CURLOPT_PASSWORD, "guest");
    } else if (netrc.usable()) {
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
        m_lib->easy_setopt(curl, CURLOPT_NETRC_FILE, netrc.file().c_str());
    } else {
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    }

    const CURLcode rc = m_lib->easy_perform(curl);
    if (rc == CURLE_OK) {
        r.reached = true;
        m_lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
        r.body = std::move(sink.body);
        r.date = sink.date;
    } else if (sink.overflow || rc == CURLE_FILESIZE_EXCEEDED) {
        r.reached = true;
        m_lib->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &r.status);
        r.error = "Reply larger than 32 MiB";
        r.failure = unreadable;
    } else {
        r.error = live::scrubbed(problem[0] ? problem : m_lib->easy_strerror(rc),
                                 {parts.password[0], parts.password[1], options.password});
        const bool tls = rc == CURLE_SSL_CONNECT_ERROR || rc == CURLE_PEER_FAILED_VERIFICATION ||
                         rc == CURLE_SSL_CACERT_BADFILE || rc == CURLE_SSL_CERTPROBLEM;
        r.failure = rc == CURLE_OPERATION_TIMEDOUT ? timed_out : tls ? tls_failed : unreachable;
        r.reason = r.failure == timed_out ? "Broker timed out"
                   : tls                  ? "TLS failed"
                                          : "Broker not reachable";
    }
    // Nothing of ours may keep pointing into this call's stack.
    m_lib->easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    m_lib->easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    m_lib->easy_setopt(curl, CURLOPT_HEADERDATA, nullptr);

    if (options.log) {
        const auto ms = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count() /
                        1000.0;
        // Host, port and our own path only: no part of a login ever reaches the log.
        std::fprintf(stderr, "OSTRANE: GET %s%s -> %ld (%zu bytes, %.1f ms)%s%s\n",
                     parts.read ? (parts.host + ":" + parts.port).c_str()
                                : afterLogin(base).c_str(),
                     path.c_str(), r.status, r.body.size(), ms, r.error.empty() ? "" : ": ",
                     r.error.c_str());
    }
    return r;
}

} // namespace ostrane
