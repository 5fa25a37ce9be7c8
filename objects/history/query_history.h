#pragma once
// The course of one object kind over the session: the number fields of every object of
// its last good queries (at most the last hour or 720 queries, whichever is less), kept
// by each object's key. It answers what a single query cannot: the rate of a counter,
// the series of a field over time, which objects came and went, and since when an object
// has been seen. Widget-free; the caller says when each query happened, so a test sets
// the clock.
//
// Memory: a query is two arrays, the objects it held (4 bytes each) and their readings (4
// bytes per number field: the records carry no number wider than 32 bits), plus one entry
// per object seen in the kept queries; nothing else grows with the session. bytesUsed()
// reports it, for the benchmark that holds it to its bound.

#include "object_model.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace morvain
{

struct SeriesPoint {
    qint64 at = 0; // milliseconds, on the caller's clock
    std::int64_t value = 0;
};

class QueryHistory
{
public:
    struct Limits {
        int queries = 720;            // queries kept at most
        qint64 span = 60 * 60 * 1000; // and none older than this before the latest
    };

    QueryHistory();
    explicit QueryHistory(Limits limits);

    // Takes the model's objects (the closing reply excluded) as a good query made at
    // `msecs`. An object whose key repeats within one query counts once, by its first row.
    // `keys`, when given, are the keys of the model's stored objects in order (a caller
    // that has them already saves reading them again).
    void record(const ObjectModel &model, qint64 msecs, const QStringList *keys = nullptr);
    // A good query made at `msecs` that stored the very records of the latest one: the
    // same objects with the same readings, kept once for both.
    void recordSame(qint64 msecs);

    int queryCount() const { return int(m_queries.size()); }
    std::optional<qint64> latestAt() const;
    // `column` is a field's position in the model's columns(); text fields keep no history.
    bool kept(int column) const;

    // The object's field in the latest query, and in the query before in which the object
    // was there.
    std::optional<std::int64_t> latest(const QString &key, int column) const;
    std::optional<std::int64_t> before(const QString &key, int column) const;
    // Change per second between the object's last two readings; none without two readings,
    // with no time between them, or when the field is a counter that dropped (its object
    // started again).
    std::optional<double> rate(const QString &key, int column) const;
    // The object's readings of the field, oldest first; `last` > 0 keeps only the last ones.
    std::vector<SeriesPoint> series(const QString &key, int column, int last = 0) const;

    // Objects of the latest query the query before did not hold (none after the first),
    // and objects of the query before the latest no longer holds, each in the order they
    // were first seen.
    const QStringList &newKeys() const { return m_new; }
    const QStringList &goneKeys() const { return m_gone; }
    // When the object was first seen in the history kept.
    std::optional<qint64> seenSince(const QString &key) const;

    // What the kept readings take, keys included.
    std::size_t bytesUsed() const;

private:
    struct Object {
        QString key;
        qint64 firstSeen = 0;
        std::uint32_t lastQuery = 0; // number of the last query that held it
    };
    struct Readings {
        std::vector<std::uint32_t> objects; // ids, ascending
        std::vector<std::int32_t> values;   // `m_width` readings per object, in that order
    };
    struct Query {
        qint64 at = 0;
        // Shared by queries in a row that stored the same records.
        std::shared_ptr<const Readings> readings;
        const std::vector<std::uint32_t> &objects() const { return readings->objects; }
        const std::vector<std::int32_t> &values() const { return readings->values; }
    };
    // Where the object of `id` sits in query `q`, or -1.
    static qsizetype rowOf(const Query &q, std::uint32_t id);
    std::optional<std::uint32_t> idOf(const QString &key) const;
    // The object's latest two readings of the field: in the latest query, and before.
    std::optional<SeriesPoint> reading(std::uint32_t id, int column, bool before) const;
    void push(Query query);
    void dropOld();

    Limits m_limits;
    std::deque<Query> m_queries; // kept queries, oldest first; m_queries[0] is m_first
    std::uint32_t m_first = 0;   // number of the oldest kept query
    std::vector<int> m_slot;     // per column: its place among a reading's values, or -1
    std::vector<FieldKind> m_kinds;
    int m_width = 0;
    QHash<QString, std::uint32_t> m_ids;                 // key -> id; ids grow as objects appear
    std::unordered_map<std::uint32_t, Object> m_objects; // id -> object
    std::uint32_t m_nextId = 0;
    QStringList m_new;
    QStringList m_gone;
    // The last query's keys and ids in row order, to find returning objects by their row.
    QStringList m_rowKeys;
    std::vector<std::uint32_t> m_rowIds;
};

} // namespace morvain
