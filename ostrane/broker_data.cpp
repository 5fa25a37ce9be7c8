#include "broker_data.h"

#include "wire.h"

#include <algorithm>
#include <string_view>

namespace ostrane
{

void CallScript::overlay(const CallScript &over)
{
    if (over.result_code)
        result_code = over.result_code;
    if (over.error_text)
        error_text = over.error_text;
    if (over.conv_id)
        conv_id = over.conv_id;
    if (over.object)
        object = over.object;
    for (int i = 0; i < header_field_count; ++i)
        if (over.header[i])
            header[i] = over.header[i];
}

CallScript KindData::scriptFor(int callNumber) const
{
    CallScript s = every_call;
    if (callNumber >= 1 && static_cast<std::size_t>(callNumber) <= calls.size())
        s.overlay(calls[static_cast<std::size_t>(callNumber) - 1]);
    return s;
}

std::array<std::int32_t, header_field_count> KindData::header() const
{
    std::array<std::int32_t, header_field_count> h{};
    h[total_num_objects] = count();
    for (int i = 0; i < count(); ++i) {
        const std::uint8_t *obj = object(i);
        for (const Field &f : kind->fields) {
            if (f.measure == Measure::None)
                continue;
            const std::string_view text(
                reinterpret_cast<const char *>(obj + (f.offset - header_size)),
                static_cast<std::size_t>(f.width));
            const auto len = static_cast<std::int32_t>(wire::rtrimmed(text).size());
            const int slot = f.measure == Measure::ServerClass  ? max_sc_len
                             : f.measure == Measure::ServerName ? max_sn_len
                             : f.measure == Measure::Service    ? max_sv_len
                             : f.measure == Measure::UserId     ? max_uid_len
                                                                : max_tk_len;
            h[slot] = std::max(h[slot], len);
        }
    }
    return h;
}

ObjectWriter::ObjectWriter(KindData &data) : m_data(data), m_at(data.objects.size())
{
    const int length = data.kind->objectLength();
    data.objects.resize(m_at + static_cast<std::size_t>(length), 0);
    for (const Field &f : data.kind->fields)
        if (f.type == Type::Text)
            putText(data.objects.data() + m_at, f, {});
}

const Field *ObjectWriter::find(const Kind &kind, std::string_view name)
{
    for (const Field &f : kind.fields)
        if (f.name == name)
            return &f;
    return nullptr;
}

const Field &ObjectWriter::field(std::string_view name, Type type) const
{
    const Field *f = find(*m_data.kind, name);
    if (!f || (type == Type::Text) != (f->type == Type::Text))
        throw DataError("no such field: " + std::string(name));
    return *f;
}

void ObjectWriter::putText(std::uint8_t *object, const Field &f, std::string_view latin1)
{
    if (latin1.size() > static_cast<std::size_t>(f.width))
        throw DataError("text longer than " + std::to_string(f.width) + " for " +
                        std::string(f.name));
    wire::putText(object + (f.offset - header_size), f.width, latin1);
}

void ObjectWriter::putNumber(std::uint8_t *object, const Field &f, std::int64_t value)
{
    // Unsigned spellings are taken too, so a test can ask for "the top bit set".
    const std::int64_t span = std::int64_t{1} << (8 * f.width);
    if (value < -span / 2 || value >= span)
        throw DataError("number out of range for " + std::string(f.name));
    wire::putInt(object + (f.offset - header_size), f.width, value);
}

ObjectWriter &ObjectWriter::text(std::string_view name, std::string_view latin1)
{
    putText(m_data.objects.data() + m_at, field(name, Type::Text), latin1);
    return *this;
}

ObjectWriter &ObjectWriter::number(std::string_view name, std::int64_t value)
{
    putNumber(m_data.objects.data() + m_at, field(name, Type::Int32), value);
    return *this;
}

} // namespace ostrane
