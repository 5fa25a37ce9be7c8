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
    m_record = m_model.record(z);
    if (m_record.bytes.empty()) {
        m_fields.clear();
        m_table = nullptr;
        return;
    }
    if (m_record.fields.data() == m_table)
        return;
    m_table = m_record.fields.data();
    m_fields.clear();
    m_words.clear();
    m_readings.clear();
    for (const wire::Field &f : m_record.fields) {
        if (f.encoding == wire::Encoding::Padding)
            continue;
        const bool isText = f.encoding == wire::Encoding::Text;
        m_fields.push_back({f.name, f.offset, f.width, isText,
                            isText ? FieldKind::Text : m_record.rules->kindOf(f.name)});
    }
    m_words.resize(m_fields.size());
    m_readings.assign(m_fields.size(), {});
}

std::string_view FieldReader::digits(qsizetype c)
{
    const auto end = std::to_chars(m_digits, m_digits + sizeof m_digits, number(c)).ptr;
    return {m_digits, std::size_t(end - m_digits)};
}

std::string_view FieldReader::decodedWord(qsizetype c)
{
    const Field &f = m_fields[std::size_t(c)];
    if (f.isText)
        return {};
    const std::int64_t n = number(c);
    if (f.kind != FieldKind::Code) {
        Reading &last = m_readings[std::size_t(c)];
        if (!last.known || last.number != n)
            last = {true, n, m_record.rules->decodedOf(f.name, n).toStdString()};
        return last.text;
    }
    auto &words = m_words[std::size_t(c)];
    auto found = words.find(n);
    if (found == words.end())
        found = words.emplace(n, m_record.rules->decodedOf(f.name, n).toStdString()).first;
    return found->second;
}

} // namespace morvain::exporting
