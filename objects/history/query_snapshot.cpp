#include "query_snapshot.h"

#include "decimal.h"
#include "field_values.h"
#include "text_support.h"

#include <algorithm>

namespace morvain
{

QuerySnapshot::QuerySnapshot(const ObjectModel &model, qint64 msecs, const QuerySnapshot *before)
    : m_at(msecs)
{
    const int count = model.objectCount();
    const RecordView first = count > 0 ? model.record(1) : RecordView{};
    if (first.bytes.empty() || !first.rules)
        return; // nothing stored, or nothing a view can read
    m_count = count;
    m_rules = first.rules;
    for (const wire::Field &f : first.fields)
        if (f.encoding != wire::Encoding::Padding)
            m_columns.push_back(&f);
    m_recordSize = qsizetype(first.bytes.size());
    m_bytes.reserve(m_recordSize * m_count);
    for (int z = 1; z <= m_count; ++z) {
        const std::span<const std::uint8_t> one = model.record(z).bytes;
        m_bytes.append(reinterpret_cast<const char *>(one.data()), qsizetype(one.size()));
    }

    if (before && sameRecords(*this, *before)) {
        m_bytes = before->m_bytes; // one copy for both
        m_keys = before->m_keys;
        m_rowOf = before->m_rowOf;
        m_nextSame = before->m_nextSame;
        m_occurrence = before->m_occurrence;
        return;
    }
    m_keys.reserve(m_count);
    m_rowOf.reserve(m_count);
    m_nextSame.assign(std::size_t(m_count), -1);
    m_occurrence.assign(std::size_t(m_count), 0);
    QHash<QString, int> last; // key -> its last row so far
    for (int r = 0; r < m_count; ++r) {
        const QString key = model.keyOfRecord(record(r));
        m_keys.append(key);
        if (const auto seen = last.find(key); seen != last.end()) {
            m_nextSame[std::size_t(*seen)] = r;
            m_occurrence[std::size_t(r)] = m_occurrence[std::size_t(*seen)] + 1;
            *seen = r;
        } else { // a repeated key stays with its first row
            m_rowOf.insert(key, r);
            last.insert(key, r);
        }
    }
}

int QuerySnapshot::rowOf(const QString &key, int nth) const
{
    const int first = rowOf(key);
    int row = first;
    for (int i = 0; i < nth && row >= 0; ++i)
        row = m_nextSame[std::size_t(row)];
    return row >= 0 ? row : first;
}

std::span<const std::uint8_t> QuerySnapshot::record(int r) const
{
    return {reinterpret_cast<const std::uint8_t *>(m_bytes.constData()) + r * m_recordSize,
            std::size_t(m_recordSize)};
}

std::span<const std::uint8_t> QuerySnapshot::cell(int r, int column) const
{
    const wire::Field &f = field(column);
    return record(r).subspan(f.offset, std::size_t(f.width));
}

std::int64_t QuerySnapshot::number(int r, int column) const
{
    const wire::Field &f = field(column);
    return f.encoding == wire::Encoding::Text ? 0 : numberAt(cell(r, column).data(), f.width);
}

QAnyStringView QuerySnapshot::shownText(int r, int column) const
{
    const std::span<const std::uint8_t> at = cell(r, column);
    return QLatin1StringView(morvain::shownText(
        QByteArrayView(reinterpret_cast<const char *>(at.data()), qsizetype(at.size()))));
}

QString QuerySnapshot::decoded(int r, int column) const
{
    const wire::Field &f = field(column);
    return f.encoding == wire::Encoding::Text ? QString()
                                              : m_rules->decodedOf(f.name, number(r, column));
}

QString QuerySnapshot::text(int r, int column) const
{
    const wire::Field &f = field(column);
    if (f.encoding != wire::Encoding::Text)
        return decimal(number(r, column));
    const std::span<const std::uint8_t> at = cell(r, column);
    return QString::fromLatin1(reinterpret_cast<const char *>(at.data()), qsizetype(at.size()));
}

FieldValue QuerySnapshot::value(int r, int column) const
{
    const wire::Field &f = field(column);
    FieldValue v;
    v.name = QString::fromLatin1(f.name.data(), qsizetype(f.name.size()));
    v.kind = f.encoding == wire::Encoding::Text ? FieldKind::Text : m_rules->kindOf(f.name);
    v.text = text(r, column);
    v.number = number(r, column);
    v.decoded = decoded(r, column);
    return v;
}

bool sameRecords(const QuerySnapshot &a, const QuerySnapshot &b)
{
    if (a.m_columns.empty() || a.m_count != b.m_count || a.m_recordSize != b.m_recordSize)
        return false;
    return a.m_bytes.constData() == b.m_bytes.constData() || a.m_bytes == b.m_bytes;
}

} // namespace morvain
