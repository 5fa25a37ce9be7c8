#include "change_tracker.h"

#include "decimal.h"
#include "field_values.h"
#include "text_support.h"

#include <algorithm>

namespace morvain
{

ChangeTracker::Query::Query(const ObjectModel &model)
    : m_model(&model), m_count(model.objectCount())
{
    const RecordView first = m_count > 0 ? model.record(1) : RecordView{};
    if (first.bytes.empty() || !first.rules) {
        m_count = 0; // nothing stored, or nothing a view can read
        return;
    }
    m_layout = {{}, first.fields, first.rules};
    for (const wire::Field &f : first.fields)
        if (f.encoding != wire::Encoding::Padding)
            m_columns.push_back(&f);
    m_recordSize = qsizetype(first.bytes.size());
    m_live = true;
}

void ChangeTracker::Query::detach()
{
    if (!m_live)
        return;
    QByteArray bytes;
    bytes.reserve(m_recordSize * m_count);
    for (int r = 0; r < m_count; ++r) {
        const std::span<const std::uint8_t> one = record(r);
        bytes.append(reinterpret_cast<const char *>(one.data()), qsizetype(one.size()));
    }
    m_bytes = std::move(bytes);
    m_live = false;
}

const QList<QList<FieldValue>> &ChangeTracker::Query::rows() const
{
    if (!m_rows) {
        QList<QList<FieldValue>> rows;
        rows.reserve(m_count);
        for (int r = 0; r < m_count; ++r)
            rows.append(valuesOf(record(r), m_layout.fields, *m_layout.rules));
        m_rows = std::move(rows);
    }
    return *m_rows;
}

const QList<FieldValue> &ChangeTracker::Query::row(int r) const
{
    if (m_rows)
        return (*m_rows)[r];
    auto found = m_someRows.find(r);
    if (found == m_someRows.end())
        found = m_someRows.emplace(r, valuesOf(record(r), m_layout.fields, *m_layout.rules)).first;
    return found->second;
}

QString ChangeTracker::Query::key(int r) const
{
    return m_keys ? (*m_keys)[r] : m_model->keyOfRecord(record(r));
}

const QStringList &ChangeTracker::Query::keys() const
{
    if (!m_keys) {
        QStringList keys;
        keys.reserve(m_count);
        for (int r = 0; r < m_count; ++r)
            keys.append(m_model->keyOfRecord(record(r)));
        m_keys = std::move(keys);
    }
    return *m_keys;
}

const QHash<QString, int> &ChangeTracker::Query::first() const
{
    if (!m_first) {
        QHash<QString, int> first;
        const QStringList &all = keys();
        first.reserve(all.size());
        for (int r = 0; r < all.size(); ++r)
            if (!first.contains(all[r])) // a repeated key stays with its first row
                first.insert(all[r], r);
        m_first = std::move(first);
    }
    return *m_first;
}

int ChangeTracker::Query::findAmongFirst(const QString &key, int rows) const
{
    if (m_first) {
        const auto found = m_first->constFind(key);
        return found == m_first->cend() || *found >= rows ? -1 : *found;
    }
    for (int r = 0; r < std::min(rows, m_count); ++r)
        if (this->key(r) == key)
            return r;
    return -1;
}

std::int64_t ChangeTracker::Query::number(int r, int column) const
{
    const wire::Field &f = *m_columns[std::size_t(column)];
    return f.encoding == wire::Encoding::Text ? 0 : numberAt(record(r).data() + f.offset, f.width);
}

QAnyStringView ChangeTracker::Query::shownText(int r, int column) const
{
    const wire::Field &f = *m_columns[std::size_t(column)];
    const char *at = reinterpret_cast<const char *>(record(r).data() + f.offset);
    return QLatin1StringView(morvain::shownText(QByteArrayView(at, f.width)));
}

QString ChangeTracker::Query::decoded(int r, int column) const
{
    const wire::Field &f = *m_columns[std::size_t(column)];
    return f.encoding == wire::Encoding::Text
               ? QString()
               : m_layout.rules->decodedOf(f.name, number(r, column));
}

QString ChangeTracker::Query::text(int r, int column) const
{
    const wire::Field &f = *m_columns[std::size_t(column)];
    if (f.encoding != wire::Encoding::Text)
        return decimal(number(r, column));
    return QString::fromLatin1(reinterpret_cast<const char *>(record(r).data() + f.offset),
                               f.width);
}

// The same bytes: the same text, or the same number.
bool ChangeTracker::Query::sameField(int r, const Query &other, int otherRow, int column) const
{
    const wire::Field &f = *m_columns[std::size_t(column)];
    return std::equal(record(r).begin() + f.offset, record(r).begin() + f.offset + f.width,
                      other.record(otherRow).begin() + f.offset);
}

std::span<const std::uint8_t> ChangeTracker::Query::record(int row) const
{
    if (m_live)
        return m_model->record(row + 1).bytes;
    return {reinterpret_cast<const std::uint8_t *>(m_bytes.constData()) + row * m_recordSize,
            std::size_t(m_recordSize)};
}

void ChangeTracker::record(const ObjectModel &model, qint64 msecs)
{
    m_latest.detach(); // a query before is never read from the model
    m_previous = std::move(m_latest);
    m_previousAt = m_latestAt;
    m_hasBaseline = m_hasLatest;

    m_latest = Query(model);
    m_latestAt = msecs;
    m_sameAsBefore.reset();
    m_gone.reset();
    m_hasLatest = true;
}

bool ChangeTracker::Query::sameRecords(const Query &other) const
{
    if (m_columns.empty() || m_count != other.m_count || m_recordSize != other.m_recordSize)
        return false;
    if (!m_live && !other.m_live)
        return m_bytes == other.m_bytes;
    for (int r = 0; r < m_count; ++r) {
        const std::span<const std::uint8_t> mine = record(r), theirs = other.record(r);
        if (!std::equal(mine.begin(), mine.end(), theirs.begin(), theirs.end()))
            return false;
    }
    return true;
}

bool ChangeTracker::sameAsBefore() const
{
    if (!m_sameAsBefore)
        m_sameAsBefore = m_hasBaseline && m_latest.sameRecords(m_previous);
    return *m_sameAsBefore;
}

const QStringList &ChangeTracker::gone() const
{
    if (m_gone)
        return *m_gone;
    QStringList &gone = m_gone.emplace();
    if (sameAsBefore())
        return gone;
    const QStringList &keys = m_previous.keys();
    const QHash<QString, int> &before = m_previous.first();
    const QHash<QString, int> &now = m_latest.first();
    for (int row = 0; row < keys.size(); ++row)
        if (before.value(keys[row]) == row && !now.contains(keys[row]))
            gone << keys[row];
    return gone;
}

const QList<FieldValue> *ChangeTracker::before(const QString &key) const
{
    if (!m_hasBaseline)
        return nullptr;
    const QHash<QString, int> &first = m_previous.first();
    const auto found = first.constFind(key);
    return found == first.cend() ? nullptr : &m_previous.row(*found);
}

const QList<FieldValue> *ChangeTracker::beforeRow(int r) const
{
    const int found = previousRowOf(r);
    return found >= 0 ? &m_previous.row(found) : nullptr;
}

int ChangeTracker::previousRowOf(int r) const
{
    if (!m_hasBaseline)
        return -1;
    const QString key = m_latest.key(r);
    // Objects mostly come back in the order they had: a tab's first object is then found
    // among the first few before, without reading every key of the query before.
    constexpr int nearby = 4;
    const int found = r < nearby ? m_previous.findAmongFirst(key, nearby) : -1;
    return found >= 0 ? found : previousRow(key);
}

const QList<FieldValue> &ChangeTracker::previousFields(int previousRow) const
{
    return m_previous.row(previousRow);
}

int ChangeTracker::previousRow(const QString &key) const
{
    return m_hasBaseline ? m_previous.first().value(key, -1) : -1;
}

bool ChangeTracker::differs(int r, int previousRow, int column) const
{
    return !m_latest.sameField(r, m_previous, previousRow, column);
}

ChangeState ChangeTracker::objectState(const QString &key) const
{
    if (!m_hasBaseline)
        return ChangeState::Unchanged;
    return m_previous.first().contains(key) ? ChangeState::Unchanged : ChangeState::New;
}

FieldChange ChangeTracker::field(const QString &key, int column, const FieldValue &value) const
{
    return compare(before(key), column, value);
}

FieldChange ChangeTracker::compare(const QList<FieldValue> *before, int column,
                                   const FieldValue &value) const
{
    FieldChange change;
    if (!m_hasBaseline)
        return change;
    if (!before) {
        change.state = ChangeState::New;
        return change;
    }
    const QList<FieldValue> &fields = *before;
    const FieldValue *old = nullptr;
    if (column >= 0 && column < fields.size() && fields[column].name == value.name)
        old = &fields[column];
    for (qsizetype i = 0; !old && i < fields.size(); ++i)
        if (fields[i].name == value.name)
            old = &fields[i];
    if (!old || old->text == value.text)
        return change;
    change.state = ChangeState::Changed;
    change.oldText = old->text;
    change.oldDecoded = old->decoded;
    const qint64 elapsed = m_latestAt - m_previousAt;
    if (value.kind == FieldKind::Counter && elapsed > 0)
        change.perSecond = double(value.number - old->number) * 1000.0 / double(elapsed);
    return change;
}

} // namespace morvain
