#include "latin1.h"
#include "rabbit_mapping.h"
#include "sha1.h"

namespace ostrane::rabbit
{

namespace
{

std::string fit(std::string shown, std::string_view whole, std::size_t width)
{
    if (shown.size() <= width)
        return shown;
    const std::string mark = "~" + sha1Hex(whole).substr(0, 6);
    return shown.substr(0, width - std::min(width, mark.size())) + mark.substr(0, width);
}

} // namespace

std::string fitName(std::string_view utf8, std::size_t width)
{
    return fit(toLatin1(utf8), utf8, width);
}

std::string fitLatin1(std::string latin1, std::size_t width)
{
    const std::string whole = latin1;
    return fit(std::move(latin1), whole, width);
}

Out &Out::name(std::string_view name, const std::string &utf8)
{
    return latin1(name, fitName(utf8, static_cast<std::size_t>(field(name).width)));
}

const Field &Out::field(std::string_view name) const
{
    const Field *f = ObjectWriter::find(*m_data.kind, name);
    if (!f)
        throw DataError("no such field: " + std::string(name));
    return *f;
}

Out &Out::text(std::string_view name, const std::string &utf8, bool keepTail)
{
    return latin1(name, toLatin1(utf8), keepTail);
}

Out &Out::latin1(std::string_view name, std::string text, bool keepTail)
{
    const auto width = static_cast<std::size_t>(field(name).width);
    if (text.size() > width)
        text = keepTail ? text.substr(text.size() - width) : text.substr(0, width);
    m_writer.text(name, text);
    return *this;
}

Out &Out::number(std::string_view name, std::int64_t value)
{
    const Field &f = field(name);
    const std::int64_t top = f.width == 2 ? std::numeric_limits<std::int16_t>::max()
                                          : std::numeric_limits<std::int32_t>::max();
    m_writer.number(name, std::clamp(value, -top - 1, top));
    return *this;
}

} // namespace ostrane::rabbit
