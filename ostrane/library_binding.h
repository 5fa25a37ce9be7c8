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

} // namespace ostrane
