#include "nats_library.h"

#include <dlfcn.h>

namespace ostrane
{
namespace
{

// The runtime package's soname: the development package's libnats.so is not needed.
constexpr const char *library_file = "libnats.so.3.4";

struct Binding {
    NatsLibrary functions{};
    std::string error; // empty once every function is bound
};

template <typename F> bool bind(void *handle, const char *name, F &slot, std::string &error)
{
    // POSIX guarantees that a function's address survives the trip through void *.
    slot = reinterpret_cast<F>(dlsym(handle, name));
    if (!slot)
        error = std::string("libnats lacks ") + name;
    return slot != nullptr;
}

Binding load()
{
    Binding b;
    // Never closed: its threads and their state outlive any one round.
    void *handle = dlopen(library_file, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        b.error = why ? why : "libnats not found";
        return b;
    }
    NatsLibrary &f = b.functions;
    [[maybe_unused]] const bool bound =
        bind(handle, "natsOptions_Create", f.options_create, b.error) &&
        bind(handle, "natsOptions_Destroy", f.options_destroy, b.error) &&
        bind(handle, "natsOptions_SetURL", f.options_set_url, b.error) &&
        bind(handle, "natsOptions_SetTimeout", f.options_set_timeout, b.error) &&
        bind(handle, "natsOptions_SetAllowReconnect", f.options_set_allow_reconnect, b.error) &&
        bind(handle, "natsOptions_SetName", f.options_set_name, b.error) &&
        bind(handle, "natsOptions_SetUserInfo", f.options_set_user_info, b.error) &&
        bind(handle, "natsOptions_SetToken", f.options_set_token, b.error) &&
        bind(handle, "natsOptions_SetSecure", f.options_set_secure, b.error) &&
        bind(handle, "natsOptions_LoadCATrustedCertificates", f.options_load_ca, b.error) &&
        bind(handle, "natsOptions_SetUserCredentialsFromFiles", f.options_set_credentials,
             b.error) &&
        bind(handle, "natsOptions_SetMaxPendingMsgs", f.options_set_max_pending, b.error) &&
        bind(handle, "natsConnection_Connect", f.connect, b.error) &&
        bind(handle, "natsConnection_Destroy", f.connection_destroy, b.error) &&
        bind(handle, "natsConnection_FlushTimeout", f.flush_timeout, b.error) &&
        bind(handle, "natsConnection_PublishRequest", f.publish_request, b.error) &&
        bind(handle, "natsConnection_SubscribeSync", f.subscribe_sync, b.error) &&
        bind(handle, "natsSubscription_SetPendingLimits", f.set_pending_limits, b.error) &&
        bind(handle, "natsSubscription_NextMsg", f.next_msg, b.error) &&
        bind(handle, "natsSubscription_Destroy", f.subscription_destroy, b.error) &&
        bind(handle, "natsInbox_Create", f.inbox_create, b.error) &&
        bind(handle, "natsInbox_Destroy", f.inbox_destroy, b.error) &&
        bind(handle, "natsMsg_GetSubject", f.msg_subject, b.error) &&
        bind(handle, "natsMsg_GetData", f.msg_data, b.error) &&
        bind(handle, "natsMsg_GetDataLength", f.msg_length, b.error) &&
        bind(handle, "natsMsg_Destroy", f.msg_destroy, b.error) &&
        bind(handle, "natsStatus_GetText", f.status_text, b.error) &&
        bind(handle, "nats_GetLastError", f.last_error, b.error);
    return b;
}

} // namespace

const NatsLibrary *natsLibrary(std::string *why)
{
    // Once, whichever thread asks first; never destroyed, as libnats' threads may outlive
    // the statics of whoever asked.
    static const Binding *binding = new Binding(load());
    if (why)
        *why = binding->error;
    return binding->error.empty() ? &binding->functions : nullptr;
}

} // namespace ostrane
