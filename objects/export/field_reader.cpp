#include "field_reader.h"

#include "field_values.h"
#include "wire_field.h"

namespace morvain::exporting
{

FieldReader::FieldReader(const ObjectModel &model)
    : m_model(model), m_columns(model.columns()), m_objectCount(model.objectCount())
{
    m_records.reserve(std::size_t(m_objectCount));
    for (int z = 1; z <= m_objectCount; ++z)
        m_records.push_back(model.record(z));
}

// A record with another field table than the last: each field's column, as columnsOf()
// gives them. An object without a record: every object's values, once.
void FieldReader::selectSlowly()
{
    if (!m_inRecord) {
        if (m_rows.isEmpty()) {
            m_rows.reserve(m_objectCount);
            for (int z = 1; z <= m_objectCount; ++z)
                m_rows.append(m_model.values(z));
        }
        return;
    }
    m_mapped = m_record.fields.data();
    m_fields.clear();
    for (const wire::Field &f : m_record.fields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        const bool isText = f.encoding == wire::Encoding::Text;
        Column column{f.name, f.offset, f.width, isText, FieldKind::Text, {}, {}, false, 0, {}};
        if (!isText)
            column.kind = m_record.rules->kindOf(f.name);
        if (column.kind == FieldKind::Code)
            column.smallWords.resize(256);
        m_fields.push_back(std::move(column));
    }
}

std::int64_t FieldReader::anyNumber(const std::uint8_t *at, int width)
{
    return numberAt(at, width);
}

TextBytes FieldReader::valueText(qsizetype c)
{
    m_text = value(c).text.toUtf8();
    return {m_text, false};
}

QByteArrayView FieldReader::valueWord(qsizetype c)
{
    m_word = value(c).decoded.toUtf8();
    return m_word;
}

QByteArrayView FieldReader::reading(Column &f, std::int64_t n)
{
    f.reading = m_record.rules->decodedOf(f.name, n).toUtf8();
    f.readingOf = n;
    f.readingKnown = true;
    return f.reading;
}

// A code not seen yet among 0 to 255, or any other.
QByteArrayView FieldReader::codeWord(Column &f, std::int64_t n)
{
    const auto decoded = [&] { return m_record.rules->decodedOf(f.name, n).toUtf8(); };
    if (n >= 0 && n < std::int64_t(f.smallWords.size()))
        return *(f.smallWords[std::size_t(n)] = decoded());
    auto found = f.words.constFind(n);
    if (found == f.words.constEnd())
        found = f.words.insert(n, decoded());
    return *found;
}

} // namespace morvain::exporting
