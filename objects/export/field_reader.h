#pragma once
// One kind's stored objects field by field, as the writers read them: each object's record
// bytes through the field table that came with them (ObjectModel::record()). Texts come as
// their Latin-1 bytes, numbers as numbers, words as UTF-8.

#include "field_values.h"
#include "object_model.h"

#include <QList>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace morvain::exporting
{

class FieldReader
{
public:
    explicit FieldReader(const ObjectModel &model);

    const QList<FieldInfo> &columns() const { return m_columns; }
    int objectCount() const { return m_objectCount; }

    // Makes object z (1 to objectCount()) the one the readings below are of. An object
    // without record bytes has no fields.
    void select(int z);
    qsizetype fieldCount() const { return qsizetype(m_fields.size()); }
    // The field table the selected object is read through: the fields are those of the
    // last object as long as it stays the same.
    const void *table() const { return m_table; }
    std::string_view name(qsizetype c) const { return m_fields[std::size_t(c)].name; }
    FieldKind kind(qsizetype c) const { return m_fields[std::size_t(c)].kind; }
    std::int64_t number(qsizetype c) const { return numberIn(m_record.bytes.data(), c); }
    // The selected object's record bytes. numberIn() reads field c of another object's
    // bytes as long as they come with the same table(): one select() serves every object
    // of a table.
    const std::uint8_t *bytes() const { return m_record.bytes.data(); }
    std::int64_t numberIn(const std::uint8_t *bytes, qsizetype c) const
    {
        const Field &f = m_fields[std::size_t(c)];
        const std::uint8_t *at = bytes + f.offset;
        // numberAt() for the widths the records use, inline: the writers read every number.
        switch (f.width) {
        case 1:
            return at[0];
        case 2:
            return std::int16_t(at[0] | at[1] << 8);
        case 4:
            return std::int32_t(std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                                std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24);
        }
        return numberAt(at, f.width);
    }
    // A text field's Latin-1 bytes as stored, untrimmed; a number field's decimal digits.
    // Valid until the next call of text().
    std::string_view text(qsizetype c)
    {
        const Field &f = m_fields[std::size_t(c)];
        if (f.isText) // inline: the writers read every text
            return {reinterpret_cast<const char *>(m_record.bytes.data() + f.offset),
                    std::size_t(f.width)};
        return digits(c);
    }
    // A code's word, or a number's derived reading (UTF-8); empty when there is none.
    // Valid until the next call of word() for the same field.
    std::string_view word(qsizetype c)
    {
        // A number field's last reading, inline: the writers ask for every number's.
        const Field &f = m_fields[std::size_t(c)];
        if (!f.isText && f.kind != FieldKind::Code) {
            const Reading &last = m_readings[std::size_t(c)];
            if (last.known && last.number == number(c))
                return last.text;
        }
        return decodedWord(c);
    }
    // word(c) of a gauge or counter whose number(c) the caller has read as n.
    std::string_view reading(qsizetype c, std::int64_t n)
    {
        const Reading &last = m_readings[std::size_t(c)];
        if (last.known && last.number == n)
            return last.text;
        return decodedWord(c);
    }

private:
    std::string_view decodedWord(qsizetype c);
    std::string_view digits(qsizetype c);

    struct Field {
        std::string_view name;
        int offset = 0;
        int width = 0;
        bool isText = false;
        FieldKind kind = FieldKind::Gauge;
    };

    const ObjectModel &m_model;
    QList<FieldInfo> m_columns;
    int m_objectCount = 0;
    RecordView m_record;           // the selected object's
    const void *m_table = nullptr; // the field table m_fields was made from
    std::vector<Field> m_fields;   // its fields without padding
    // The word of each code seen, per field of m_fields: decoding builds a text each time,
    // and codes repeat down a table.
    std::vector<std::unordered_map<std::int64_t, std::string>> m_words;
    // The last reading of each number field of m_fields: numbers often repeat down a
    // table, and decoding builds a text each time.
    struct Reading {
        bool known = false;
        std::int64_t number = 0;
        std::string text;
    };
    std::vector<Reading> m_readings;
    char m_digits[24] = {};
};

} // namespace morvain::exporting
