#include "field_reader.h"

#include "field_values.h"
#include "wire_field.h"

#include <charconv>

namespace morvain::exporting
{

FieldReader::FieldReader(const ObjectModel &model)
    : m_model(model), m_columns(model.columns()), m_objectCount(model.objectCount())
{
}

void FieldReader::select(int z)
{
    m_z = z;
    m_record = m_model.record(z);
    if (!m_record.bytes.empty()) {
        if (m_record.fields.data() != m_mapped)
            mapFields();
        return;
    }
    if (m_rows.isEmpty()) {
        m_rows.reserve(m_objectCount);
        for (int i = 1; i <= m_objectCount; ++i)
            m_rows.append(m_model.values(i));
    }
}

// Each field's column, as columnsOf() gives them; the words found so far stay with their
// field as long as the table is the same.
void FieldReader::mapFields()
{
    m_mapped = m_record.fields.data();
    m_fields.clear();
    for (const wire::Field &f : m_record.fields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        const FieldKind kind =
            f.encoding == wire::Encoding::Text ? FieldKind::Text : m_record.rules->kindOf(f.name);
        m_fields.push_back({&f, kind, {}});
    }
}

qsizetype FieldReader::fieldCount() const
{
    if (!m_record.bytes.empty())
        return qsizetype(m_fields.size());
    return m_rows.at(m_z - 1).size();
}

FieldKind FieldReader::kind(qsizetype c) const
{
    return m_record.bytes.empty() ? value(c).kind : m_fields[c].kind;
}

std::int64_t FieldReader::number(qsizetype c) const
{
    if (m_record.bytes.empty())
        return value(c).number;
    const wire::Field &f = *m_fields[c].field;
    return numberAt(m_record.bytes.data() + f.offset, f.width);
}

TextBytes FieldReader::text(qsizetype c)
{
    if (m_record.bytes.empty()) {
        m_text = value(c).text.toUtf8();
        return {m_text, false};
    }
    const wire::Field &f = *m_fields[c].field;
    if (f.encoding == wire::Encoding::Text)
        return {{reinterpret_cast<const char *>(m_record.bytes.data() + f.offset), f.width}, true};
    const auto end = std::to_chars(m_digits, m_digits + sizeof m_digits, number(c)).ptr;
    return {{m_digits, end - m_digits}, false};
}

QByteArrayView FieldReader::word(qsizetype c)
{
    if (m_record.bytes.empty()) {
        m_word = value(c).decoded.toUtf8();
        return m_word;
    }
    Column &column = m_fields[c];
    if (column.field->encoding == wire::Encoding::Text)
        return {};
    const std::int64_t n = number(c);
    if (column.kind == FieldKind::Code) {
        auto found = column.words.constFind(n);
        if (found == column.words.constEnd())
            found =
                column.words.insert(n, m_record.rules->decodedOf(column.field->name, n).toUtf8());
        return *found;
    }
    const QString reading = m_record.rules->decodedOf(column.field->name, n);
    if (reading.isEmpty())
        return {};
    m_word = reading.toUtf8();
    return m_word;
}

} // namespace morvain::exporting
