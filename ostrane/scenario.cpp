#include "scenario.h"

#include "latin1.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace ostrane
{
namespace
{

using nlohmann::json;

// Enough for any table the monitor keeps, and a bound on what one file can cost.
constexpr std::int64_t max_objects_per_kind = 10'000;
constexpr std::int64_t max_scripted_calls = 5'000;
constexpr std::uintmax_t max_file_size = 16u << 20;

[[noreturn]] void fail(const std::string &where, const std::string &what)
{
    throw DataError(where + ": " + what);
}

std::string textOf(const json &v, const std::string &where)
{
    if (!v.is_string())
        fail(where, "expected a string");
    return toLatin1(v.get<std::string>());
}

std::int64_t integerOf(const json &v, const std::string &where)
{
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            fail(where, "number out of range");
        return static_cast<std::int64_t>(u);
    }
    if (v.is_number_integer())
        return v.get<std::int64_t>();
    fail(where, "expected a whole number");
}

// "{n}" is the repetition (1-based), "{i}" the position in the kind's list (1-based);
// "{n:4}" pads with zeros to four digits.
std::string expand(const std::string &text, std::int64_t n, std::int64_t i)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t close = text.find('}', at);
        if (text[at] == '{' && close != std::string::npos && close - at >= 2 &&
            (text[at + 1] == 'n' || text[at + 1] == 'i')) {
            const std::string_view format(text.data() + at + 2, close - at - 2);
            int width = 0;
            bool ok = format.empty();
            if (!ok && format[0] == ':' && format.size() >= 2 && format.size() <= 3) {
                const auto r =
                    std::from_chars(format.data() + 1, format.data() + format.size(), width);
                ok = r.ec == std::errc() && r.ptr == format.data() + format.size();
            }
            if (ok) {
                char digits[24];
                const auto end =
                    std::to_chars(digits, digits + sizeof digits, text[at + 1] == 'n' ? n : i).ptr;
                const auto length = static_cast<int>(end - digits);
                if (length < width)
                    out.append(static_cast<std::size_t>(width - length), '0');
                out.append(digits, end);
                at = close + 1;
                continue;
            }
        }
        // Plain text up to the next opening brace, in one piece.
        const std::size_t brace = text.find('{', at + 1);
        const std::size_t stop = brace == std::string::npos ? text.size() : brace;
        out.append(text, at, stop - at);
        at = stop;
    }
    return out;
}

// One entry of a kind's list, written `repeat` times (once without it).
void addObjects(KindData &data, const json &entry, const std::string &where)
{
    if (!entry.is_object())
        fail(where, "expected an object");
    std::int64_t repeat = 1;
    const bool repeated = entry.contains("repeat");
    if (repeated) {
        repeat = integerOf(entry["repeat"], where + ".repeat");
        if (repeat < 0 || repeat > max_objects_per_kind)
            fail(where + ".repeat", "must be 0 to " + std::to_string(max_objects_per_kind));
    }
    if (data.count() + repeat > max_objects_per_kind)
        fail(where, "more than " + std::to_string(max_objects_per_kind) + " objects");

    // What each field needs from the entry, read once while writing the first object: a
    // thousand repetitions then cost the writing only. Errors come in the same order.
    struct Item {
        const Field *field;
        std::string at;
        std::string text; // text fields, and templates of number fields
    };
    std::vector<Item> items;
    for (std::int64_t n = 1; n <= repeat; ++n) {
        const std::int64_t position = data.count() + 1;
        ObjectWriter writer(data);
        std::uint8_t *object = data.objects.data() + data.objects.size() -
                               static_cast<std::size_t>(data.kind->objectLength());
        std::size_t next = 0;
        for (const auto &[name, value] : entry.items()) {
            if (name == "repeat")
                continue;
            if (next == items.size()) {
                std::string at = where + "." + name;
                const Field *f = ObjectWriter::find(*data.kind, name);
                if (!f)
                    fail(at, "no such field in " + std::string(data.kind->name));
                items.push_back({f, std::move(at), {}});
            }
            Item &item = items[next++];
            const Field *f = item.field;
            const std::string &at = item.at;
            try {
                if (f->type == Type::Text) {
                    if (n == 1)
                        item.text = textOf(value, at);
                    ObjectWriter::putText(object, *f,
                                          repeated ? expand(item.text, n, position) : item.text);
                } else if (value.is_string()) {
                    if (n == 1)
                        item.text = value.get<std::string>();
                    const std::string text = repeated ? expand(item.text, n, position) : item.text;
                    std::int64_t number = 0;
                    const auto r = std::from_chars(text.data(), text.data() + text.size(), number);
                    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || text.empty())
                        fail(at, "\"" + text + "\" is not a whole number");
                    ObjectWriter::putNumber(object, *f, number);
                } else {
                    ObjectWriter::putNumber(object, *f, integerOf(value, at));
                }
            } catch (const DataError &e) {
                if (std::string_view(e.what()).starts_with(where))
                    throw;
                fail(at, e.what());
            }
        }
    }
}

std::optional<std::string> limitedText(const json &v, const std::string &where, std::size_t max)
{
    std::string text = textOf(v, where);
    if (text.size() > max)
        fail(where, "longer than " + std::to_string(max) + " characters");
    return text;
}

CallScript callScript(const json &call, const std::string &where)
{
    if (!call.is_object())
        fail(where, "expected an object");
    CallScript s;
    for (const auto &[key, value] : call.items()) {
        const std::string at = where + "." + key;
        if (key == "result_code")
            s.result_code = limitedText(value, at, 4);
        else if (key == "error_text")
            s.error_text = limitedText(value, at, 40);
        else if (key == "conv_id")
            s.conv_id = limitedText(value, at, 16);
        else if (key == "object") {
            if (!value.is_boolean())
                fail(at, "expected true or false");
            s.object = value.get<bool>();
        } else if (key == "header") {
            if (!value.is_object())
                fail(at, "expected an object");
            for (const auto &[name, number] : value.items()) {
                std::size_t i = 0;
                while (i < header_names.size() && header_names[i] != name)
                    ++i;
                if (i == header_names.size())
                    fail(at + "." + name, "no such header field");
                const std::int64_t n = integerOf(number, at + "." + name);
                if (n < std::numeric_limits<std::int32_t>::min() ||
                    n > std::numeric_limits<std::uint32_t>::max())
                    fail(at + "." + name, "number out of range");
                s.header[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(n));
            }
        } else if (key != "repeat") {
            fail(at, "no such key in a call");
        }
    }
    return s;
}

void addScript(KindData &data, const json &script, const std::string &where)
{
    if (!script.is_object())
        fail(where, "expected an object");
    for (const auto &[key, value] : script.items()) {
        const std::string at = where + "." + key;
        if (key == "every_call") {
            data.every_call = callScript(value, at);
        } else if (key == "calls") {
            if (!value.is_array())
                fail(at, "expected a list");
            for (std::size_t i = 0; i < value.size(); ++i) {
                const std::string call = at + "[" + std::to_string(i) + "]";
                const CallScript s = callScript(value[i], call);
                std::int64_t repeat = 1;
                if (value[i].contains("repeat"))
                    repeat = integerOf(value[i]["repeat"], call + ".repeat");
                if (repeat < 0 ||
                    static_cast<std::int64_t>(data.calls.size()) + repeat > max_scripted_calls)
                    fail(call + ".repeat", "too many calls");
                data.calls.insert(data.calls.end(), static_cast<std::size_t>(repeat), s);
            }
        } else {
            fail(at, "expected every_call or calls");
        }
    }
}

const Kind *kindByName(std::string_view name)
{
    for (const Kind &k : kinds)
        if (k.name == name)
            return &k;
    return nullptr;
}

} // namespace

bool isSafeScenarioName(std::string_view name)
{
    if (name.empty() || name.front() == '.')
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

BrokerData parseScenario(std::string_view text)
{
    json doc;
    try {
        doc = json::parse(text.begin(), text.end(), nullptr, true, true);
    } catch (const json::exception &e) {
        throw DataError(std::string("not JSON: ") + e.what());
    }
    if (!doc.is_object())
        throw DataError("a scenario is a JSON object");

    BrokerData data;
    const json *script = nullptr;
    for (const auto &[key, value] : doc.items()) {
        if (key == "description")
            continue;
        if (key == "script") {
            script = &value;
            continue;
        }
        const Kind *k = kindByName(key);
        if (!k)
            fail(key, "no such key in a scenario");
        if (k->id == KindId::Broker) {
            if (value.contains("repeat"))
                fail(key, "there is one broker object");
            addObjects(data[k->id], value, key);
        } else {
            if (!value.is_array())
                fail(key, "expected a list");
            for (std::size_t i = 0; i < value.size(); ++i)
                addObjects(data[k->id], value[i], key + "[" + std::to_string(i) + "]");
        }
    }
    if (script) {
        if (!script->is_object())
            fail("script", "expected an object");
        for (const auto &[key, value] : script->items()) {
            const Kind *k = kindByName(key);
            if (!k)
                fail("script." + key, "no such object kind");
            addScript(data[k->id], value, "script." + key);
        }
    }
    return data;
}

namespace
{

struct FileStamp {
    std::uintmax_t size = 0;
    std::int64_t mtime_ns = 0;
    std::uint64_t inode = 0, device = 0;
    bool operator==(const FileStamp &) const = default;
};

struct Cached {
    FileStamp stamp;
    std::shared_ptr<const BrokerData> data;
};

// Throws ScenarioMissing when there is nothing at `path`.
FileStamp stampOf(const std::string &path)
{
#if defined(_WIN32)
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw ScenarioMissing(path + ": no such file");
    FileStamp s;
    s.size = std::filesystem::file_size(path, ec);
    s.mtime_ns = std::filesystem::last_write_time(path, ec).time_since_epoch().count();
    return s;
#else
    struct stat st {
    };
    if (::stat(path.c_str(), &st) != 0)
        throw ScenarioMissing(path + ": no such file");
    return {static_cast<std::uintmax_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_dev)};
#endif
}

BrokerData readScenario(const std::string &path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw ScenarioMissing(path + ": no such file");
    if (!std::filesystem::is_regular_file(path, ec))
        throw DataError(path + ": not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw DataError(path + ": cannot open");
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::streamoff>(in.tellg());
    if (size < 0 || static_cast<std::uintmax_t>(size) > max_file_size)
        throw DataError(path + ": not a readable file of at most 16 MiB");
    in.seekg(0);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size))
        throw DataError(path + ": cannot read");
    return parseScenario(text);
}

} // namespace

std::shared_ptr<const BrokerData> loadScenario(const std::string &path)
{
    static std::map<std::string, Cached> cache;
    constexpr std::size_t max_cached = 8;
    const FileStamp stamp = stampOf(path);
    if (const auto it = cache.find(path); it != cache.end()) {
        if (it->second.stamp == stamp)
            return it->second.data;
        cache.erase(it);
    }
    auto data = std::make_shared<const BrokerData>(readScenario(path));
    if (cache.size() >= max_cached)
        cache.erase(cache.begin());
    cache[path] = Cached{stamp, data};
    return data;
}

} // namespace ostrane
