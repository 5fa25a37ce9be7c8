#pragma once
// libcurl, bound at run time: only a live broker needs HTTP, so the demo broker and the
// scenario files start without loading it and the ~30 libraries it pulls in. curl's
// header gives the types and constants; the functions come from this table.

#include <curl/curl.h>

#include <ctime>
#include <string>

namespace ostrane
{

struct CurlLibrary {
    CURLcode (*global_init)(long flags);
    CURL *(*easy_init)();
    CURLcode (*easy_setopt)(CURL *curl, CURLoption option, ...);
    CURLcode (*easy_perform)(CURL *curl);
    CURLcode (*easy_getinfo)(CURL *curl, CURLINFO info, ...);
    void (*easy_reset)(CURL *curl);
    void (*easy_cleanup)(CURL *curl);
    const char *(*easy_strerror)(CURLcode code);
    time_t (*getdate)(const char *text, const time_t *unused);
    // The URL API: the same reading of a broker URL as the GET's own.
    CURLU *(*url)();
    void (*url_cleanup)(CURLU *handle);
    CURLUcode (*url_set)(CURLU *handle, CURLUPart what, const char *part, unsigned int flags);
    CURLUcode (*url_get)(CURLU *handle, CURLUPart what, char **part, unsigned int flags);
    void (*free)(void *text);
};

// The library's functions, loaded and globally initialised by the first call (thread-safe)
// and kept for the life of the process; nullptr when the library or one of its functions
// is missing, with `why` saying which.
const CurlLibrary *curlLibrary(std::string *why = nullptr);

// An easy handle of the bound library (nullptr when it has none to give). Any still open
// when the process exits is cleaned up before the TLS library's own exit handler runs,
// which the global initialisation registered after the callers' statics were built.
CURL *openCurlHandle();
void closeCurlHandle(CURL *handle);

} // namespace ostrane
