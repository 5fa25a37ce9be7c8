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
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
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

// One query as the monitor makes it: the opening call, then follow-ups until "0003".
int query(const KindInfo &k, const std::string &brokerId)
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
    const auto until = Clock::now() + std::chrono::minutes(2);
    char buf[256];
    for (ssize_t n; said.find("READY") == std::string::npos && Clock::now() < until &&
                    (n = ::read(out[0], buf, sizeof buf)) > 0;)
        said.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
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

    // The filled broker: the snapshot's round (five start-up queries on a fresh round)
    // against one per-object scrape of the Prometheus plugin, alternately.
    const int promPort = std::atoi(env["PROMETHEUS_PORT"].c_str());
    std::printf("\n%-22s %9s %6s %11s %11s %7s\n", "filled broker", "round ms", "GETs", "scrape ms",
                "scrape KB", "ratio");
    std::vector<Memory> memory;
    long demoRss = 0;
    for (const int queues : {1000, 5000}) {
        const pid_t filler = fill(tools, env, queues, 60 + rounds * 6);
        if (filler <= 0) {
            std::printf("%d queues: the fill did not finish\n", queues);
            if (filler < 0) {
                ::kill(-filler, SIGTERM);
                ::waitpid(-filler, nullptr, 0);
            }
            continue;
        }
        RawHttp prom(promPort);
        std::vector<double> r, p;
        int roundGets = 0;
        std::size_t promBytes = 0;
        for (int i = 0; i < rounds; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1100)); // a fresh round
            const auto t0 = Clock::now();
            roundGets = std::max(roundGets, countGets([&] {
                                     for (const KindInfo &k : kinds)
                                         query(k, url);
                                 }));
            r.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            const auto t1 = Clock::now();
            if (promPort > 0 && prom.get("/metrics/per-object"))
                promBytes = prom.last_bytes;
            p.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t1).count());
        }
        char label[64];
        std::snprintf(label, sizeof label, "%d queues, 200/400", queues);
        std::printf("%-22s %9.1f %6d %11.1f %11zu %7.2f\n", label, median(r), roundGets, median(p),
                    promBytes / 1024, median(r) / median(p));
        if (queues == 1000)
            for (int i = 0; i < 3; ++i) {
                const Memory demo = windowMemory(""), live = windowMemory(url);
                memory.push_back(
                    {live.rss - demo.rss, live.pss - demo.pss, live.anonymous - demo.anonymous});
                demoRss = demo.rss;
            }
        ::kill(filler, SIGTERM);
        ::waitpid(filler, nullptr, 0);
    }
    for (const Memory &m : memory)
        std::printf("Morvain against 1000 queues less against the demo (%ld kB resident):"
                    " resident %+ld kB, proportional %+ld kB, anonymous %+ld kB\n",
                    demoRss, m.rss, m.pss, m.anonymous);
    std::printf("(medians of %d; round: the five start-up queries on a fresh snapshot; GETs:"
                " the most they made, seven while they fit in one round's second; scrape: GET"
                " /metrics/per-object)\n",
                rounds);
    run("bash " + tools + "/rabbitmq-local stop " + dir);
    run("rm -rf " + std::string(dir));
    return 0;
}
