#include "http_client.h"

#include "curl_library.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ostrane
{
namespace
{

struct Sink {
    const CurlLibrary *lib = nullptr;
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

std::string netrcText()
{
    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    std::ifstream in(std::string(home) + "/.netrc");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string hostOf(const std::string &url)
{
    std::string hp = hostPort(url);
    if (!hp.empty() && hp.front() == '[')
        return hp.substr(1,
                         hp.find(']') == std::string::npos ? std::string::npos : hp.find(']') - 1);
    return hp.substr(0, hp.rfind(':') == std::string::npos ? hp.size() : hp.rfind(':'));
}

} // namespace

std::string hostPort(const std::string &url)
{
    std::size_t at = url.find("://");
    at = at == std::string::npos ? 0 : at + 3;
    std::size_t end = url.find_first_of("/?#", at);
    std::string authority = url.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const std::size_t login = authority.rfind('@');
    return login == std::string::npos ? authority : authority.substr(login + 1);
}

std::string urlLogin(const std::string &url)
{
    std::size_t at = url.find("://");
    at = at == std::string::npos ? 0 : at + 3;
    const std::size_t end = url.find_first_of("/?#", at);
    const std::string authority =
        url.substr(at, end == std::string::npos ? std::string::npos : end - at);
    const std::size_t login = authority.rfind('@');
    if (login == std::string::npos)
        return {};
    const std::string user = authority.substr(0, login);
    return user.substr(0, user.find(':'));
}

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

HttpResponse HttpClient::get(const std::string &url, const HttpOptions &options)
{
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
                std::fprintf(stderr, "OSTRANE: GET %s: %s\n", hostPort(url).c_str(), why.c_str());
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
    const auto started = std::chrono::steady_clock::now();
    Sink sink;
    sink.lib = m_lib;
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
    if (urlLogin(url).empty() && !netrcNames(netrcText(), hostOf(url))) {
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
        m_lib->easy_setopt(curl, CURLOPT_USERNAME, "guest");
        m_lib->easy_setopt(curl, CURLOPT_PASSWORD, "guest");
    } else {
        m_lib->easy_setopt(curl, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
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
        r.error = problem[0] ? problem : m_lib->easy_strerror(rc);
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
        // The URL is logged without its login part: no credential ever reaches the log.
        const std::size_t path =
            url.find('/', url.find("://") == std::string::npos ? 0 : url.find("://") + 3);
        std::fprintf(stderr, "OSTRANE: GET %s%s -> %ld (%zu bytes, %.1f ms)%s%s\n",
                     hostPort(url).c_str(),
                     path == std::string::npos ? "" : url.substr(path).c_str(), r.status,
                     r.body.size(), ms, r.error.empty() ? "" : ": ", r.error.c_str());
    }
    return r;
}

} // namespace ostrane
