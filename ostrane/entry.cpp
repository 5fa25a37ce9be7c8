#include "ostrane.h"

#include "information_service.h"
#include "layout.h"
#include "named_brokers.h"
#include "wire.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace
{

const auto loaded_at = std::chrono::steady_clock::now();
const char anchor = 0; // an address inside this library, to find where it lies

std::string libraryFolder()
{
#if defined(_WIN32)
    HMODULE self = nullptr;
    char path[MAX_PATH] = {};
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            &anchor, &self) ||
        GetModuleFileNameA(self, path, MAX_PATH) == 0)
        return {};
    std::string file = path;
    const auto slash = file.find_last_of("\\/");
#else
    Dl_info info{};
    if (!dladdr(&anchor, &info) || !info.dli_fname)
        return {};
    std::string file = info.dli_fname;
    const auto slash = file.rfind('/');
#endif
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// The scenario folder is this library's own setting; read on every call so that a test
// can point it elsewhere at any time.
std::string scenarioFolder()
{
    if (const char *dir = std::getenv("OSTRANE_SCENARIO_DIR"); dir && *dir)
        return dir;
    // Where this library lies does not change while it is loaded: looked up once.
    static const std::string beside = [] {
        const std::string folder = libraryFolder();
        return folder.empty() ? folder : folder + "/scenarios";
    }();
    return beside;
}

// Read as the service reads it: a conversation ID of "NEW" opens a conversation.
bool opening(const ostrane::Records &r)
{
    const std::string_view id(reinterpret_cast<const char *>(r.control + ostrane::control::conv_id),
                              ostrane::control::conv_id_width);
    return ostrane::wire::trimmed(id) == "NEW";
}

std::mutex &serviceLock()
{
    static std::mutex lock;
    return lock;
}

ostrane::InformationService &service()
{
#if defined(_WIN32)
    const auto pid = static_cast<std::uint32_t>(GetCurrentProcessId());
#else
    const auto pid = static_cast<std::uint32_t>(getpid());
#endif
    static ostrane::InformationService instance(
        static_cast<std::uint32_t>(loaded_at.time_since_epoch().count()) ^ (pid * 2654435761u));
    return instance;
}

} // namespace

extern "C" int ostrane_entry_1(void *control_block, void *request, void *reply, void *error_text)
{
    if (!control_block || !request || !reply || !error_text)
        return ostrane::null_record;
    const ostrane::Records records{
        static_cast<std::uint8_t *>(control_block), static_cast<const std::uint8_t *>(request),
        static_cast<std::uint8_t *>(reply), static_cast<std::uint8_t *>(error_text)};
    try {
        const char *log = std::getenv("OSTRANE_LOG");
        ostrane::Settings settings;
        settings.seconds = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::steady_clock::now() - loaded_at)
                               .count();
        settings.log = log && *log && std::strcmp(log, "0") != 0;
        settings.http.log = settings.log;
        // Only an opening call reads a broker's data; a follow-up answers from what its
        // opening read, so it needs no folder, certificate or timeout.
        if (opening(records)) {
            settings.scenario_dir = scenarioFolder();
            settings.brokers_file = ostrane::brokerListPath();
            if (const char *ca = std::getenv("OSTRANE_CAINFO"); ca && *ca)
                settings.http.ca_file = ca;
            // Tests shorten the waits; nothing else should need to.
            if (const char *ms = std::getenv("OSTRANE_HTTP_TIMEOUT_MS"); ms && *ms) {
                const long t = std::strtol(ms, nullptr, 10);
                if (t > 0 && t < 60000)
                    settings.http.connect_ms = settings.http.total_ms = t;
            }
        }
        const std::lock_guard guard(serviceLock());
        return service().call(records, settings);
    } catch (...) {
        // Nothing may escape into a caller that knows no C++.
        return ostrane::InformationService::refuse(records, "Internal error in OSTRANE",
                                                   ostrane::internal_error,
                                                   ostrane::internal_failure);
    }
}
