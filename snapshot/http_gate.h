#pragma once
// The exporter's own accept loop in front of the HTTP library, so that slow clients cannot
// starve it. The library gives each connection a worker of its pool for as long as the
// client takes to send its request, with a timeout per read only: a client sending one
// byte a second holds a worker for ever, and a handful of them hold them all.
//
// Here one thread accepts connections and gathers each request's head (request line and
// headers) for all of them at once, with a deadline for the whole head; only a request
// whose head has come whole goes to a worker, which answers it from the bytes gathered and
// closes the connection. Whatever the clients do, a stop ends every connection within a
// fraction of a second: the workers wait in short steps and look at the stop between them.

#include <httplib.h>

#include <atomic>
#include <chrono>

namespace morvain::snapshot
{

class GatedServer : public httplib::Server
{
public:
    static constexpr std::chrono::seconds headDeadline{5};  // from the connection's accept
    static constexpr std::chrono::seconds writeDeadline{5}; // from the answer's first byte
    static constexpr std::size_t headLimit = 16 * 1024;
    static constexpr std::size_t pendingLimit = 256; // heads being gathered; the oldest goes

    GatedServer();
    ~GatedServer() override;

    // After bind_to_port or bind_to_any_port: listens with a real backlog (the library's is
    // 5, and connections beyond it are lost until the client gives up).
    bool listenBound();
    // Accepts and answers until stopServing(); returns once every worker is done.
    void serve(int workers);
    // From any thread.
    void stopServing();

private:
    void answer(int fd, std::string head, std::chrono::steady_clock::time_point deadline);

    std::atomic<bool> m_stopping{false};
    int m_wake[2] = {-1, -1};
};

} // namespace morvain::snapshot
