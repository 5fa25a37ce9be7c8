#pragma once
// A fixed-layout record held as its wire bytes, with typed access by field name.

#include "wire_field.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace morvain::wire
{

// Blank-padded, cut to the width: how the program assigns every text field.
QByteArray fitText(const QString &value, int width);

template <const auto &Table, int Size> class Record
{
public:
    static constexpr int size = Size;
    static constexpr const auto &fields = Table;
    static_assert(tiles(Table, Size), "fields must follow one another and fill the record");

    template <FieldName Name> std::int32_t int32() const
    {
        constexpr const Field &f = checked<Name, Encoding::Int32>();
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = (v << 8) | m_bytes[f.offset + i];
        return static_cast<std::int32_t>(v);
    }

    template <FieldName Name> void setInt32(std::int32_t value)
    {
        constexpr const Field &f = checked<Name, Encoding::Int32>();
        const auto v = static_cast<std::uint32_t>(value);
        for (int i = 0; i < 4; ++i)
            m_bytes[f.offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    template <FieldName Name> std::int16_t int16() const
    {
        constexpr const Field &f = checked<Name, Encoding::Int16>();
        return static_cast<std::int16_t>(m_bytes[f.offset] | (m_bytes[f.offset + 1] << 8));
    }

    template <FieldName Name> void setInt16(std::int16_t value)
    {
        constexpr const Field &f = checked<Name, Encoding::Int16>();
        const auto v = static_cast<std::uint16_t>(value);
        m_bytes[f.offset] = static_cast<std::uint8_t>(v);
        m_bytes[f.offset + 1] = static_cast<std::uint8_t>(v >> 8);
    }

    template <FieldName Name> std::uint8_t code() const
    {
        return m_bytes[checked<Name, Encoding::Code>().offset];
    }

    template <FieldName Name> void setCode(std::uint8_t value)
    {
        m_bytes[checked<Name, Encoding::Code>().offset] = value;
    }

    // The field's bytes as they stand: full width, untrimmed, zero bytes included.
    template <FieldName Name> QByteArray bytes() const
    {
        constexpr const Field &f = checked<Name, Encoding::Text>();
        return QByteArray(reinterpret_cast<const char *>(m_bytes.data() + f.offset), f.width);
    }

    // The same bytes in place, for comparing and hashing without a copy.
    template <FieldName Name> QByteArrayView view() const
    {
        constexpr const Field &f = checked<Name, Encoding::Text>();
        return {reinterpret_cast<const char *>(m_bytes.data() + f.offset), f.width};
    }

    // The field as the program shows it: every character, nothing trimmed.
    template <FieldName Name> QString text() const { return QString::fromLatin1(bytes<Name>()); }

    template <FieldName Name> void setText(const QString &value)
    {
        constexpr const Field &f = checked<Name, Encoding::Text>();
        setBytes<Name>(fitText(value, f.width));
    }

    // Exactly the given bytes, cut or blank-padded: for values taken back from a call.
    template <FieldName Name> void setBytes(const QByteArray &value)
    {
        constexpr const Field &f = checked<Name, Encoding::Text>();
        const auto n = std::min<qsizetype>(value.size(), f.width);
        std::memcpy(m_bytes.data() + f.offset, value.constData(), std::size_t(n));
        std::memset(m_bytes.data() + f.offset + n, ' ', std::size_t(f.width - n));
    }

    // Padding carries nothing: whatever a call wrote there goes out as zero again.
    void clearPadding()
    {
        for (const Field &f : Table)
            if (f.encoding == Encoding::Padding)
                std::memset(m_bytes.data() + f.offset, 0, f.width);
    }

    std::uint8_t *data() { return m_bytes.data(); }
    const std::uint8_t *data() const { return m_bytes.data(); }
    std::span<std::uint8_t> span() { return m_bytes; }
    std::span<const std::uint8_t> span() const { return m_bytes; }

    bool operator==(const Record &) const = default;

private:
    template <FieldName Name, Encoding E> static constexpr const Field &checked()
    {
        constexpr const Field &f = find(Table, Name.view());
        static_assert(f.encoding == E, "field accessed with the wrong type");
        return f;
    }

    std::array<std::uint8_t, Size> m_bytes{};
};

} // namespace morvain::wire
