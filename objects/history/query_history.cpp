#include "query_history.h"

#include "field_values.h"

#include <algorithm>

namespace morvain
{

QueryHistory::QueryHistory() : QueryHistory(Limits{}) {}

QueryHistory::QueryHistory(Limits limits) : m_limits(limits) {}

void QueryHistory::record(const ObjectModel &model, qint64 msecs, const QStringList *keys)
{
    if (m_slot.empty()) {
        // The layout is the kind's; it is read once, from the first query's columns.
        for (const FieldInfo &field : model.columns()) {
            const bool number = field.kind != FieldKind::Text;
            m_slot.push_back(number ? m_width++ : -1);
            m_kinds.push_back(field.kind);
        }
    }
    const int count = model.shownCount();
    if (keys && keys->size() < count)
        keys = nullptr;
    const std::uint32_t number = m_first + std::uint32_t(m_queries.size());

    // Each row's object, by id; ids grow in the order objects are first seen. Objects
    // mostly come back in the rows they had: a row whose key is the one it had in the
    // query before is that object, without hashing the key.
    std::vector<std::pair<std::uint32_t, int>> rows;
    rows.reserve(std::size_t(count));
    m_ids.reserve(m_ids.size() + count);
    QStringList rowKeys;
    rowKeys.reserve(count);
    std::vector<std::uint32_t> rowIds;
    rowIds.reserve(std::size_t(count));
    for (int z = 1; z <= count; ++z) {
        QString key = keys ? (*keys)[z - 1] : model.key(z);
        const qsizetype r = z - 1;
        std::uint32_t id = 0;
        // (The last query's objects are all known: a query goes only behind a newer one.)
        if (r < m_rowKeys.size() && m_rowKeys[r] == key) {
            id = m_rowIds[std::size_t(r)];
        } else {
            auto found = m_ids.constFind(key);
            if (found == m_ids.cend()) {
                id = m_nextId++;
                m_objects.emplace(id, Object{key, msecs, number});
                found = m_ids.insert(key, id);
            }
            id = *found;
        }
        rows.emplace_back(id, z);
        rowIds.push_back(id);
        rowKeys.append(std::move(key));
    }
    m_rowKeys = std::move(rowKeys);
    m_rowIds = std::move(rowIds);
    // In id order, a repeated key after its first row.
    const auto byId = [](const auto &a, const auto &b) { return a.first < b.first; };
    if (!std::is_sorted(rows.begin(), rows.end(), byId)) // mostly they come sorted
        std::stable_sort(rows.begin(), rows.end(), byId);

    auto readings = std::make_shared<Readings>();
    std::vector<std::uint32_t> &objects = readings->objects;
    std::vector<std::int32_t> &values = readings->values;
    objects.reserve(rows.size());
    values.reserve(rows.size() * std::size_t(m_width));
    for (const auto &[id, z] : rows) {
        if (!objects.empty() && objects.back() == id)
            continue; // a repeated key is shown by its first row
        const RecordView view = model.record(z);
        if (view.bytes.empty())
            continue;
        objects.push_back(id);
        m_objects[id].lastQuery = number;
        int column = 0;
        for (const wire::Field &f : view.fields) {
            if (f.encoding == wire::Encoding::Padding)
                continue;
            // Fields of at most four bytes: every reading fits 32 bits.
            if (std::size_t(column) < m_slot.size() && m_slot[std::size_t(column)] >= 0)
                values.push_back(
                    f.encoding == wire::Encoding::Text || f.width > 4
                        ? 0
                        : std::int32_t(numberAt(view.bytes.data() + f.offset, f.width)));
            ++column;
        }
    }

    push({msecs, std::move(readings)});
}

void QueryHistory::recordSame(qint64 msecs)
{
    if (m_queries.empty())
        return;
    const std::uint32_t number = m_first + std::uint32_t(m_queries.size());
    for (std::uint32_t id : m_queries.back().objects())
        m_objects[id].lastQuery = number;
    push({msecs, m_queries.back().readings});
}

void QueryHistory::push(Query query)
{
    // New and gone against the query before: both lists are in id order.
    m_new.clear();
    m_gone.clear();
    if (!m_queries.empty()) {
        const std::vector<std::uint32_t> &before = m_queries.back().objects();
        const std::vector<std::uint32_t> &now = query.objects();
        std::vector<std::uint32_t> came, went;
        std::set_difference(now.begin(), now.end(), before.begin(), before.end(),
                            std::back_inserter(came));
        std::set_difference(before.begin(), before.end(), now.begin(), now.end(),
                            std::back_inserter(went));
        for (std::uint32_t id : came)
            m_new.append(m_objects.at(id).key);
        for (std::uint32_t id : went)
            m_gone.append(m_objects.at(id).key);
    }
    m_queries.push_back(std::move(query));
    dropOld();
}

void QueryHistory::dropOld()
{
    bool dropped = false;
    while (m_queries.size() > std::size_t(std::max(1, m_limits.queries)) ||
           m_queries.back().at - m_queries.front().at > m_limits.span) {
        m_queries.pop_front();
        ++m_first;
        dropped = true;
    }
    if (!dropped)
        return;
    // Objects none of the kept queries holds are forgotten.
    for (auto it = m_objects.begin(); it != m_objects.end();) {
        if (it->second.lastQuery >= m_first) {
            ++it;
            continue;
        }
        m_ids.remove(it->second.key);
        it = m_objects.erase(it);
    }
}

qsizetype QueryHistory::rowOf(const Query &q, std::uint32_t id)
{
    const std::vector<std::uint32_t> &objects = q.objects();
    const auto at = std::lower_bound(objects.begin(), objects.end(), id);
    return at != objects.end() && *at == id ? at - objects.begin() : -1;
}

std::optional<std::uint32_t> QueryHistory::idOf(const QString &key) const
{
    const auto found = m_ids.constFind(key);
    return found == m_ids.cend() ? std::nullopt : std::optional(*found);
}

std::optional<qint64> QueryHistory::latestAt() const
{
    return m_queries.empty() ? std::nullopt : std::optional(m_queries.back().at);
}

bool QueryHistory::kept(int column) const
{
    return column >= 0 && std::size_t(column) < m_slot.size() && m_slot[std::size_t(column)] >= 0;
}

std::optional<SeriesPoint> QueryHistory::reading(std::uint32_t id, int column, bool before) const
{
    if (!kept(column) || m_queries.empty() || rowOf(m_queries.back(), id) < 0)
        return std::nullopt; // not in the latest query
    const std::size_t slot = std::size_t(m_slot[std::size_t(column)]);
    for (std::size_t i = m_queries.size() - (before ? 1 : 0); i-- > 0;) {
        const qsizetype row = rowOf(m_queries[i], id);
        if (row >= 0)
            return SeriesPoint{
                m_queries[i].at,
                m_queries[i].values()[std::size_t(row) * std::size_t(m_width) + slot]};
        if (!before)
            break;
    }
    return std::nullopt;
}

std::optional<std::int64_t> QueryHistory::latest(const QString &key, int column) const
{
    const std::optional<std::uint32_t> id = idOf(key);
    const std::optional<SeriesPoint> now = id ? reading(*id, column, false) : std::nullopt;
    return now ? std::optional(now->value) : std::nullopt;
}

std::optional<std::int64_t> QueryHistory::before(const QString &key, int column) const
{
    const std::optional<std::uint32_t> id = idOf(key);
    const std::optional<SeriesPoint> was = id ? reading(*id, column, true) : std::nullopt;
    return was ? std::optional(was->value) : std::nullopt;
}

std::optional<double> QueryHistory::rate(const QString &key, int column) const
{
    const std::optional<std::uint32_t> id = idOf(key);
    if (!id)
        return std::nullopt;
    const std::optional<SeriesPoint> now = reading(*id, column, false);
    const std::optional<SeriesPoint> was = reading(*id, column, true);
    if (!now || !was)
        return std::nullopt;
    const qint64 elapsed = now->at - was->at;
    if (elapsed <= 0 ||
        (m_kinds[std::size_t(column)] == FieldKind::Counter && now->value < was->value))
        return std::nullopt;
    return double(now->value - was->value) * 1000.0 / double(elapsed);
}

std::vector<SeriesPoint> QueryHistory::series(const QString &key, int column, int last) const
{
    std::vector<SeriesPoint> points;
    const std::optional<std::uint32_t> id = idOf(key);
    if (!id || !kept(column))
        return points;
    const std::size_t slot = std::size_t(m_slot[std::size_t(column)]);
    // From the latest back, as far as `last` asks.
    for (std::size_t i = m_queries.size(); i-- > 0 && (last <= 0 || int(points.size()) < last);) {
        const qsizetype row = rowOf(m_queries[i], *id);
        if (row >= 0)
            points.push_back(
                {m_queries[i].at,
                 m_queries[i].values()[std::size_t(row) * std::size_t(m_width) + slot]});
    }
    std::reverse(points.begin(), points.end());
    return points;
}

std::optional<qint64> QueryHistory::seenSince(const QString &key) const
{
    const std::optional<std::uint32_t> id = idOf(key);
    return id ? std::optional(m_objects.at(*id).firstSeen) : std::nullopt;
}

std::size_t QueryHistory::bytesUsed() const
{
    std::size_t bytes = 0;
    const Readings *counted = nullptr; // shared readings sit side by side
    for (const Query &q : m_queries) {
        bytes += sizeof(Query);
        if (q.readings.get() == counted)
            continue;
        counted = q.readings.get();
        bytes += sizeof(Readings) + 16 + // and the share's count
                 counted->objects.capacity() * sizeof(std::uint32_t) +
                 counted->values.capacity() * sizeof(std::int32_t);
    }
    // Per object: its entry in both tables (with their nodes' own overhead) and its key.
    constexpr std::size_t tableEntries = 2 * 32;
    for (const auto &[id, object] : m_objects)
        bytes += sizeof(Object) + tableEntries + std::size_t(object.key.size()) * sizeof(QChar);
    return bytes;
}

} // namespace morvain
