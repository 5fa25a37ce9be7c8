#include "rabbit_body.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace ostrane::rabbit
{
namespace
{

using json = nlohmann::json;

// Numbers are held to +-2^42 (a millisecond time is 2^41): sums over a served list can
// then never overflow.
constexpr std::int64_t number_limit = std::int64_t{1} << 42;
constexpr std::size_t max_key = 256;

class Reader : public nlohmann::json_sax<json>
{
public:
    Reader(std::span<const char *const> paths, bool list, std::size_t keep, Body &out,
           std::chrono::steady_clock::time_point until)
        : m_paths(paths), m_list(list), m_keep(keep), m_out(out), m_until(until)
    {
    }
    bool late() const { return m_late; }
    bool shapeOk() const { return m_list ? m_sawItems : m_sawRoot; }

    bool null() override { return scalar(Scalar{}); }
    bool boolean(bool v) override { return scalar(Scalar{Scalar::flag, v ? 1 : 0, {}}); }
    bool number_integer(number_integer_t v) override
    {
        return scalar(
            Scalar{Scalar::number, std::clamp<std::int64_t>(v, -number_limit, number_limit), {}});
    }
    bool number_unsigned(number_unsigned_t v) override
    {
        return scalar(Scalar{Scalar::number,
                             static_cast<std::int64_t>(std::min<std::uint64_t>(v, number_limit)),
                             {}});
    }
    bool number_float(number_float_t v, const string_t &) override
    {
        const double d =
            std::isfinite(v) ? std::clamp(v, -double(number_limit), double(number_limit)) : 0;
        return scalar(Scalar{Scalar::number, static_cast<std::int64_t>(d), {}});
    }
    bool string(string_t &v) override
    {
        Scalar s{Scalar::text, 0, {}};
        if (wanted() >= 0)
            s.s = v.substr(0, max_text);
        return scalar(std::move(s));
    }
    bool binary(binary_t &) override { return scalar(Scalar{}); }
    bool key(string_t &k) override
    {
        if (!m_frames.empty())
            m_frames.back().key = k.substr(0, max_key);
        return true;
    }
    bool start_object(std::size_t) override { return open(true); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_object() override { return close(); }
    bool end_array() override { return close(); }
    bool parse_error(std::size_t, const std::string &, const nlohmann::detail::exception &) override
    {
        return false;
    }

private:
    struct Frame {
        bool object = false;
        bool items = false;   // the array of listed objects
        bool wrapper = false; // a paged reply's outer object
        std::string key;      // the object's current key
    };

    // An element of the items array starts an object of the list.
    void beginItem()
    {
        ++m_out.count;
        m_keeping = m_out.items.size() < m_keep;
        if (m_keeping)
            m_out.items.emplace_back(m_paths.size());
    }

    bool open(bool object)
    {
        if (static_cast<int>(m_frames.size()) >= max_depth)
            return false;
        // The clock now and then: reading stops where the caller's time ends.
        if ((++m_opened & 0xFFFF) == 0 && std::chrono::steady_clock::now() >= m_until) {
            m_late = true;
            return false;
        }
        Frame f;
        f.object = object;
        if (m_frames.empty()) {
            if (m_list) {
                f.items = !object;
                f.wrapper = object;
                m_sawItems = m_sawItems || f.items;
            } else if (object) {
                m_root = 0;
                m_keeping = true;
                m_out.count = 1;
                m_out.items.emplace_back(m_paths.size());
                m_sawRoot = true;
            }
        } else if (m_frames.back().items) {
            beginItem();
            m_root = object ? static_cast<int>(m_frames.size()) : -1;
        } else if (m_frames.back().wrapper && m_frames.back().key == "items" && !object &&
                   m_frames.size() == 1) {
            f.items = true;
            m_sawItems = true;
        }
        m_frames.push_back(std::move(f));
        return true;
    }

    bool close()
    {
        if (m_frames.empty())
            return false;
        if (static_cast<int>(m_frames.size()) - 1 == m_root)
            m_root = -1;
        m_frames.pop_back();
        return true;
    }

    // The wanted path the next scalar lands on, or -1.
    int wanted() const
    {
        if (m_root < 0 || !m_keeping)
            return -1;
        std::string path;
        for (std::size_t i = static_cast<std::size_t>(m_root); i < m_frames.size(); ++i) {
            if (!m_frames[i].object)
                return -1; // inside an array: no single value of the object
            if (i > static_cast<std::size_t>(m_root))
                path += '.';
            path += m_frames[i].key;
        }
        for (std::size_t p = 0; p < m_paths.size(); ++p)
            if (path == m_paths[p])
                return static_cast<int>(p);
        return -1;
    }

    bool scalar(Scalar v)
    {
        if (m_frames.empty())
            return true; // a bare scalar: the shape check refuses it
        const Frame &top = m_frames.back();
        if (top.items) {
            beginItem(); // an element that is no object: a zero-valued one
            return true;
        }
        if (top.wrapper && m_frames.size() == 1 && v.type == Scalar::number) {
            if (top.key == "total_count")
                m_out.total = v.n;
            else if (top.key == "page_count")
                m_out.page_count = v.n;
            return true;
        }
        if (const int at = wanted(); at >= 0)
            m_out.items.back()[static_cast<std::size_t>(at)] = std::move(v);
        return true;
    }

    std::span<const char *const> m_paths;
    bool m_list;
    std::size_t m_keep;
    Body &m_out;
    std::chrono::steady_clock::time_point m_until;
    std::uint64_t m_opened = 0;
    bool m_late = false;
    std::vector<Frame> m_frames;
    int m_root = -1; // frame of the object being read
    bool m_keeping = false;
    bool m_sawItems = false, m_sawRoot = false;
};

} // namespace

bool readBody(std::string_view text, std::span<const char *const> paths, bool list,
              std::size_t keep, Body &out, std::chrono::steady_clock::time_point until, bool *late)
{
    out = Body{};
    Reader reader(paths, list, keep, out, until);
    const bool parsed = json::sax_parse(text.begin(), text.end(), &reader);
    if (late)
        *late = reader.late();
    if (!parsed || !reader.shapeOk()) {
        out = Body{};
        return false;
    }
    return true;
}

} // namespace ostrane::rabbit
