#pragma once
// What the list kinds' models share: the reply record every call writes, the table the
// query stores it in, and the key of each stored reply.
//
// Storing copies the record and nothing else, so a query costs little beyond its calls;
// the keys are read off the stored records the first time something asks for them.

#include "field_values.h"
#include "info_cycle.h"
#include "object_table.h"
#include "text_support.h"

#include <QStringList>

#include <algorithm>
#include <optional>

namespace morvain
{

template <class Reply, int Slots> class StoredReplies
{
public:
    using Table = ObjectTable<Reply, Slots>;
    // What identifies a stored reply across queries (ObjectModel::key).
    using KeyOf = QString (*)(const Reply &);

    explicit StoredReplies(KeyOf keyOf) : m_keyOf(keyOf) {}

    ReplyArea area() { return replyArea(m_reply); }
    const Reply &reply() const { return m_reply; }
    const Table &table() const { return m_table; }
    int count() const { return m_table.count(); }
    bool holds(int z) const { return z >= 1 && z <= m_table.count(); }

    void reset()
    {
        m_table.reset();
        m_keys.reset();
    }
    // The reply just received; beyond the last slot the query fails.
    void store()
    {
        m_table.store(m_reply);
        m_keys.reset();
    }

    // Entry z - 1 belongs to slot z.
    const QStringList &keys() const
    {
        if (!m_keys) {
            QStringList keys;
            keys.reserve(count());
            for (int z = 1; z <= count(); ++z)
                keys << m_keyOf(m_table.slot(z));
            m_keys = std::move(keys);
        }
        return *m_keys;
    }
    QString key(int z) const { return holds(z) ? m_keyOf(m_table.slot(z)) : QString(); }
    // The key of a record as record() gave it, kept from an earlier query.
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const
    {
        Reply copy;
        if (bytes.size() != std::size_t(Reply::size))
            return {};
        std::copy(bytes.begin(), bytes.end(), copy.data());
        return m_keyOf(copy);
    }
    // The first slot stored under `key`, or 0.
    int find(const QString &key) const
    {
        const qsizetype at = keys().indexOf(key);
        return at < 0 ? 0 : int(at) + 1;
    }
    // Each non-empty key once, in order of first arrival.
    QStringList distinctKeys() const
    {
        FirstArrivals distinct;
        for (const QString &k : keys())
            distinct.add(k);
        return distinct.list();
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
    KeyOf m_keyOf;
    mutable std::optional<QStringList> m_keys; // read off the table on first use
};

// The trimmed text of a key field, as the lists and look-ups compare it.
inline QString trimmedText(QByteArrayView field)
{
    return QString::fromLatin1(trimBlanks(field));
}

} // namespace morvain
