#include "change_tracker.h"

#include <algorithm>

namespace morvain
{

FieldChange changeOf(const QuerySnapshot &before, int beforeRow, int column, const FieldValue &now,
                     qint64 nowAt)
{
    FieldChange change;
    if (beforeRow < 0) {
        change.state = ChangeState::New;
        return change;
    }
    const FieldValue old = before.value(beforeRow, column);
    if (old.text == now.text)
        return change;
    change.state = ChangeState::Changed;
    change.oldText = old.text;
    change.oldDecoded = old.decoded;
    const qint64 elapsed = nowAt - before.at();
    if (now.kind == FieldKind::Counter && elapsed > 0)
        change.perSecond = double(now.number - old.number) * 1000.0 / double(elapsed);
    return change;
}

bool sameCell(const QuerySnapshot &before, int beforeRow, const QuerySnapshot &now, int row,
              int column)
{
    const std::span<const std::uint8_t> old = before.cell(beforeRow, column);
    const std::span<const std::uint8_t> cell = now.cell(row, column);
    return std::equal(old.begin(), old.end(), cell.begin(), cell.end());
}

FieldChange changeOf(const QuerySnapshot &before, int beforeRow, const QuerySnapshot &now, int row,
                     int column)
{
    if (beforeRow >= 0 && sameCell(before, beforeRow, now, row, column))
        return {};
    return changeOf(before, beforeRow, column, now.value(row, column), now.at());
}

QStringList goneKeys(const QuerySnapshot &before, const QuerySnapshot &now)
{
    QStringList gone;
    const QStringList &keys = before.keys();
    for (int row = 0; row < keys.size(); ++row)
        if (before.rowOf(keys[row]) == row && now.rowOf(keys[row]) < 0)
            gone << keys[row];
    return gone;
}

void ChangeTracker::record(const ObjectModel &model, qint64 msecs)
{
    QuerySnapshot latest(model, msecs, &m_latest);
    m_previous = std::move(m_latest);
    m_latest = std::move(latest);
    m_hasBaseline = m_hasLatest;
    m_hasLatest = true;
    m_sameAsBefore = m_hasBaseline && sameRecords(m_latest, m_previous);
    m_gone = m_hasBaseline && !m_sameAsBefore ? goneKeys(m_previous, m_latest) : QStringList();
}

int ChangeTracker::previousRowOf(int r) const
{
    return m_hasBaseline ? m_previous.rowOf(m_latest.keys()[r], m_latest.occurrence(r)) : -1;
}

ChangeState ChangeTracker::objectState(const QString &key) const
{
    if (!m_hasBaseline)
        return ChangeState::Unchanged;
    return m_previous.rowOf(key) >= 0 ? ChangeState::Unchanged : ChangeState::New;
}

FieldChange ChangeTracker::change(int r, int column) const
{
    if (!m_hasBaseline)
        return {};
    return changeOf(m_previous, previousRowOf(r), m_latest, r, column);
}

FieldChange ChangeTracker::field(const QString &key, int column, const FieldValue &value) const
{
    if (!m_hasBaseline)
        return {};
    return changeOf(m_previous, m_previous.rowOf(key), column, value, m_latest.at());
}

} // namespace morvain
