#pragma once
// One stored object's fields read straight from its record bytes, for the writers that go
// through every object of every kind: numbers as numbers, texts as their Latin-1 bytes, and
// no text built per field. Padding carries nothing and is no column.

#include "field_values.h"
#include "object_model.h"
#include "wire_field.h"

#include <QByteArray>
#include <QByteArrayView>

#include <charconv>
#include <cstdint>

namespace morvain::exporting
{

struct RecordField {
    const wire::Field &field;
    QByteArrayView latin1;   // Text fields: every byte as stored
    std::int64_t number = 0; // other fields
};

// Calls visit(column, RecordField) for each column of `record`, in record order.
template <class Visit> void forEachField(const RecordView &record, Visit &&visit)
{
    qsizetype column = 0;
    for (const wire::Field &f : record.fields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        const std::uint8_t *at = record.bytes.data() + f.offset;
        if (f.encoding == wire::Encoding::Text)
            visit(column, RecordField{f, {reinterpret_cast<const char *>(at), f.width}, 0});
        else
            visit(column, RecordField{f, {}, numberAt(at, f.width)});
        ++column;
    }
}

// The field's word or derived reading, as values() gives it in `decoded`.
inline QString decodedOf(const RecordView &record, const RecordField &f)
{
    return record.rules->decodedOf(f.field.name, f.number);
}

inline QByteArrayView trimmedBlanks(QByteArrayView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == ' ')
        ++first;
    while (last > first && text.at(last - 1) == ' ')
        --last;
    return text.sliced(first, last - first);
}

inline void appendNumber(QByteArray &out, std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end - digits);
}

// A Latin-1 byte as UTF-8: itself below 0x80, else two bytes.
inline void appendUtf8(QByteArray &out, unsigned char c)
{
    if (c < 0x80) {
        out.append(char(c));
        return;
    }
    const char pair[] = {char(0xc0 | (c >> 6)), char(0x80 | (c & 0x3f))};
    out.append(pair, 2);
}

} // namespace morvain::exporting
