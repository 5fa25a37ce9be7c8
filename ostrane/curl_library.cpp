#include "curl_library.h"

#include "library_binding.h"

#include <cstdlib>
#include <mutex>
#include <set>

namespace ostrane
{
namespace
{

// The runtime package's soname: the development package's libcurl.so is not needed.
constexpr const char *library_file = "libcurl.so.4";

struct Binding {
    CurlLibrary functions{};
    std::string error; // empty once every function is bound
};

// Never destroyed: the exit handler and closes after it still use them.
std::mutex &handleLock()
{
    static auto *lock = new std::mutex;
    return *lock;
}

std::set<CURL *> &openHandles()
{
    static auto *handles = new std::set<CURL *>;
    return *handles;
}

void closeAtExit()
{
    const std::lock_guard<std::mutex> hold(handleLock());
    for (CURL *handle : openHandles())
        curlLibrary()->easy_cleanup(handle);
    openHandles().clear();
}

Binding load()
{
    Binding b;
    // Never closed: curl's global state and the handles outlive any one client.
    void *handle = openLibrary(library_file, "libcurl", b.error);
    if (!handle)
        return b;
    CurlLibrary &f = b.functions;
    if (bindSymbol(handle, "libcurl", "curl_global_init", f.global_init, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_init", f.easy_init, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_setopt", f.easy_setopt, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_perform", f.easy_perform, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_getinfo", f.easy_getinfo, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_reset", f.easy_reset, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_cleanup", f.easy_cleanup, b.error) &&
        bindSymbol(handle, "libcurl", "curl_easy_strerror", f.easy_strerror, b.error) &&
        bindSymbol(handle, "libcurl", "curl_getdate", f.getdate, b.error) &&
        bindSymbol(handle, "libcurl", "curl_url", f.url, b.error) &&
        bindSymbol(handle, "libcurl", "curl_url_cleanup", f.url_cleanup, b.error) &&
        bindSymbol(handle, "libcurl", "curl_url_set", f.url_set, b.error) &&
        bindSymbol(handle, "libcurl", "curl_url_get", f.url_get, b.error) &&
        bindSymbol(handle, "libcurl", "curl_free", f.free, b.error)) {
        const CURLcode rc = f.global_init(CURL_GLOBAL_DEFAULT);
        if (rc != CURLE_OK)
            b.error = std::string("libcurl did not start: ") + f.easy_strerror(rc);
        else
            std::atexit(closeAtExit);
    }
    return b;
}

} // namespace

const CurlLibrary *curlLibrary(std::string *why)
{
    // Once, whichever thread asks first; never destroyed, as the exit handler needs it.
    static const Binding *binding = new Binding(load());
    if (why)
        *why = binding->error;
    return binding->error.empty() ? &binding->functions : nullptr;
}

CURL *openCurlHandle()
{
    const CurlLibrary *lib = curlLibrary();
    CURL *handle = lib ? lib->easy_init() : nullptr;
    if (handle) {
        const std::lock_guard<std::mutex> hold(handleLock());
        openHandles().insert(handle);
    }
    return handle;
}

void closeCurlHandle(CURL *handle)
{
    const std::lock_guard<std::mutex> hold(handleLock());
    if (openHandles().erase(handle)) // not yet cleaned up by the exit handler
        curlLibrary()->easy_cleanup(handle);
}

} // namespace ostrane
