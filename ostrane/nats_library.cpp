#include "nats_library.h"

#include "library_binding.h"

namespace ostrane
{
namespace
{

// The runtime package's soname: the development package's libnats.so is not needed.
constexpr const char *library_file = "libnats.so.3.4";

void bindFunctions(void *handle, NatsLibrary &f, std::string &error)
{
    [[maybe_unused]] const bool bound =
        bindSymbol(handle, "libnats", "natsOptions_Create", f.options_create, error) &&
        bindSymbol(handle, "libnats", "natsOptions_Destroy", f.options_destroy, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetURL", f.options_set_url, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetTimeout", f.options_set_timeout, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetAllowReconnect",
                   f.options_set_allow_reconnect, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetName", f.options_set_name, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetUserInfo", f.options_set_user_info, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetToken", f.options_set_token, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetSecure", f.options_set_secure, error) &&
        bindSymbol(handle, "libnats", "natsOptions_LoadCATrustedCertificates", f.options_load_ca,
                   error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetUserCredentialsFromFiles",
                   f.options_set_credentials, error) &&
        bindSymbol(handle, "libnats", "natsOptions_SetMaxPendingMsgs", f.options_set_max_pending,
                   error) &&
        bindSymbol(handle, "libnats", "natsConnection_Connect", f.connect, error) &&
        bindSymbol(handle, "libnats", "natsConnection_Destroy", f.connection_destroy, error) &&
        bindSymbol(handle, "libnats", "natsConnection_FlushTimeout", f.flush_timeout, error) &&
        bindSymbol(handle, "libnats", "natsConnection_PublishRequest", f.publish_request, error) &&
        bindSymbol(handle, "libnats", "natsConnection_SubscribeSync", f.subscribe_sync, error) &&
        bindSymbol(handle, "libnats", "natsSubscription_SetPendingLimits", f.set_pending_limits,
                   error) &&
        bindSymbol(handle, "libnats", "natsSubscription_NextMsg", f.next_msg, error) &&
        bindSymbol(handle, "libnats", "natsSubscription_Destroy", f.subscription_destroy, error) &&
        bindSymbol(handle, "libnats", "natsInbox_Create", f.inbox_create, error) &&
        bindSymbol(handle, "libnats", "natsInbox_Destroy", f.inbox_destroy, error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetSubject", f.msg_subject, error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetData", f.msg_data, error) &&
        bindSymbol(handle, "libnats", "natsMsg_GetDataLength", f.msg_length, error) &&
        bindSymbol(handle, "libnats", "natsMsg_Destroy", f.msg_destroy, error) &&
        bindSymbol(handle, "libnats", "natsStatus_GetText", f.status_text, error) &&
        bindSymbol(handle, "libnats", "nats_GetLastError", f.last_error, error);
}

Binding<NatsLibrary> load()
{
    // Never closed: its threads and their state outlive any one round.
    return bindLibrary<NatsLibrary>(library_file, "libnats", bindFunctions);
}

} // namespace

const NatsLibrary *natsLibrary(std::string *why)
{
    // libnats' threads may outlive the statics of whoever asked.
    return boundOnce<NatsLibrary, load>(why);
}

} // namespace ostrane
