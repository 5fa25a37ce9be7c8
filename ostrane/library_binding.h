#pragma once
// A library opened at run time and its functions bound by name, for the libraries that only
// a live broker needs (libcurl, libnats): the stand-in loads without them.

#include <dlfcn.h>

#include <string>

namespace ostrane
{

// The library by its soname, never closed: its state outlives any one client. nullptr,
// with `error` saying why, when it cannot be opened.
inline void *openLibrary(const char *file, const char *name, std::string &error)
{
    void *handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char *why = dlerror();
        error = why ? why : std::string(name) + " not found";
    }
    return handle;
}

template <typename F>
bool bindSymbol(void *handle, const char *library, const char *name, F &slot, std::string &error)
{
    // POSIX guarantees that a function's address survives the trip through void *.
    slot = reinterpret_cast<F>(dlsym(handle, name));
    if (!slot)
        error = std::string(library) + " lacks " + name;
    return slot != nullptr;
}

// A library's functions, each bound by name, or `error` saying why not.
template <typename Functions> struct Binding {
    Functions functions{};
    std::string error; // empty once every function is bound
};

// Opens `file` and binds its functions through `bind(handle, functions, error)`.
template <typename Functions, typename Bind>
Binding<Functions> bindLibrary(const char *file, const char *name, Bind bind)
{
    Binding<Functions> b;
    if (void *handle = openLibrary(file, name, b.error))
        bind(handle, b.functions, b.error);
    return b;
}

// The functions `load` binds, bound once, whichever thread asks first, and never destroyed:
// exit handlers and the library's own threads may use them after the statics of whoever
// asked. nullptr, with `why` saying why, when any is missing.
template <typename Functions, Binding<Functions> (*load)()>
const Functions *boundOnce(std::string *why)
{
    static const Binding<Functions> *binding = new Binding<Functions>(load());
    if (why)
        *why = binding->error;
    return binding->error.empty() ? &binding->functions : nullptr;
}

} // namespace ostrane
