#include "object_out.h"

#include "latin1.h"
#include "name_fitting.h"

#include <algorithm>
#include <limits>

namespace ostrane::live
{

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

Out &Out::counts(const BrokerCounts &c, Marks &marks)
{
    return number("num_service", c.services)
        .number("service_act", c.servicesActive)
        .number("num_server", c.servers)
        .number("server_act", c.serversActive)
        .number("server_high", marks.high("server", c.serversActive))
        .number("num_client", c.clients)
        .number("client_act", c.clientsActive)
        .number("client_high", marks.high("client", c.clientsActive));
}

} // namespace ostrane::live
