#include "nats_client.h"

#include "nats_library.h"
#include "url_secrets.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace ostrane::nats
{
namespace
{

constexpr int default_client_port = 4222;
// Far above 1000 instances' replies of both kinds; bounds what a flood of replies costs.
constexpr int max_replies = 20000;
constexpr int max_pending_bytes = 256 << 20;

std::int64_t msLeft(live::Clock::time_point deadline)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - live::Clock::now())
        .count();
}

// Owns what one gathering made; destroyed in the reverse order libnats needs.
struct Session {
    const NatsLibrary *lib;
    natsOptions *options = nullptr;
    natsConnection *connection = nullptr;
    natsSubscription *subscription = nullptr;
    natsInbox *inbox = nullptr;
    ~Session()
    {
        if (subscription)
            lib->subscription_destroy(subscription);
        if (connection)
            lib->connection_destroy(connection);
        if (inbox)
            lib->inbox_destroy(inbox);
        if (options)
            lib->options_destroy(options);
    }
};

void failed(Gathered &g, std::int32_t code, const std::string &reason)
{
    g.reached = false;
    g.failure = code;
    g.reason = reason;
}

// Why a connect failed, in the words of the error text.
void connectFailed(Gathered &g, const NatsLibrary &lib, natsStatus status, const std::string &where)
{
    natsStatus last = NATS_OK;
    const char *text = lib.last_error(&last);
    const bool refused = status == NATS_CONNECTION_AUTH_FAILED || status == NATS_NOT_PERMITTED ||
                         (text && std::strstr(text, "Authorization"));
    if (refused) {
        failed(g, login_refused, "NATS login failed " + where);
        g.login = true;
    } else if (status == NATS_SSL_ERROR || status == NATS_SECURE_CONNECTION_WANTED ||
               status == NATS_SECURE_CONNECTION_REQUIRED) {
        // A TLS handshake that failed, or one side asking for TLS the other does not speak.
        failed(g, tls_failed, "TLS failed " + where);
    } else if (status == NATS_TIMEOUT) {
        failed(g, timed_out, "NATS timed out " + where);
    } else {
        failed(g, unreachable, "NATS not reachable " + where);
    }
}

} // namespace

Gathered gatherServices(const ClientOptions &o, std::int64_t expected,
                        live::Clock::time_point deadline, live::milliseconds quiet)
{
    Gathered g;
    const std::string where = live::hostPort(o.url, default_client_port);
    std::string why;
    const NatsLibrary *lib = natsLibrary(&why);
    if (!lib) {
        failed(g, no_libnats, "libnats not loaded " + where);
        if (o.log)
            std::fprintf(stderr, "OSTRANE: NATS %s: %s\n", where.c_str(), why.c_str());
        return g;
    }
    const auto started = live::Clock::now();
    Session s{lib};
    const std::int64_t connectMs = std::min<std::int64_t>(o.connect_ms, msLeft(deadline));
    if (connectMs <= 0) {
        failed(g, round_timed_out, "NATS timed out " + where);
        return g;
    }
    const bool tls = o.url.rfind("tls://", 0) == 0 || !o.ca_file.empty();
    natsStatus st = lib->options_create(&s.options);
    if (st == NATS_OK)
        st = lib->options_set_url(s.options, o.url.c_str());
    if (st == NATS_OK)
        st = lib->options_set_timeout(s.options, connectMs);
    if (st == NATS_OK)
        st = lib->options_set_allow_reconnect(s.options, false);
    if (st == NATS_OK)
        st = lib->options_set_name(s.options, std::string(own_connection_name).c_str());
    if (st == NATS_OK)
        st = lib->options_set_max_pending(s.options, max_replies);
    if (st == NATS_OK && !o.token.empty())
        st = lib->options_set_token(s.options, o.token.c_str());
    else if (st == NATS_OK && !o.user.empty())
        st = lib->options_set_user_info(s.options, o.user.c_str(), o.password.c_str());
    if (st == NATS_OK && tls)
        st = lib->options_set_secure(s.options, true);
    if (st == NATS_OK && !o.ca_file.empty())
        st = lib->options_load_ca(s.options, o.ca_file.c_str());
    if (st == NATS_OK && !o.creds_file.empty())
        st = lib->options_set_credentials(s.options, o.creds_file.c_str(), nullptr);
    if (st != NATS_OK) {
        // A CA or credentials file libnats cannot read, or a URL it refuses.
        failed(g, st == NATS_SSL_ERROR ? tls_failed : unreadable, "NATS options refused " + where);
        return g;
    }
    st = lib->connect(&s.connection, s.options);
    if (st != NATS_OK) {
        connectFailed(g, *lib, st, where);
    } else if ((st = lib->inbox_create(&s.inbox)) == NATS_OK) {
        const std::string inbox(s.inbox);
        const std::string infoReply = inbox + ".i", statsReply = inbox + ".s";
        st = lib->subscribe_sync(&s.subscription, s.connection, (inbox + ".*").c_str());
        if (st == NATS_OK)
            st = lib->set_pending_limits(s.subscription, max_replies, max_pending_bytes);
        if (st == NATS_OK)
            st = lib->publish_request(s.connection, "$SRV.INFO", infoReply.c_str(), nullptr, 0);
        if (st == NATS_OK)
            st = lib->publish_request(s.connection, "$SRV.STATS", statsReply.c_str(), nullptr, 0);
        if (st == NATS_OK && msLeft(deadline) > 0)
            st = lib->flush_timeout(s.connection, msLeft(deadline));
        if (st != NATS_OK) {
            connectFailed(g, *lib, st, where);
        } else {
            g.reached = true;
            const auto want = static_cast<std::size_t>(std::max<std::int64_t>(expected, 0));
            for (int n = 0; n < 2 * max_replies; ++n) {
                const bool counted = g.info.size() >= want && g.stats.size() >= want;
                if (counted && quiet.count() <= 0)
                    break;
                const std::int64_t left =
                    counted ? std::min<std::int64_t>(quiet.count(), msLeft(deadline))
                            : msLeft(deadline);
                natsMsg *msg = nullptr;
                if (left <= 0 || lib->next_msg(&msg, s.subscription, left) != NATS_OK || !msg)
                    break;
                const char *subject = lib->msg_subject(msg);
                const int length = lib->msg_length(msg);
                std::string body(lib->msg_data(msg), static_cast<std::size_t>(std::max(0, length)));
                if (subject && infoReply == subject)
                    g.info.push_back(std::move(body));
                else if (subject && statsReply == subject)
                    g.stats.push_back(std::move(body));
                lib->msg_destroy(msg);
            }
        }
    }
    if (o.log) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::microseconds>(live::Clock::now() - started)
                .count() /
            1000.0;
        std::fprintf(stderr, "OSTRANE: NATS %s $SRV.INFO/STATS -> %zu/%zu of %lld (%.1f ms)%s%s\n",
                     where.c_str(), g.info.size(), g.stats.size(), static_cast<long long>(expected),
                     ms, g.reason.empty() ? "" : ": ", g.reason.c_str());
    }
    return g;
}

} // namespace ostrane::nats
