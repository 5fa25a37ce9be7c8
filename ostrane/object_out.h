#pragma once
// Writes one object of a live source's reply: texts are UTF-8 turned into Latin-1 and cut
// to the field (on the right, or keeping the tail), names fitted (name_fitting.h), numbers
// clamped to what the field holds, so nothing a broker sends can overflow a field.

#include "broker_data.h"
#include "high_water_marks.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane::live
{

// The broker object's services and users: how many, how many active, and the high marks of
// the active ones, counted alike by every live source.
struct BrokerCounts {
    std::int64_t services = 0, servicesActive = 0;
    std::int64_t servers = 0, serversActive = 0, clients = 0, clientsActive = 0;

    void user(bool server, bool active)
    {
        (server ? servers : clients) += 1;
        (server ? serversActive : clientsActive) += active ? 1 : 0;
    }
};

class Out
{
public:
    explicit Out(KindData &data) : m_data(data), m_writer(data) {}
    Out &text(std::string_view field, const std::string &utf8, bool keepTail = false);
    // A name that tells objects apart (server class and name, service, user ID).
    Out &name(std::string_view field, const std::string &utf8);
    Out &latin1(std::string_view field, std::string latin1, bool keepTail = false);
    Out &number(std::string_view field, std::int64_t value);
    Out &counts(const BrokerCounts &counts, Marks &marks);

private:
    const Field &field(std::string_view name) const;
    KindData &m_data;
    ObjectWriter m_writer;
};

} // namespace ostrane::live
