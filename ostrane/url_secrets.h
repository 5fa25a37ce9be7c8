#pragma once
// Broker URLs read so that no part of a login ever reaches a text: error texts, the log,
// anything a source shows. Every live source names its broker through these.

#include <initializer_list>
#include <string>
#include <string_view>

namespace ostrane::live
{

struct UrlParts {
    bool read = false; // libcurl read it: the rest is set
    std::string host, port, user;
    std::string password[2]; // as written and decoded, to keep out of any text
};

// The URL as a GET itself reads it: libcurl's own parser. `defaultPort` stands in for a
// scheme libcurl knows no port of (nats://); 0 takes libcurl's.
UrlParts readUrl(const std::string &url, int defaultPort = 0);

// Host and port of a broker URL ("127.0.0.1:15672"), read by libcurl's URL parser; no
// part of a login or path, even of a URL libcurl cannot read.
std::string hostPort(const std::string &url, int defaultPort = 0);
// The login name written into a URL, or "" when none (or libcurl cannot read it).
std::string urlLogin(const std::string &url);
// What can be shown of a URL that libcurl cannot read: the text after the last '@' up to
// the path, so that no part of a user-info ever shows, whatever characters it holds.
std::string afterLogin(const std::string &url);
// Every secret cut out of a text of a library's own ("***" in its place).
std::string scrubbed(std::string text, std::initializer_list<std::string_view> secrets);

} // namespace ostrane::live
