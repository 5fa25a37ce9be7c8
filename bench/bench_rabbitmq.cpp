// One query of each kind against a live RabbitMQ broker through OSTRANE, against the raw
// GETs that query needs, measured alternately in the same run; and the GETs the five
// start-up queries cost. Then, with the broker filled (tools/rabbitmq-fill: 1000 and 5000
// queues over 3 vhosts, 200 connections, 400 channels), the snapshot's round (the five
// start-up queries) against one scrape of the broker's own Prometheus plugin
// (/metrics/per-object); and Morvain's memory after its start-up against the broker of
// 1000 queues, against the demo's. Starts its own broker, traffic, fill and windows
// (tools/), stops them.
//
//   build/default/bin/morvain_bench_rabbitmq [rounds]   (OSTRANE_LOG=1: every GET on stderr)

#include "ostrane.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;

struct KindInfo {
    const char *name;
    int code, reply_size;
    std::vector<std::string> paths; // the GETs of its opening call
};

const std::string q_cols =
    "/api/queues?columns=name,vhost,type,exclusive,arguments,effective_policy_definition,"
    "consumers,messages,messages_ready,messages_unacknowledged,message_bytes,memory,"
    "message_stats.publish";
const std::string cn_cols = "/api/connections?columns=name,user,vhost,peer_host,peer_port,"
                            "user_provided_name,connected_at,channels,timeout,"
                            "client_properties.product";
const std::string ch_cols = "/api/channels?columns=name,connection_details.name,vhost,number,"
                            "consumer_count,messages_unacknowledged,idle_since,"
                            "message_stats.publish,message_stats.deliver_get,node";
const std::string cs_cols = "/api/consumers?columns=queue.name,queue.vhost,channel_details.name,"
                            "channel_details.connection_name";
const std::string nd_cols = "/api/nodes?columns=name,running,uptime,mem_limit,mem_used,run_queue";
const std::string ov_cols =
    "/api/overview?columns=node,erlang_version,queue_totals.messages,object_totals.channels";
const std::string vh_cols = "/api/vhosts?columns=name,tracing";

const std::vector<KindInfo> kinds = {
    {"broker", 7, 124, {ov_cols, nd_cols, q_cols, cn_cols, ch_cols, cs_cols, vh_cols}},
    {"worker", 8, 44, {nd_cols, ch_cols}},
    {"service", 6, 192, {q_cols, cs_cols, cn_cols}},
    {"client/server", 1, 308, {cn_cols, ch_cols, cs_cols, q_cols}},
    {"conversation", 4, 396, {ch_cols, cn_cols, cs_cols, q_cols}},
};

// The baseline: plain HTTP/1.1 GETs on one kept-alive socket, bodies read and dropped.
class RawHttp
{
public:
    explicit RawHttp(int port) : m_port(port) {}
    ~RawHttp() { drop(); }

    // A kept-alive socket the server closed meanwhile is opened again, once.
    bool get(const std::string &path) { return once(path) || once(path); }
    int failures = 0;
    std::size_t last_bytes = 0; // of the last body

private:
    bool once(const std::string &path)
    {
        if (m_fd < 0 && !open())
            return false;
        const std::string req = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(m_port) +
                                "\r\nAuthorization: Basic Z3Vlc3Q6Z3Vlc3Q=\r\n\r\n";
        if (::send(m_fd, req.data(), req.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(req.size()))
            return drop();
        std::string head;
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536)
            if (!more(head))
                return drop();
        const std::size_t end = head.find("\r\n\r\n") + 4;
        std::string body = head.substr(end);
        head.resize(end);
        std::string lower = head;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        const std::size_t cl = lower.find("content-length:");
        if (cl != std::string::npos) {
            const std::size_t want = std::strtoull(lower.c_str() + cl + 15, nullptr, 10);
            while (body.size() < want)
                if (!more(body))
                    return drop();
            last_bytes = body.size();
            return finish(lower);
        }
        // Chunked: read until the final zero-length chunk.
        for (int guard = 0; body.find("\r\n0\r\n\r\n") == std::string::npos && guard < 100000;
             ++guard)
            if (!more(body))
                return drop();
        last_bytes = body.size();
        return finish(lower);
    }

    bool finish(const std::string &head)
    {
        if (head.find("connection: close") != std::string::npos)
            drop();
        if (head.compare(9, 3, "200") == 0)
            return true;
        ++failures;
        return false;
    }
    bool open()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(m_port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(m_fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 || drop();
    }
    bool more(std::string &into)
    {
        char buf[65536];
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    bool drop()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        return false;
    }
    int m_port;
    int m_fd = -1;
};

// The sizes of the filled broker: BENCH_QUEUES=1000,5000 or the default three.
std::vector<int> sizes()
{
    std::vector<int> out;
    std::istringstream in(std::getenv("BENCH_QUEUES") ? std::getenv("BENCH_QUEUES")
                                                      : "1000,5000,20000");
    for (std::string item; std::getline(in, item, ',') && out.size() < 8;)
        if (const int n = std::atoi(item.c_str()); n > 0 && n <= 20000)
            out.push_back(n);
    return out;
}

std::string loadAverage()
{
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// A process that spins for at most `seconds`, and never beyond the bench's own end.
pid_t busyLoop(unsigned seconds)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::alarm(seconds);
        volatile unsigned long spin = 0;
        for (;;)
            spin = static_cast<unsigned long>(spin) + 1;
    }
    return pid;
}

// The seven URLs of a round, as the stand-in asks them.
std::vector<std::string> roundPaths(const std::string &url)
{
    std::vector<std::string> out;
    for (const std::string *p :
         {&ov_cols, &nd_cols, &vh_cols, &q_cols, &cn_cols, &ch_cols, &cs_cols})
        out.push_back(url + *p);
    return out;
}

// The queue list by the broker's Prometheus plugin: names, types and arguments without
// statistics, the numbers from the queue families of /metrics/detailed.
std::vector<std::string> pluginPaths(const std::string &url, int promPort)
{
    const std::string prom = "http://127.0.0.1:" + std::to_string(promPort);
    return {url + "/api/queues?disable_stats=true&columns=name,vhost,type,exclusive,arguments,"
                  "policy",
            prom + "/metrics/detailed?family=queue_coarse_metrics&family=queue_consumer_count"
                   "&family=queue_metrics"};
}

// The machine's curl fetching `urls` in one process (one kept-alive connection per host),
// bodies dropped: the whole process, in ms; negative when curl failed.
double curlMs(const std::vector<std::string> &urls)
{
    std::string command = "curl -sf -u guest:guest";
    for (const std::string &u : urls)
        command += " -o /dev/null '" + u + "'";
    const auto t0 = Clock::now();
    const int status = std::system(command.c_str());
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    return status == 0 ? ms : -ms;
}

// The queues the broker says it holds (its overview's count), or -1.
long listedQueues(const std::string &url)
{
    long n = -1;
    const std::string command =
        "curl -sf -u guest:guest '" + url + "/api/overview?columns=object_totals.queues'";
    if (FILE *p = ::popen(command.c_str(), "r")) {
        char text[256] = {};
        const std::size_t got = std::fread(text, 1, sizeof text - 1, p);
        text[got] = 0;
        if (const char *at = std::strstr(text, "\"queues\":"))
            n = std::atol(at + 9);
        ::pclose(p);
    }
    return n;
}

int freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

std::string besideUs(const char *program)
{
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return program;
    const std::string path(self);
    return path.substr(0, path.rfind('/') + 1) + program;
}

// A folder whose Broker.cfg names `brokerId`; empty when none could be made.
std::string brokerFolder(const std::string &brokerId, const char *pattern)
{
    std::string dir = pattern;
    if (!::mkdtemp(dir.data()))
        return {};
    std::ofstream cfg(dir + "/Broker.cfg", std::ios::binary);
    std::string id = brokerId;
    id.resize(128, ' ');
    cfg << std::string(32, ' ') << id;
    return dir;
}

struct Exporter {
    double p50 = 0, p99 = 0, scrapeP50 = 0;
    bool failed = false;
};

double percentile(std::vector<double> v, double share)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto at = static_cast<std::size_t>(std::ceil(share * static_cast<double>(v.size())));
    return v[std::clamp<std::size_t>(at, 1, v.size()) - 1];
}

// morvain-snapshot --listen against `url`, one scraper: `scrapes` GETs of /metrics five
// seconds apart (past the broker's keeping of a list's answer), each followed by one
// per-object scrape of the plugin.
Exporter exporterTimes(const std::string &url, int scrapes, const std::function<double()> &scrape,
                       const char *every = nullptr)
{
    Exporter e;
    const std::string dir = brokerFolder(url, "/tmp/morvain-bench-exporter.XXXXXX");
    const int port = freePort();
    if (dir.empty() || port == 0)
        return {0, 0, 0, true};
    const std::string program = besideUs("morvain-snapshot"),
                      address = "127.0.0.1:" + std::to_string(port);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0)
            ::_exit(127);
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
        if (every)
            ::execl(program.c_str(), "morvain-snapshot", "--listen", address.c_str(), "--every",
                    every, static_cast<char *>(nullptr));
        else
            ::execl(program.c_str(), "morvain-snapshot", "--listen", address.c_str(),
                    static_cast<char *>(nullptr));
        ::_exit(127);
    }
    RawHttp http(port);
    std::vector<double> ours, theirs;
    for (int i = 0; pid > 0 && i < scrapes; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const auto t0 = Clock::now();
        e.failed |= !http.get("/metrics");
        ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        theirs.push_back(scrape());
    }
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    std::filesystem::remove_all(dir);
    e.p50 = percentile(ours, 0.5);
    e.p99 = percentile(ours, 0.99);
    e.scrapeP50 = percentile(theirs, 0.5);
    e.failed |= ours.empty();
    return e;
}

struct WindowTimes {
    double startup = 0;
    std::vector<double> refresh;
};

// morvain_bench_live_window against `brokerId` (empty: the demo broker), offscreen.
WindowTimes windowTimes(const std::string &brokerId, int refreshes)
{
    WindowTimes t;
    const std::string command = "QT_QPA_PLATFORM=offscreen '" +
                                besideUs("morvain_bench_live_window") + "' '" + brokerId + "' " +
                                std::to_string(refreshes);
    if (FILE *p = ::popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, p)) {
            double ms = 0;
            if (std::sscanf(line, "startup_ms %lf", &ms) == 1)
                t.startup = ms;
            else if (std::sscanf(line, "refresh_ms %lf", &ms) == 1)
                t.refresh.push_back(ms);
        }
        ::pclose(p);
    }
    return t;
}

// One query as the monitor makes it: the opening call, then follow-ups until "0003".
int query(const KindInfo &k, const std::string &brokerId, int *errorCode = nullptr)
{
    std::vector<std::uint8_t> control(524, 0), request(220, 0), reply(k.reply_size, 0),
        error(41, 0);
    control[0] = control[1] = 1;
    std::memset(control.data() + 36, ' ', 32);
    std::memcpy(control.data() + 36, brokerId.data(), std::min<std::size_t>(32, brokerId.size()));
    const auto set = [&](std::uint8_t code, const char *first, const std::string &conv) {
        control[2] = code;
        std::memset(control.data() + 292, ' ', 16);
        std::memcpy(control.data() + 292, conv.data(), std::min<std::size_t>(16, conv.size()));
        std::memset(control.data() + 308, ' ', 8);
        std::memcpy(control.data() + 308, first, std::strlen(first));
    };
    const std::int32_t length = k.reply_size - 32;
    std::memcpy(request.data(), &length, 4);
    const std::int16_t code = static_cast<std::int16_t>(k.code);
    std::memcpy(request.data() + 8, &code, 2);
    set(1, "YES", "NEW");
    int calls = 0;
    for (; calls < 2000; ++calls) {
        ostrane_entry_1(control.data(), request.data(), reply.data(), error.data());
        if (std::memcmp(control.data() + 316, "0003", 4) == 0 || k.code == 7)
            break;
        set(2, "NO", std::string(reinterpret_cast<char *>(control.data()) + 292, 16));
    }
    if (errorCode) // the opening call's header: its first field
        std::memcpy(errorCode, reply.data(), 4);
    return calls + 1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double least(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

std::map<std::string, std::string> run(const std::string &command)
{
    std::map<std::string, std::string> env;
    if (FILE *p = ::popen(command.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p)) {
            std::string s(line);
            const auto eq = s.find('=');
            if (eq != std::string::npos)
                env[s.substr(0, eq)] = s.substr(eq + 1, s.find_last_not_of("\r\n") - eq);
        }
        ::pclose(p);
    }
    return env;
}

// The GETs a function makes, counted from the library's log.
template <typename F> int countGets(F &&what)
{
    char log[] = "/tmp/morvain-bench-log.XXXXXX";
    const int logFd = ::mkstemp(log);
    const int savedErr = ::dup(2);
    const bool keepLog = std::getenv("OSTRANE_LOG") != nullptr;
    ::setenv("OSTRANE_LOG", "1", 1);
    ::fflush(stderr);
    ::dup2(logFd, 2);
    what();
    ::fflush(stderr);
    ::dup2(savedErr, 2);
    ::close(savedErr);
    if (!keepLog)
        ::unsetenv("OSTRANE_LOG");
    int gets = 0;
    {
        std::ifstream in(log);
        for (std::string line; std::getline(in, line);)
            gets += line.find("OSTRANE: GET ") == 0 ? 1 : 0;
    }
    ::close(logFd);
    ::unlink(log);
    return gets;
}

// Fills the broker and waits for the fill's "READY" (at most two minutes); its PID.
pid_t fill(const std::string &tools, std::map<std::string, std::string> &env, int queues,
           int seconds)
{
    int out[2];
    if (::pipe(out) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return -1;
    }
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        const std::string script = tools + "/rabbitmq-fill", q = std::to_string(queues),
                          s = std::to_string(seconds);
        ::execl("/usr/bin/python3", "python3", script.c_str(), "--amqp-port",
                env["AMQP_PORT"].c_str(), "--http-port", env["HTTP_PORT"].c_str(), "--queues",
                q.c_str(), "--connections", "200", "--channels", "400", "--seconds", s.c_str(),
                static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string said;
    const auto until = Clock::now() + std::chrono::seconds(120 + queues / 40);
    char buf[256];
    for (ssize_t n; said.find("READY") == std::string::npos && Clock::now() < until &&
                    (n = ::read(out[0], buf, sizeof buf)) > 0;)
        said.append(buf, static_cast<std::size_t>(n));
    // Kept open while the fill lives: a fill whose reader left would lose its objects.
    static std::vector<int> readers;
    readers.push_back(out[0]);
    std::this_thread::sleep_for(std::chrono::seconds(3)); // statistics of the new objects
    return said.find("READY") == std::string::npos ? -pid : pid;
}

// Morvain's memory after its start-up against `brokerId` (empty: the demo broker), in
// kB: resident, proportional (shared pages split among their users) and anonymous.
struct Memory {
    long rss = 0, pss = 0, anonymous = 0;
};

Memory windowMemory(const std::string &brokerId)
{
    char dir[] = "/tmp/morvain-bench-window.XXXXXX";
    if (!::mkdtemp(dir))
        return {};
    {
        std::ofstream cfg(std::string(dir) + "/Broker.cfg", std::ios::binary);
        std::string id = brokerId;
        id.resize(128, ' ');
        cfg << std::string(32, ' ') << id;
    }
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return {};
    std::string program(self);
    program = program.substr(0, program.rfind('/')) + "/Morvain";
    const pid_t pid = ::fork();
    if (pid < 0) { // no child: nothing to read, and nothing to stop
        std::filesystem::remove_all(dir);
        return {};
    }
    if (pid < 0) { // no child: nothing to read, and nothing to stop
        std::filesystem::remove_all(dir);
        return {};
    }
    if (pid == 0) {
        if (::chdir(dir) != 0)
            ::_exit(127);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", dir, 1); // no rules file, no settings
        ::execl(program.c_str(), "Morvain", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(8)); // the start-up queries and paint
    Memory m;
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    // The first line names the mapping; then "Key:   value kB" lines.
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string key;
        long kb = 0;
        if (!(fields >> key >> kb))
            continue;
        if (key == "Rss:")
            m.rss = kb;
        else if (key == "Pss:")
            m.pss = kb;
        else if (key == "Anonymous:")
            m.anonymous = kb;
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    std::filesystem::remove_all(dir);
    return m;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = std::clamp(argc > 1 ? std::atoi(argv[1]) : 7, 1, 50);
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each row as it is measured
    char dir[] = "/tmp/morvain-bench-rabbitmq.XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string tools = TOOLS_DIR;
    ::setenv("RABBITMQ_LOCAL_PROMETHEUS", "1", 1);
    auto env = run("bash " + tools + "/rabbitmq-local start " + dir);
    if (env["URL"].empty()) {
        std::fprintf(stderr, "the broker did not start\n");
        return 1;
    }
    const std::string url = env["URL"];
    const int port = std::atoi(env["HTTP_PORT"].c_str());
    const pid_t traffic = ::fork();
    if (traffic < 0) {
        std::fprintf(stderr, "no process for the traffic\n");
        run("bash " + tools + "/rabbitmq-local stop " + dir);
        return 1;
    }
    if (traffic == 0) {
        const std::string script = tools + "/rabbitmq-traffic";
        const std::string seconds = std::to_string(30 + rounds * 14);
        ::execl("/usr/bin/python3", "python3", script.c_str(), "--amqp-port",
                env["AMQP_PORT"].c_str(), "--http-port", env["HTTP_PORT"].c_str(), "--seconds",
                seconds.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::seconds(6)); // connections up, statistics in

    // The GETs of the five start-up queries, counted from the library's log.
    const int gets = countGets([&] {
        for (const KindInfo &k : kinds)
            query(k, url);
    });

    // Each query is measured on a fresh snapshot (the shared one lives about a second),
    // and next to it the raw GETs it made.
    RawHttp raw(port);
    std::printf("%-14s %10s %10s %7s %10s\n", "query", "OSTRANE ms", "raw GET ms", "ratio",
                "best-case");
    double sumQ = 0, sumR = 0, leastQ = 0, leastR = 0;
    for (const KindInfo &k : kinds) {
        std::vector<double> q, r;
        for (int i = 0; i < rounds; ++i) {
            const auto timed = [](const auto &what) {
                const auto t0 = Clock::now();
                what();
                return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
            };
            const auto ours = [&] { query(k, url); };
            const auto raws = [&] {
                for (const std::string &p : k.paths)
                    raw.get(p);
            };
            // The broker caches a list for about five times what it cost to build: whichever
            // goes second must not find the other's answer there, so they alternate and
            // wait. The wait also gives each query a fresh snapshot.
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
            if (i % 2 == 0)
                q.push_back(timed(ours));
            else
                r.push_back(timed(raws));
            std::this_thread::sleep_for(std::chrono::milliseconds(1100));
            if (i % 2 == 0)
                r.push_back(timed(raws));
            else
                q.push_back(timed(ours));
        }
        sumQ += median(q);
        sumR += median(r);
        leastQ += least(q);
        leastR += least(r);
        std::printf("%-14s %10.2f %10.2f %7.2f %10.2f\n", k.name, median(q), median(r),
                    median(q) / median(r), least(q) / least(r));
    }
    std::printf("%-14s %10.2f %10.2f %7.2f %10.2f  (target <= 1.2)\n", "all five", sumQ, sumR,
                sumQ / sumR, leastQ / leastR);
    std::printf("(medians of %d; best-case: the fastest of each side)\n", rounds);
    std::printf("GETs of the five start-up queries: %d (target <= 7)\n", gets);
    if (raw.failures)
        std::printf("raw GETs that failed: %d\n", raw.failures);

    ::kill(traffic, SIGTERM);
    ::waitpid(traffic, nullptr, 0);

    // The filled broker, at each size: the round (the five start-up queries on a fresh
    // round) against curl fetching the same seven URLs, one per-object scrape of the
    // broker's Prometheus plugin, and the plugin's form of the queue list; the GETs of a
    // round; the exporter's scrape against the plugin's; the window's start-up and a
    // Refresh of its Service tab. BENCH_QUEUES picks the sizes (default 1000,5000,20000),
    // BENCH_BUSY=N runs N busy loops beside the measurements, bounded by the run's end.
    const int promPort = std::atoi(env["PROMETHEUS_PORT"].c_str());
    std::vector<pid_t> busy;
    const int busyLoops =
        std::clamp(std::atoi(std::getenv("BENCH_BUSY") ? std::getenv("BENCH_BUSY") : "0"), 0, 8);
    for (int i = 0; i < busyLoops; ++i)
        busy.push_back(busyLoop(3600));
    std::printf("\nload before the filled broker: %s (busy loops of ours: %d)\n",
                loadAverage().c_str(), busyLoops);
    std::printf("%-8s %9s %5s %6s %9s %6s %9s %7s %9s %6s %9s %9s %10s %10s\n", "queues",
                "round ms", "GETs", "failed", "curl ms", "ratio", "scrape ms", "ratio", "plugin ms",
                "export", "p50 ms", "p99 ms", "start ms", "Refresh ms");
    std::vector<Memory> memory;
    long demoRss = 0;
    const WindowTimes demoWindow = windowTimes("", 1);
    // OSTRANE_BROKERS names "big": the same broker with a round bound of 30 s.
    const std::string brokers = std::string(dir) + "/brokers.json";
    {
        std::ofstream list(brokers);
        list << "{\"big\": {\"url\": \"" << url
             << "\", \"user\": \"guest\", \"password\": \"guest\", \"timeout_ms\": 30000}}\n";
    }
    std::filesystem::permissions(brokers, std::filesystem::perms::owner_read |
                                              std::filesystem::perms::owner_write);
    ::setenv("OSTRANE_BROKERS", brokers.c_str(), 1);
    int lastFailed = 0;
    const auto measureAt = [&](const std::string &brokerId, const std::string &label) {
        RawHttp prom(promPort);
        std::vector<double> r, c, p, plugin;
        int roundGets = 0, failed = 0;
        std::set<int> codes; // of the failed queries
        double slowest = 0;  // one query, ms
        const auto scrape = [&] {
            const auto t1 = Clock::now();
            if (promPort > 0)
                prom.get("/metrics/per-object");
            return std::chrono::duration<double, std::milli>(Clock::now() - t1).count();
        };
        for (int i = 0; i < rounds; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // a fresh round
            const auto t0 = Clock::now();
            roundGets = std::max(
                roundGets, countGets([&] {
                    for (const KindInfo &k : kinds) {
                        int code = 0;
                        const auto q0 = Clock::now();
                        query(k, brokerId, &code);
                        slowest = std::max(
                            slowest,
                            std::chrono::duration<double, std::milli>(Clock::now() - q0).count());
                        failed += code != 0 ? 1 : 0;
                        if (code != 0)
                            codes.insert(code);
                    }
                }));
            r.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            // The broker keeps a list's answer for a while: the same URLs wait as long.
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            c.push_back(curlMs(roundPaths(url)));
            p.push_back(scrape());
            if (promPort > 0)
                plugin.push_back(curlMs(pluginPaths(url, promPort)));
        }
        const Exporter exporter = exporterTimes(brokerId, rounds * 2, scrape);
        const Exporter ahead = exporterTimes(brokerId, rounds * 2, scrape, "15");
        const WindowTimes window = windowTimes(brokerId, 3);
        std::printf("%-8s %9.1f %5d %6d %9.1f %6.2f %9.1f %7.2f %9.1f %6s %9.1f %9.1f %10.1f "
                    "%10.1f\n",
                    label.c_str(), median(r), roundGets, failed, median(c), median(r) / median(c),
                    median(p), median(r) / median(p), median(plugin),
                    exporter.failed ? "FAILED" : "ok", exporter.p50, exporter.p99, window.startup,
                    median(window.refresh));
        std::printf("         exporter p50 / per-object p50 %.2f (scrapes alternate); with"
                    " --every 15: p50 %.1f ms, p99 %.1f ms, %.2f of per-object%s;"
                    " Refresh blocks at most %.1f ms\n",
                    exporter.p50 / std::max(0.001, exporter.scrapeP50), ahead.p50, ahead.p99,
                    ahead.p50 / std::max(0.001, ahead.scrapeP50), ahead.failed ? " FAILED" : "",
                    window.refresh.empty()
                        ? 0.0
                        : *std::max_element(window.refresh.begin(), window.refresh.end()));
        std::printf("         the slowest query %.1f ms\n", slowest);
        for (const int code : codes)
            std::printf("         failed with error %d\n", code);
        lastFailed = failed;
    };
    for (const int queues : sizes()) {
        const pid_t filler = fill(tools, env, queues, 1200);
        if (filler <= 0) {
            std::printf("%d queues: the fill did not finish\n", queues);
            if (filler < 0) {
                ::kill(-filler, SIGTERM);
                ::waitpid(-filler, nullptr, 0);
            }
            continue;
        }
        std::printf("%-8d the broker lists %ld queues\n", queues, listedQueues(url));
        measureAt(url, std::to_string(queues));
        // A broker slower to list them than the round's default bound gets the bound a
        // named broker sets, as an operator would give it.
        if (lastFailed > 0)
            measureAt("big", std::to_string(queues) + " 30s");
        if (queues == 1000 && !busyLoops)
            for (int i = 0; i < 3; ++i) {
                const Memory demo = windowMemory(""), live = windowMemory(url);
                memory.push_back(
                    {live.rss - demo.rss, live.pss - demo.pss, live.anonymous - demo.anonymous});
                demoRss = demo.rss;
            }
        ::kill(filler, SIGTERM);
        ::waitpid(filler, nullptr, 0);
    }
    for (const pid_t b : busy) {
        ::kill(b, SIGKILL);
        ::waitpid(b, nullptr, 0);
    }
    std::printf("the window against the demo: start-up %.1f ms\n", demoWindow.startup);
    for (const Memory &m : memory)
        std::printf("Morvain against 1000 queues less against the demo (%ld kB resident):"
                    " resident %+ld kB, proportional %+ld kB, anonymous %+ld kB\n",
                    demoRss, m.rss, m.pss, m.anonymous);
    std::printf("(medians of %d; round: the five start-up queries on a fresh round; GETs: the"
                " most one round made; failed: queries of all rounds that failed; curl: the"
                " round's seven URLs in one curl; scrape: GET /metrics/per-object; plugin: the"
                " queue list without statistics and the queue families of /metrics/detailed;"
                " export: morvain-snapshot --listen, one scraper; start: the window's start-up"
                " to its first paint; Refresh: the Service tab's, until painted)\nload after:"
                " %s\n",
                rounds, loadAverage().c_str());
    run("bash " + tools + "/rabbitmq-local stop " + dir);
    run("rm -rf " + std::string(dir));
    return 0;
}
