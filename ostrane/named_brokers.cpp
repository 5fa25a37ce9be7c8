#include "named_brokers.h"

#include "scenario.h"

#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace ostrane
{
namespace
{

using nlohmann::json;

// Far above any real list; bounds what a wrong path (a log, a device) can cost.
constexpr off_t max_list_size = 64 * 1024;
constexpr off_t max_password_size = 4 * 1024;
constexpr std::size_t max_name = 32; // a broker ID's width
constexpr long max_timeout_ms = 60000;
constexpr std::size_t max_cluster = 31; // other servers of a NATS cluster

struct FileStamp {
    std::int64_t size = 0, mtime_ns = 0, ctime_ns = 0; // ctime: a chmod changes it
    std::uint64_t inode = 0, device = 0;
    unsigned mode = 0;
    bool operator==(const FileStamp &) const = default;
};

// A file read whole, if it is a regular file of at most `limit` bytes: a FIFO or a device
// named there must not hang the monitor's one thread.
struct FileText {
    bool exists = false;
    std::string problem; // set: not usable, for the error text ("not a regular file")
    FileStamp stamp;
    std::string text;
};

FileText readSmallFile(const std::string &path, off_t limit)
{
    FileText f;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        f.exists = errno != ENOENT && errno != ENOTDIR;
        f.problem = "cannot be read";
        return f;
    }
    f.exists = true;
    struct stat st {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        f.problem = "not a regular file";
    } else if (st.st_size > limit) {
        f.problem = "too large";
    } else {
        f.stamp = {
            static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec,
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_dev),
            static_cast<unsigned>(st.st_mode)};
        char buffer[4096];
        for (ssize_t n; f.text.size() <= static_cast<std::size_t>(limit) &&
                        (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            f.text.append(buffer, static_cast<std::size_t>(n));
        if (f.text.size() > static_cast<std::size_t>(limit))
            f.problem = "too large";
    }
    ::close(fd);
    return f;
}

std::string baseName(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "brokers.json readable by others": the file's name cut so that the words fit the
// 40-character error text.
std::string fileSays(const std::string &path, const std::string &what)
{
    const std::size_t room = 40 - what.size() - 1;
    return baseName(path).substr(0, room) + " " + what;
}

struct List {
    std::map<std::string, NamedBroker, std::less<>> brokers;
    std::optional<BrokerLookup> refusal;
};

BrokerLookup refusal(const std::string &path, const std::string &what, const std::string &why,
                     bool namesKnown)
{
    BrokerLookup r;
    r.outcome = BrokerLookup::refused;
    r.text = fileSays(path, what);
    r.detail = path + ": " + why;
    r.names_known = namesKnown;
    return r;
}

[[noreturn]] void fail(const std::string &where, const std::string &what)
{
    throw DataError(where + ": " + what);
}

std::string stringOf(const json &entry, const char *key, const std::string &where)
{
    const auto it = entry.find(key);
    if (it == entry.end())
        return {};
    if (!it->is_string() || it->get_ref<const std::string &>().empty())
        fail(where + "." + key, "expected a text");
    return it->get<std::string>();
}

long millisecondsOf(const json &entry, const char *key, const std::string &where)
{
    const auto it = entry.find(key);
    if (it == entry.end())
        return 0;
    if (!it->is_number_integer() || it->get<std::int64_t>() < 1 ||
        it->get<std::int64_t>() > max_timeout_ms)
        fail(where + "." + key, "expected milliseconds from 1 to 60000");
    return static_cast<long>(it->get<std::int64_t>());
}

std::string resolved(const std::string &file, const std::string &folder)
{
    return file.empty() || file.front() == '/' ? file : folder + "/" + file;
}

// Throws DataError for anything but a valid list.
List parseList(const std::string &text, const std::string &folder)
{
    json doc;
    try {
        doc = json::parse(text.begin(), text.end(), nullptr, true, true);
    } catch (const json::parse_error &e) {
        // Its words quote what was last read, which may be part of a password.
        fail("JSON", "syntax error at byte " + std::to_string(e.byte));
    } catch (const json::exception &) {
        fail("JSON", "not readable");
    }
    if (!doc.is_object())
        fail("top level", "expected an object of named brokers");
    List list;
    static const char *const keys[] = {
        "type",          "url",        "user",       "password",
        "password_file", "ca_file",    "timeout_ms", "connect_timeout_ms",
        "monitor_url",   "token_file", "creds_file", "cluster_monitor_urls"};
    for (const auto &[name, entry] : doc.items()) {
        if (name.size() > max_name || !isSafeScenarioName(name))
            fail(name, "not a name of at most 32 letters, digits, _ . -");
        if (!entry.is_object())
            fail(name, "expected an object");
        for (const auto &[key, value] : entry.items())
            if (std::find(std::begin(keys), std::end(keys), key) == std::end(keys))
                fail(name + "." + key, "no such field");
        NamedBroker b;
        const std::string type = stringOf(entry, "type", name);
        if (!type.empty() && liveTypeNamed(type) == LiveType::none)
            fail(name + ".type", "expected rabbitmq or nats");
        b.url = stringOf(entry, "url", name);
        b.type = liveTypeOf(b.url);
        if (b.type == LiveType::none)
            fail(name + ".url", "expected http://..., https://..., nats://... or tls://...");
        if (!type.empty() && liveTypeNamed(type) != b.type)
            fail(name + ".url", "not a URL of a " + type + " broker");
        b.user = stringOf(entry, "user", name);
        b.password = stringOf(entry, "password", name);
        const std::string passwordFile = stringOf(entry, "password_file", name);
        if (!b.password.empty() && !passwordFile.empty())
            fail(name, "password and password_file both given");
        // Kept here until the broker is named: the file is read then.
        b.password_file = resolved(passwordFile, folder);
        b.ca_file = resolved(stringOf(entry, "ca_file", name), folder);
        b.monitor_url = stringOf(entry, "monitor_url", name);
        b.token_file = resolved(stringOf(entry, "token_file", name), folder);
        b.creds_file = resolved(stringOf(entry, "creds_file", name), folder);
        if (const auto it = entry.find("cluster_monitor_urls"); it != entry.end()) {
            if (!it->is_array() || it->size() > max_cluster)
                fail(name + ".cluster_monitor_urls", "expected a list of at most 31 URLs");
            for (const json &u : *it) {
                if (!u.is_string() ||
                    liveTypeOf(u.get_ref<const std::string &>()) != LiveType::rabbitmq)
                    fail(name + ".cluster_monitor_urls", "expected http://... or https://...");
                b.cluster_monitor_urls.push_back(u.get<std::string>());
            }
        }
        const bool natsOnly = !b.monitor_url.empty() || !b.token_file.empty() ||
                              !b.creds_file.empty() || !b.cluster_monitor_urls.empty();
        if (natsOnly && b.type != LiveType::nats)
            fail(name, "monitor_url, token_file, creds_file and cluster_monitor_urls are for NATS "
                       "brokers");
        if (!b.monitor_url.empty() && liveTypeOf(b.monitor_url) != LiveType::rabbitmq)
            fail(name + ".monitor_url", "expected http://... or https://...");
        b.timeout_ms = millisecondsOf(entry, "timeout_ms", name);
        b.connect_timeout_ms = millisecondsOf(entry, "connect_timeout_ms", name);
        list.brokers.emplace(name, std::move(b));
    }
    return list;
}

List readList(const std::string &path, const FileText &file)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    List list;
    if (!file.problem.empty()) {
        list.refusal = refusal(path, file.problem, file.problem, false);
        return list;
    }
    try {
        list = parseList(file.text, folder);
    } catch (const DataError &e) {
        list.refusal = refusal(path, "malformed", e.what(), false);
        return list;
    }
    bool passwords = false;
    for (const auto &entry : list.brokers)
        passwords = passwords || !entry.second.password.empty();
    // A password in a file others can read is as good as published: the list is not used.
    if (passwords && (file.stamp.mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", file.stamp.mode & 07777);
        list.refusal =
            refusal(path, "readable by others",
                    std::string("holds a password and has mode ") + mode + " (chmod 600 it)", true);
    }
    return list;
}

// The first line of a password or token file, if only its owner can read it.
std::optional<BrokerLookup> readSecret(std::string &file_path, std::string &secret,
                                       const std::string &what)
{
    const std::string path = file_path;
    file_path.clear();
    const FileText file = readSmallFile(path, max_password_size);
    if (!file.problem.empty())
        return refusal(path, file.problem, file.problem, true);
    if ((file.stamp.mode & 077) != 0)
        return refusal(path, "readable by others",
                       "a " + what + " file others can read (chmod 600 it)", true);
    secret = file.text.substr(0, file.text.find('\n'));
    if (!secret.empty() && secret.back() == '\r')
        secret.pop_back();
    return std::nullopt;
}

} // namespace

std::string brokerListPath()
{
    if (const char *file = std::getenv("OSTRANE_BROKERS"); file && *file)
        return file;
    // A relative XDG_CONFIG_HOME is to be ignored.
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/morvain/brokers.json";
    if (const char *home = std::getenv("HOME"); home && *home)
        return std::string(home) + "/.config/morvain/brokers.json";
    return {};
}

BrokerLookup lookupBroker(const std::string &path, const std::string &name)
{
    struct Cached {
        std::string path;
        FileStamp stamp;
        List list;
    };
    static std::optional<Cached> cache;
    if (path.empty())
        return {};
    const FileText file = readSmallFile(path, max_list_size);
    if (!file.exists) {
        cache.reset();
        return {};
    }
    if (!cache || cache->path != path || cache->stamp != file.stamp || !file.problem.empty())
        cache = Cached{path, file.stamp, readList(path, file)};
    const List &list = cache->list;

    const auto it = list.brokers.find(name);
    if (list.refusal && (!list.refusal->names_known || it != list.brokers.end()))
        return *list.refusal;
    if (it == list.brokers.end())
        return {};
    BrokerLookup r;
    r.outcome = BrokerLookup::found;
    r.broker = it->second;
    if (!r.broker.password_file.empty())
        if (auto refused = readSecret(r.broker.password_file, r.broker.password, "password"))
            return *refused;
    if (!r.broker.token_file.empty())
        if (auto refused = readSecret(r.broker.token_file, r.broker.token, "token"))
            return *refused;
    return r;
}

} // namespace ostrane
