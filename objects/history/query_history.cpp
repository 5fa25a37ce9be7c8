#include "query_history.h"

#include "field_values.h"

#include <QSet>

namespace morvain
{

QueryHistory::QueryHistory() : QueryHistory(Limits{}) {}

QueryHistory::QueryHistory(Limits limits) : m_limits(limits) {}

void QueryHistory::record(const ObjectModel &model, qint64 msecs)
{
    if (m_slot.empty()) {
        // The layout is the kind's; it is read once, from the first query's columns.
        for (const FieldInfo &field : model.columns()) {
            const bool number = field.kind != FieldKind::Text;
            m_slot.push_back(number ? m_width++ : -1);
            m_kinds.push_back(field.kind);
        }
    }
    const std::uint32_t number = m_first + std::uint32_t(m_times.size());
    m_times.push_back(msecs);

    const int count = model.shownCount();
    QStringList keys;
    keys.reserve(count);
    QSet<QString> seen;
    seen.reserve(count);
    for (int z = 1; z <= count; ++z) {
        QString key = model.key(z);
        if (seen.contains(key))
            continue; // a repeated key is shown by its first row
        const RecordView view = model.record(z);
        if (view.bytes.empty())
            continue;
        seen.insert(key);
        auto found = m_tracks.find(key);
        if (found == m_tracks.end())
            found = m_tracks.insert(key, Track{msecs, {}, {}});
        Track &track = *found;
        track.queries.push_back(number);
        int column = 0;
        for (const wire::Field &f : view.fields) {
            if (f.encoding == wire::Encoding::Padding)
                continue;
            // Fields of at most four bytes: every reading fits 32 bits.
            if (std::size_t(column) < m_slot.size() && m_slot[std::size_t(column)] >= 0)
                track.values.push_back(
                    f.encoding == wire::Encoding::Text || f.width > 4
                        ? 0
                        : std::int32_t(numberAt(view.bytes.data() + f.offset, f.width)));
            ++column;
        }
        keys.append(std::move(key));
    }

    const bool hadQuery = m_times.size() > 1;
    const QSet<QString> before(m_latestKeys.cbegin(), m_latestKeys.cend());
    m_new.clear();
    m_gone.clear();
    for (const QString &key : std::as_const(keys))
        if (hadQuery && !before.contains(key))
            m_new.append(key);
    for (const QString &key : std::as_const(m_latestKeys))
        if (!seen.contains(key))
            m_gone.append(key);
    m_latestKeys = std::move(keys);
    dropOld();
}

void QueryHistory::dropOld()
{
    bool dropped = false;
    while (m_times.size() > std::size_t(std::max(1, m_limits.queries)) ||
           m_times.back() - m_times.front() > m_limits.span) {
        m_times.pop_front();
        ++m_first;
        dropped = true;
    }
    if (!dropped)
        return;
    for (auto it = m_tracks.begin(); it != m_tracks.end();) {
        Track &track = *it;
        while (!track.queries.empty() && track.queries.front() < m_first) {
            track.queries.pop_front();
            track.values.erase(track.values.begin(), track.values.begin() + m_width);
        }
        it = track.queries.empty() ? m_tracks.erase(it) : std::next(it);
    }
}

std::optional<qint64> QueryHistory::latestAt() const
{
    return m_times.empty() ? std::nullopt : std::optional(m_times.back());
}

bool QueryHistory::kept(int column) const
{
    return column >= 0 && std::size_t(column) < m_slot.size() && m_slot[std::size_t(column)] >= 0;
}

const QueryHistory::Track *QueryHistory::track(const QString &key) const
{
    const auto found = m_tracks.constFind(key);
    return found == m_tracks.cend() ? nullptr : &*found;
}

qint64 QueryHistory::timeOf(std::uint32_t query) const
{
    return m_times[query - m_first];
}

std::optional<std::int64_t> QueryHistory::latest(const QString &key, int column) const
{
    const Track *t = track(key);
    if (!t || !kept(column) || t->queries.back() + 1 != m_first + m_times.size())
        return std::nullopt;
    return t->values[(t->queries.size() - 1) * std::size_t(m_width) +
                     std::size_t(m_slot[std::size_t(column)])];
}

std::optional<std::int64_t> QueryHistory::before(const QString &key, int column) const
{
    const Track *t = track(key);
    if (!latest(key, column) || t->queries.size() < 2)
        return std::nullopt;
    return t->values[(t->queries.size() - 2) * std::size_t(m_width) +
                     std::size_t(m_slot[std::size_t(column)])];
}

std::optional<double> QueryHistory::rate(const QString &key, int column) const
{
    const std::optional<std::int64_t> now = latest(key, column), was = before(key, column);
    if (!now || !was)
        return std::nullopt;
    const Track &t = *track(key);
    const qint64 elapsed = timeOf(t.queries.back()) - timeOf(t.queries[t.queries.size() - 2]);
    if (elapsed <= 0 || (m_kinds[std::size_t(column)] == FieldKind::Counter && *now < *was))
        return std::nullopt;
    return double(*now - *was) * 1000.0 / double(elapsed);
}

std::vector<SeriesPoint> QueryHistory::series(const QString &key, int column, int last) const
{
    std::vector<SeriesPoint> points;
    const Track *t = track(key);
    if (!t || !kept(column))
        return points;
    const std::size_t n = t->queries.size();
    const std::size_t from = last > 0 && std::size_t(last) < n ? n - std::size_t(last) : 0;
    const std::size_t slot = std::size_t(m_slot[std::size_t(column)]);
    points.reserve(n - from);
    for (std::size_t i = from; i < n; ++i)
        points.push_back({timeOf(t->queries[i]), t->values[i * std::size_t(m_width) + slot]});
    return points;
}

std::optional<qint64> QueryHistory::seenSince(const QString &key) const
{
    const Track *t = track(key);
    return t ? std::optional(t->firstSeen) : std::nullopt;
}

std::size_t QueryHistory::bytesUsed() const
{
    std::size_t bytes = m_times.size() * sizeof(qint64);
    for (auto it = m_tracks.cbegin(); it != m_tracks.cend(); ++it)
        bytes += sizeof(Track) + std::size_t(it.key().size()) * sizeof(QChar) +
                 it->queries.size() * sizeof(std::uint32_t) +
                 it->values.size() * sizeof(std::int32_t);
    return bytes;
}

} // namespace morvain
