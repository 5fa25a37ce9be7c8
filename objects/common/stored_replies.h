#pragma once
// What the list kinds' models share: the reply record every call writes, the table the
// query stores it in, and one trimmed key per stored reply, taken as it is stored, so
// lists and look-ups are single passes over the keys.

#include "field_values.h"
#include "info_cycle.h"
#include "object_table.h"
#include "text_support.h"

#include <QStringList>

namespace morvain
{

template <class Reply, int Slots> class StoredReplies
{
public:
    using Table = ObjectTable<Reply, Slots>;

    ReplyArea area() { return replyArea(m_reply); }
    const Reply &reply() const { return m_reply; }
    const Table &table() const { return m_table; }
    int count() const { return m_table.count(); }
    bool holds(int z) const { return z >= 1 && z <= m_table.count(); }

    void reset()
    {
        m_table.reset();
        m_keys.clear();
    }
    // The reply just received, under `key`; beyond the last slot the query fails.
    void store(const QString &key)
    {
        m_table.store(m_reply);
        m_keys << key;
    }

    const QStringList &keys() const { return m_keys; }
    QString key(int z) const { return holds(z) ? m_keys.at(z - 1) : QString(); }
    // The first slot stored under `key`, or 0.
    int find(const QString &key) const
    {
        const qsizetype at = m_keys.indexOf(key);
        return at < 0 ? 0 : int(at) + 1;
    }
    // Each non-empty key once, in order of first arrival.
    QStringList distinctKeys() const
    {
        FirstArrivals keys;
        for (const QString &k : m_keys)
            keys.add(k);
        return keys.list();
    }
    QList<FieldValue> values(int z, std::span<const wire::Field> objectFields,
                             const FieldRules &rules) const
    {
        if (!holds(z))
            return {};
        return valuesOf(m_table.slot(z).span(), objectFields, rules);
    }

    RecordView record(int z, std::span<const wire::Field> objectFields,
                      const FieldRules &rules) const
    {
        if (!holds(z))
            return {};
        return {m_table.slot(z).span(), objectFields, &rules};
    }

private:
    Reply m_reply;
    Table m_table;
    QStringList m_keys; // entry z - 1 belongs to slot z
};

} // namespace morvain
