#include "http_gate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace morvain::snapshot
{

namespace
{

using Clock = std::chrono::steady_clock;

// Every wait is cut into steps this long, so that a stop is seen within one.
constexpr std::chrono::milliseconds step{100};

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return int(
        std::clamp<std::chrono::milliseconds>(left, std::chrono::milliseconds(0), step).count());
}

void addressOf(int fd, bool peer, std::string &ip, int &port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? ::getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length)
                         : ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    char text[INET6_ADDRSTRLEN] = {};
    if (got != 0)
        return;
    if (address.ss_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(&address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(&address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

// One request whose head came whole: read from the bytes gathered (and, for a body, from
// the socket until the request's deadline), answered on the socket.
class GatheredStream final : public httplib::Stream
{
public:
    GatheredStream(int fd, std::string head, Clock::time_point deadline,
                   const std::atomic<bool> &stopping)
        : m_fd(fd), m_head(std::move(head)), m_readDeadline(deadline), m_stopping(stopping)
    {
    }

    bool is_readable() const override
    {
        return m_at < m_head.size() || wait(POLLIN, m_readDeadline);
    }
    bool is_writable() const override { return wait(POLLOUT, writeDeadline()); }

    ssize_t read(char *ptr, size_t size) override
    {
        if (m_at < m_head.size()) {
            const size_t n = std::min(size, m_head.size() - m_at);
            std::memcpy(ptr, m_head.data() + m_at, n);
            m_at += n;
            return ssize_t(n);
        }
        while (wait(POLLIN, m_readDeadline)) {
            const ssize_t n = ::recv(m_fd, ptr, size, MSG_DONTWAIT);
            if (n >= 0 || (errno != EINTR && errno != EAGAIN))
                return n;
        }
        return -1;
    }

    ssize_t write(const char *ptr, size_t size) override
    {
        size_t done = 0;
        while (done < size && wait(POLLOUT, writeDeadline())) {
            const ssize_t n = ::send(m_fd, ptr + done, size - done, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n > 0)
                done += size_t(n);
            else if (n < 0 && errno != EINTR && errno != EAGAIN)
                return -1;
        }
        return done == size ? ssize_t(size) : -1;
    }

    void get_remote_ip_and_port(std::string &ip, int &port) const override
    {
        addressOf(m_fd, true, ip, port);
    }
    void get_local_ip_and_port(std::string &ip, int &port) const override
    {
        addressOf(m_fd, false, ip, port);
    }
    socket_t socket() const override { return m_fd; }

private:
    // The answer has its own deadline: a scrape may wait long for its round before it.
    Clock::time_point writeDeadline() const
    {
        if (!m_writeDeadline)
            m_writeDeadline = Clock::now() + GatedServer::writeDeadline;
        return *m_writeDeadline;
    }

    bool wait(short events, Clock::time_point deadline) const
    {
        while (!m_stopping.load() && Clock::now() < deadline) {
            pollfd p{m_fd, events, 0};
            const int ready = ::poll(&p, 1, millisecondsUntil(deadline));
            if (ready > 0)
                return true; // an error or a hang-up is said by the recv or send
            if (ready < 0 && errno != EINTR)
                return false;
        }
        return false;
    }

    int m_fd;
    std::string m_head;
    size_t m_at = 0;
    Clock::time_point m_readDeadline;
    mutable std::optional<Clock::time_point> m_writeDeadline;
    const std::atomic<bool> &m_stopping;
};

struct Pending {
    int fd;
    Clock::time_point deadline;
    std::string head;
};

// A short answer of the gate's own, sent if the socket takes it at once.
void refuse(int fd, const char *statusLine)
{
    const std::string text = std::string("HTTP/1.1 ") + statusLine +
                             "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
    [[maybe_unused]] const ssize_t sent =
        ::send(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(fd);
}

} // namespace

GatedServer::GatedServer()
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        m_wake[0] = m_wake[1] = -1;
}

GatedServer::~GatedServer()
{
    for (const int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
    if (svr_sock_ != INVALID_SOCKET)
        ::close(svr_sock_);
}

bool GatedServer::listenBound()
{
    return m_wake[0] >= 0 && svr_sock_ != INVALID_SOCKET && ::listen(svr_sock_, SOMAXCONN) == 0;
}

void GatedServer::stopServing()
{
    m_stopping = true;
    [[maybe_unused]] const ssize_t woken = ::write(m_wake[1], "x", 1);
}

void GatedServer::answer(int fd, std::string head, Clock::time_point deadline)
{
    if (!m_stopping.load()) {
        GatheredStream stream(fd, std::move(head), deadline, m_stopping);
        bool closed = false;
        // One request per connection: a worker is never left waiting for a next one.
        process_request(stream, true, closed, nullptr);
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

void GatedServer::serve(int workers)
{
    httplib::ThreadPool pool(size_t(std::max(workers, 1)));
    std::deque<Pending> pending; // oldest first, so also by deadline
    std::vector<pollfd> polled;
    Clock::time_point acceptPausedUntil{};
    while (!m_stopping.load()) {
        const auto now = Clock::now();
        while (!pending.empty() && pending.front().deadline <= now) {
            refuse(pending.front().fd, "408 Request Timeout");
            pending.pop_front();
        }
        polled.clear();
        polled.push_back({m_wake[0], POLLIN, 0});
        const bool accepting = now >= acceptPausedUntil;
        polled.push_back({accepting ? int(svr_sock_) : -1, POLLIN, 0});
        for (const Pending &p : pending)
            polled.push_back({p.fd, POLLIN, 0});
        int timeout = accepting ? -1 : 10;
        if (!pending.empty()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(pending.front().deadline - now);
            const int ms = std::max(int(left.count()), 0);
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        }
        if (::poll(polled.data(), polled.size(), timeout) < 0 && errno != EINTR)
            break;

        // Heads first: the connections accepted below have nothing to read yet.
        for (size_t i = 2, k = 0; i < polled.size(); ++i) {
            Pending &p = pending[k];
            if (!(polled[i].revents & (POLLIN | POLLERR | POLLHUP))) {
                ++k;
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::recv(p.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                ++k;
                continue;
            }
            bool done = n <= 0; // gone, or an error: nothing to answer
            if (n > 0) {
                const size_t from = p.head.size() < 3 ? 0 : p.head.size() - 3;
                p.head.append(buffer, size_t(n));
                if (p.head.find("\r\n\r\n", from) != std::string::npos) {
                    pool.enqueue([this, fd = p.fd, head = std::move(p.head),
                                  deadline = p.deadline]() mutable {
                        answer(fd, std::move(head), deadline);
                    });
                    p.fd = -1;
                    done = true;
                } else if (p.head.size() > headLimit) {
                    refuse(p.fd, "431 Request Header Fields Too Large");
                    p.fd = -1;
                    done = true;
                }
            }
            if (done) {
                if (p.fd >= 0)
                    ::close(p.fd);
                pending.erase(pending.begin() + std::ptrdiff_t(k));
            } else {
                ++k;
            }
        }

        if (accepting && (polled[1].revents & POLLIN)) {
            const int fd = ::accept4(svr_sock_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                if (pending.size() >= pendingLimit) {
                    refuse(pending.front().fd, "503 Service Unavailable");
                    pending.pop_front();
                }
                pending.push_back({fd, Clock::now() + headDeadline, {}});
            } else if (errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: the oldest head waiting gives its one back.
                if (!pending.empty()) {
                    refuse(pending.front().fd, "503 Service Unavailable");
                    pending.pop_front();
                } else {
                    acceptPausedUntil = Clock::now() + std::chrono::milliseconds(10);
                }
            }
        }
    }
    for (const Pending &p : pending)
        ::close(p.fd);
    // The workers see the stop too: what they hold ends within a step.
    pool.shutdown();
}

} // namespace morvain::snapshot
