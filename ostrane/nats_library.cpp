#include "nats_library.h"

#include "library_binding.h"

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

Binding load()
{
    Binding b;
    // Never closed: its threads and their state outlive any one round.
    void *handle = openLibrary(library_file, "libnats", b.error);
    if (!handle)
        return b;
    NatsLibrary &f = b.functions;
    [[maybe_unused]] const bool bound =
        bindSymbol(handle, "libnats", "natsOptions_Create", f.options_create, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_Destroy", f.options_destroy, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetURL", f.options_set_url, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetTimeout", f.options_set_timeout, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetAllowReconnect",
                   f.options_set_allow_reconnect, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetName", f.options_set_name, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetUserInfo", f.options_set_user_info,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetToken", f.options_set_token, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetSecure", f.options_set_secure, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_LoadCATrustedCertificates", f.options_load_ca,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetUserCredentialsFromFiles",
                   f.options_set_credentials, b.error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetMaxPendingMsgs", f.options_set_max_pending,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsConnection_Connect", f.connect, b.error) &&
        bindSymbol(handle, "libnats", "natsConnection_Destroy", f.connection_destroy, b.error) &&
        bindSymbol(handle, "libnats", "natsConnection_FlushTimeout", f.flush_timeout, b.error) &&
        bindSymbol(handle, "libnats", "natsConnection_PublishRequest", f.publish_request,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsConnection_SubscribeSync", f.subscribe_sync, b.error) &&
        bindSymbol(handle, "libnats", "natsSubscription_SetPendingLimits", f.set_pending_limits,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsSubscription_NextMsg", f.next_msg, b.error) &&
        bindSymbol(handle, "libnats", "natsSubscription_Destroy", f.subscription_destroy,
                   b.error) &&
        bindSymbol(handle, "libnats", "natsInbox_Create", f.inbox_create, b.error) &&
        bindSymbol(handle, "libnats", "natsInbox_Destroy", f.inbox_destroy, b.error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetSubject", f.msg_subject, b.error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetData", f.msg_data, b.error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetDataLength", f.msg_length, b.error) &&
        bindSymbol(handle, "libnats", "natsMsg_Destroy", f.msg_destroy, b.error) &&
        bindSymbol(handle, "libnats", "natsStatus_GetText", f.status_text, b.error) &&
        bindSymbol(handle, "libnats", "nats_GetLastError", f.last_error, b.error);
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
