#pragma once
// The five reply kinds filled from a management-API view, one file per kind.

#include "broker_data.h"
#include "rabbit_marks.h"
#include "rabbit_view.h"

#include <algorithm>
#include <limits>

namespace ostrane::rabbit
{

// The caps that keep every table of the monitor from overflowing: it also stores the
// closing reply of all list kinds but the workers.
inline constexpr int max_conversations = 99, max_services = 999, max_users = 999,
                     max_workers = 1000;

// Objects are appended to `out` up to the kind's cap; the return is the true count.
int mapBroker(const View &v, Marks &marks, KindData &out);
int mapWorkers(const View &v, Marks &marks, KindData &out);
int mapServices(const View &v, Marks &marks, KindData &out);
int mapUsers(const View &v, Marks &marks, KindData &out);
int mapConversations(const View &v, Marks &marks, KindData &out);

// A name as shown in a field of `width` characters: UTF-8 turned into Latin-1 and, when
// longer, cut and ended with "~" and six hex digits of the whole name's SHA-1, so that two
// names never come out equal because they differ only beyond the cut.
std::string fitName(std::string_view utf8, std::size_t width);
// The same for a name already in Latin-1.
std::string fitLatin1(std::string latin1, std::size_t width);

// Writes one object: texts are UTF-8 turned into Latin-1 and cut to the field (on the
// right, or keeping the tail), numbers clamped to what the field holds.
class Out
{
public:
    explicit Out(KindData &data) : m_data(data), m_writer(data) {}
    Out &text(std::string_view field, const std::string &utf8, bool keepTail = false);
    // A name that tells objects apart (server class and name, service, user ID).
    Out &name(std::string_view field, const std::string &utf8);
    Out &latin1(std::string_view field, std::string latin1, bool keepTail = false);
    Out &number(std::string_view field, std::int64_t value);

private:
    const Field &field(std::string_view name) const;
    KindData &m_data;
    ObjectWriter m_writer;
};

inline std::int64_t ratio(std::int64_t a, std::int64_t b)
{
    return b == 0 ? 0 : a / b;
}

} // namespace ostrane::rabbit
