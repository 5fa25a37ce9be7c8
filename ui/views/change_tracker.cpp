#include "change_tracker.h"

namespace morvain
{

ChangeTracker::Query ChangeTracker::read(const ObjectModel &model)
{
    Query query;
    const int count = model.objectCount();
    query.rows.reserve(count);
    query.keys.reserve(count);
    query.first.reserve(count);
    for (int z = 1; z <= count; ++z) {
        const QString key = model.key(z);
        if (!query.first.contains(key)) // a repeated key stays with its first row
            query.first.insert(key, z - 1);
        query.rows.append(model.values(z));
        query.keys.append(key);
    }
    return query;
}

void ChangeTracker::record(const ObjectModel &model, qint64 msecs)
{
    m_previous = std::move(m_latest);
    m_previousAt = m_latestAt;
    m_hasBaseline = m_hasLatest;

    m_latest = read(model);
    m_latestAt = msecs;
    m_hasLatest = true;

    m_gone.clear();
    for (int row = 0; row < m_previous.keys.size(); ++row) {
        const QString &key = m_previous.keys[row];
        if (m_previous.first.value(key) == row && !m_latest.first.contains(key))
            m_gone << key;
    }
}

const QList<FieldValue> *ChangeTracker::before(const QString &key) const
{
    if (!m_hasBaseline)
        return nullptr;
    const auto found = m_previous.first.constFind(key);
    return found == m_previous.first.cend() ? nullptr : &m_previous.rows[*found];
}

ChangeState ChangeTracker::objectState(const QString &key) const
{
    if (!m_hasBaseline)
        return ChangeState::Unchanged;
    return m_previous.first.contains(key) ? ChangeState::Unchanged : ChangeState::New;
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
