#include "url_secrets.h"

#include "curl_library.h"

namespace ostrane::live
{

std::string afterLogin(const std::string &url)
{
    std::size_t from = url.find("://");
    from = from == std::string::npos ? 0 : from + 3;
    if (const std::size_t at = url.rfind('@'); at != std::string::npos && at >= from)
        from = at + 1;
    const std::size_t end = url.find_first_of("/?#", from);
    return url.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

UrlParts readUrl(const std::string &url, int defaultPort)
{
    UrlParts parts;
    const CurlLibrary *lib = curlLibrary();
    CURLU *handle = lib ? lib->url() : nullptr;
    if (!handle)
        return parts;
    const auto get = [&](CURLUPart what, unsigned int flags, std::string &to) {
        char *text = nullptr;
        if (lib->url_get(handle, what, &text, flags) == CURLUE_OK && text)
            to = text;
        if (text)
            lib->free(text);
    };
    const unsigned int scheme = defaultPort > 0 ? CURLU_NON_SUPPORT_SCHEME : 0;
    if (lib->url_set(handle, CURLUPART_URL, url.c_str(), scheme) == CURLUE_OK) {
        parts.read = true;
        get(CURLUPART_HOST, 0, parts.host);
        get(CURLUPART_PORT, defaultPort > 0 ? 0 : CURLU_DEFAULT_PORT, parts.port);
        if (parts.port.empty() && defaultPort > 0)
            parts.port = std::to_string(defaultPort);
        get(CURLUPART_USER, CURLU_URLDECODE, parts.user);
        get(CURLUPART_PASSWORD, 0, parts.password[0]);
        get(CURLUPART_PASSWORD, CURLU_URLDECODE, parts.password[1]);
    }
    lib->url_cleanup(handle);
    return parts;
}

std::string hostPort(const std::string &url, int defaultPort)
{
    const UrlParts parts = readUrl(url, defaultPort);
    return parts.read ? parts.host + ":" + parts.port : afterLogin(url);
}

std::string urlLogin(const std::string &url)
{
    return readUrl(url).user;
}

std::string scrubbed(std::string text, std::initializer_list<std::string_view> secrets)
{
    for (const std::string_view secret : secrets)
        // On past each mark: a password of stars must not be found in its own mark.
        for (std::size_t at = 0;
             !secret.empty() && (at = text.find(secret, at)) != std::string::npos; at += 3)
            text.replace(at, secret.size(), "***");
    return text;
}

} // namespace ostrane::live
