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

void bindFunctions(void *handle, CurlLibrary &f, std::string &error)
{
    if (bindSymbol(handle, "libcurl", "curl_global_init", f.global_init, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_init", f.easy_init, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_setopt", f.easy_setopt, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_perform", f.easy_perform, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_getinfo", f.easy_getinfo, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_reset", f.easy_reset, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_cleanup", f.easy_cleanup, error) &&
        bindSymbol(handle, "libcurl", "curl_easy_strerror", f.easy_strerror, error) &&
        bindSymbol(handle, "libcurl", "curl_getdate", f.getdate, error) &&
        bindSymbol(handle, "libcurl", "curl_url", f.url, error) &&
        bindSymbol(handle, "libcurl", "curl_url_cleanup", f.url_cleanup, error) &&
        bindSymbol(handle, "libcurl", "curl_url_set", f.url_set, error) &&
        bindSymbol(handle, "libcurl", "curl_url_get", f.url_get, error) &&
        bindSymbol(handle, "libcurl", "curl_free", f.free, error)) {
        const CURLcode rc = f.global_init(CURL_GLOBAL_DEFAULT);
        if (rc != CURLE_OK)
            error = std::string("libcurl did not start: ") + f.easy_strerror(rc);
        else
            std::atexit(closeAtExit);
    }
}

Binding<CurlLibrary> load()
{
    // Never closed: curl's global state and the handles outlive any one client.
    return bindLibrary<CurlLibrary>(library_file, "libcurl", bindFunctions);
}

} // namespace

const CurlLibrary *curlLibrary(std::string *why)
{
    // The exit handler needs them after every other static is gone.
    return boundOnce<CurlLibrary, load>(why);
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
