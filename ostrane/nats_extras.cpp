#include "nats_extras.h"

#include "sha1.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace ostrane::nats
{

namespace
{

namespace fs = std::filesystem;

// The record's names are Latin-1; JSON text is UTF-8.
std::string utf8Of(std::string_view latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// A name as the program keys it: the record's text with the blanks around it cut.
std::string nameIn(const KindData &data, int index, std::string_view field)
{
    const Field *f = ObjectWriter::find(*data.kind, field);
    std::string_view text(
        reinterpret_cast<const char *>(data.object(index) + (f->offset - header_size)),
        static_cast<std::size_t>(f->width));
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

std::string lowerHex(std::string_view data, std::size_t digits)
{
    std::string hex = sha1Hex(data).substr(0, digits);
    for (char &c : hex)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return hex;
}

std::string absoluteEnv(const char *name)
{
    const char *v = std::getenv(name);
    return v && v[0] == '/' ? std::string(v) : std::string();
}

} // namespace

std::vector<EndpointExtras> serviceExtras(const View &view, const KindData &data)
{
    // The walk of mapServices: instances, then their endpoints, one object each.
    std::vector<EndpointExtras> out;
    int index = 0;
    for (const Instance &i : view.instances)
        for (const Endpoint &e : i.endpoints) {
            if (index >= data.count())
                return out;
            out.push_back({nameIn(data, index, "server_class"), nameIn(data, index, "server_name"),
                           nameIn(data, index, "service"), e.num_errors, e.last_error,
                           e.average_processing_time_ns / 1000});
            ++index;
        }
    return out;
}

std::string extrasJson(std::string_view brokerId, std::int64_t whenMs,
                       const std::vector<EndpointExtras> &objects)
{
    nlohmann::json list = nlohmann::json::array();
    for (const EndpointExtras &o : objects)
        list.push_back({{"server_class", utf8Of(o.server_class)},
                        {"server_name", utf8Of(o.server_name)},
                        {"service", utf8Of(o.service)},
                        {"num_errors", o.num_errors},
                        {"last_error", o.last_error},
                        {"average_processing_time", o.average_processing_time}});
    const nlohmann::json doc = {
        {"broker", lowerHex(brokerId, 40)}, {"when_ms", whenMs}, {"objects", std::move(list)}};
    // A text cut inside a UTF-8 sequence (the readers cut at max_text bytes) must not
    // fail the file.
    return doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string extrasFolder()
{
    if (const char *set = std::getenv("MORVAIN_EXTRAS_DIR"); set && set[0])
        return set;
    if (const std::string runtime = absoluteEnv("XDG_RUNTIME_DIR"); !runtime.empty())
        return runtime + "/morvain-extras";
    if (const std::string home = absoluteEnv("HOME"); !home.empty())
        return home + "/.cache/morvain/extras";
    return {};
}

std::string extrasFileName(std::string_view brokerId)
{
    return "nats-" + lowerHex(brokerId, 16) + ".json";
}

bool writeExtras(std::string_view brokerId, std::int64_t whenMs,
                 const std::vector<EndpointExtras> &objects)
{
    const std::string folder = extrasFolder();
    if (folder.empty())
        return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    const fs::path target = fs::path(folder) / extrasFileName(brokerId);
    // In the same folder, so that the rename replaces the file in one step; named by the
    // process, so that two monitors of one broker never write into each other's.
    const fs::path temporary =
        fs::path(folder) / ("." + extrasFileName(brokerId) + "." + std::to_string(::getpid()));
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << extrasJson(brokerId, whenMs, objects);
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    std::error_code renamed;
    fs::rename(temporary, target, renamed);
    if (renamed)
        fs::remove(temporary, ec);
    return !renamed;
}

} // namespace ostrane::nats
