#pragma once
// One kind's stored objects field by field, as the writers read them: straight from the
// record bytes where the model keeps them, else from values(). Texts come as their bytes,
// numbers as numbers, words as UTF-8, so a writer builds no text per field. A code's word
// is decoded once per code seen and kept for the rest of the kind. The record path is
// inline: the writers call it for every field of every object.

#include "byte_buffer.h"
#include "object_model.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace morvain::exporting
{

class FieldReader
{
public:
    explicit FieldReader(const ObjectModel &model);

    const QList<FieldInfo> &columns() const { return m_columns; }
    int objectCount() const { return m_objectCount; }

    // Makes object z (1 to objectCount()) the one the readings below are of.
    void select(int z)
    {
        m_z = z;
        m_record = m_records[std::size_t(z - 1)];
        m_inRecord = !m_record.bytes.empty();
        if (!m_inRecord || m_record.fields.data() != m_mapped)
            selectSlowly();
    }
    qsizetype fieldCount() const
    {
        return m_inRecord ? qsizetype(m_fields.size()) : m_rows.at(m_z - 1).size();
    }
    FieldKind kind(qsizetype c) const { return m_inRecord ? m_fields[c].kind : value(c).kind; }
    std::int64_t number(qsizetype c) const
    {
        if (!m_inRecord)
            return value(c).number;
        const Column &f = m_fields[c];
        const std::uint8_t *at = m_record.bytes.data() + f.offset;
        // The widths records use, spelt out; numberAt() reads any.
        if (f.width == 2)
            return std::int16_t(at[0] | at[1] << 8);
        if (f.width == 4)
            return std::int32_t(std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 |
                                std::uint32_t(at[2]) << 16 | std::uint32_t(at[3]) << 24);
        return anyNumber(at, f.width);
    }
    // A text field's bytes as stored, untrimmed; a number field's decimal text. Valid until
    // the next call of text().
    TextBytes text(qsizetype c)
    {
        if (!m_inRecord)
            return valueText(c);
        const Column &f = m_fields[c];
        if (f.isText)
            return {{reinterpret_cast<const char *>(m_record.bytes.data() + f.offset), f.width},
                    true};
        const auto end = std::to_chars(m_digits, m_digits + sizeof m_digits, number(c)).ptr;
        return {{m_digits, end - m_digits}, false};
    }
    // A code's word, or a number's derived reading; empty when there is none. Valid until
    // the next call of word().
    QByteArrayView word(qsizetype c)
    {
        if (!m_inRecord)
            return valueWord(c);
        Column &f = m_fields[c];
        if (f.isText)
            return {};
        const std::int64_t n = number(c);
        if (f.kind != FieldKind::Code) {
            if (f.readingKnown && f.readingOf == n)
                return f.reading;
            return reading(f, n);
        }
        if (n >= 0 && n < std::int64_t(f.smallWords.size()) && f.smallWords[std::size_t(n)])
            return *f.smallWords[std::size_t(n)];
        return codeWord(f, n);
    }

private:
    struct Column {
        std::string_view name;
        int offset = 0;
        int width = 0;
        bool isText = false;
        FieldKind kind = FieldKind::Gauge;
        // Codes only: the word of each code seen, codes 0 to 255 by place.
        std::vector<std::optional<QByteArray>> smallWords;
        QHash<std::int64_t, QByteArray> words;
        // Other numbers: the reading of the last number read, since runs of one number
        // (mostly zero) are common and a decoding depends on the name and number alone.
        bool readingKnown = false;
        std::int64_t readingOf = 0;
        QByteArray reading;
    };
    void selectSlowly();
    static std::int64_t anyNumber(const std::uint8_t *at, int width);
    const FieldValue &value(qsizetype c) const { return m_rows.at(m_z - 1).at(c); }
    TextBytes valueText(qsizetype c);
    QByteArrayView valueWord(qsizetype c);
    QByteArrayView reading(Column &f, std::int64_t n);
    QByteArrayView codeWord(Column &f, std::int64_t n);

    const ObjectModel &m_model;
    QList<FieldInfo> m_columns;
    int m_objectCount = 0;
    int m_z = 0;
    std::vector<RecordView> m_records; // object z's at z - 1; empty bytes when it has none
    RecordView m_record;               // the selected object's
    bool m_inRecord = false;           // it has bytes: read them, not m_rows
    const void *m_mapped = nullptr;    // the field table m_fields follows
    std::vector<Column> m_fields;      // the record's fields without padding
    QList<QList<FieldValue>> m_rows;   // every object's values, read once if any is needed
    QByteArray m_text;
    QByteArray m_word;
    char m_digits[24] = {};
};

} // namespace morvain::exporting
