#pragma once
// libnats, bound at run time as libcurl is (curl_library.h): only a NATS broker's services
// need the client port, so the stand-in loads and runs without libnats, and its threads
// start only with the first NATS round. libnats' header gives the types; the functions
// come from this table.

#include <nats/nats.h>

#include <string>

namespace ostrane
{

struct NatsLibrary {
    natsStatus (*options_create)(natsOptions **opts);
    void (*options_destroy)(natsOptions *opts);
    natsStatus (*options_set_url)(natsOptions *opts, const char *url);
    natsStatus (*options_set_timeout)(natsOptions *opts, int64_t ms);
    natsStatus (*options_set_allow_reconnect)(natsOptions *opts, bool allow);
    natsStatus (*options_set_name)(natsOptions *opts, const char *name);
    natsStatus (*options_set_user_info)(natsOptions *opts, const char *user, const char *password);
    natsStatus (*options_set_token)(natsOptions *opts, const char *token);
    natsStatus (*options_set_secure)(natsOptions *opts, bool secure);
    natsStatus (*options_load_ca)(natsOptions *opts, const char *file);
    natsStatus (*options_set_credentials)(natsOptions *opts, const char *chained, const char *seed);
    natsStatus (*options_set_max_pending)(natsOptions *opts, int max);
    natsStatus (*connect)(natsConnection **nc, natsOptions *opts);
    void (*connection_destroy)(natsConnection *nc);
    natsStatus (*flush_timeout)(natsConnection *nc, int64_t ms);
    natsStatus (*publish_request)(natsConnection *nc, const char *subject, const char *reply,
                                  const void *data, int length);
    natsStatus (*subscribe_sync)(natsSubscription **sub, natsConnection *nc, const char *subject);
    natsStatus (*set_pending_limits)(natsSubscription *sub, int messages, int bytes);
    natsStatus (*next_msg)(natsMsg **msg, natsSubscription *sub, int64_t ms);
    void (*subscription_destroy)(natsSubscription *sub);
    natsStatus (*inbox_create)(natsInbox **inbox);
    void (*inbox_destroy)(natsInbox *inbox);
    const char *(*msg_subject)(const natsMsg *msg);
    const char *(*msg_data)(const natsMsg *msg);
    int (*msg_length)(const natsMsg *msg);
    void (*msg_destroy)(natsMsg *msg);
    const char *(*status_text)(natsStatus s);
    const char *(*last_error)(natsStatus *status);
};

// The library's functions, loaded by the first call (thread-safe) and kept for the life of
// the process; nullptr when the library or one of its functions is missing, with `why`
// saying which.
const NatsLibrary *natsLibrary(std::string *why = nullptr);

} // namespace ostrane
