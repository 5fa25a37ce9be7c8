#pragma once
// What the four list kinds' models share: the reply record every call writes, the table
// the query stores it in, the keys of the stored replies, and the ObjectModel face over
// them, the list query included. A kind's model adds its field rules and the lists its
// tab walks.
//
// Storing copies the record and nothing else, so a query costs little beyond its calls
// (morvain-snapshot never reads a key); keys and lists are read off the stored records
// each time a tab asks, at most a thousand of them.

#include "decimal.h"
#include "field_values.h"
#include "info_cycle.h"
#include "object_keys.h"
#include "object_model.h"
#include "object_table.h"
#include "reply_header.h"
#include "text_support.h"

#include <QStringList>

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace morvain
{

template <class Reply, int Slots> class ListModel : public ObjectModel
{
public:
    using Table = ObjectTable<Reply, Slots>;

    ListModel(KindIndex kind, const ListKind &request, std::span<const wire::Field> objectFields,
              const FieldRules &rules, QObject *parent)
        : ObjectModel(parent), m_kindIndex(kind), m_kind(kindRegistry[kind]), m_request(request),
          m_fields(objectFields), m_rules(rules)
    {
        takeKeyFields(m_kind.keyFields);
    }

    // A fresh table, the kind's list query, then queried().
    void query(InfoCycle &cycle) override
    {
        runQuery(cycle);
        emit queried();
    }

    const KindInfo &kind() const override { return m_kind; }
    std::array<std::string_view, 3> keyFields() const override { return m_keyNames; }
    void keyBy(BrokerSource source) override { takeKeyFields(keyFieldsOf(m_kindIndex, source)); }
    QString kindName() const override
    {
        return QString::fromLatin1(m_kind.name.data(), qsizetype(m_kind.name.size()));
    }
    QList<FieldInfo> columns() const override { return columnsOf(m_fields, m_rules); }
    int objectCount() const override { return m_table.count(); }
    RecordView record(int z) const override
    {
        if (!holds(z))
            return {};
        return {m_table.slot(z).span(), m_fields, &m_rules};
    }
    QString key(int z) const override
    {
        return holds(z) ? keyOf(m_table.slot(z).span()) : QString();
    }
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const override
    {
        return bytes.size() == std::size_t(Reply::size) ? keyOf(bytes) : QString();
    }
    ReplyHeader header() const override { return headerOf(m_reply); }

    const Table &table() const { return m_table; }
    const FieldRules &fieldRules() const { return m_rules; }
    const Reply &reply() const { return m_reply; }
    bool holds(int z) const { return z >= 1 && z <= m_table.count(); }

    // A fresh query starts from an empty table.
    virtual void reset() { m_table.reset(); }
    // The reply just received; beyond the last slot the query fails.
    virtual void store() { m_table.store(m_reply); }

    // Every stored reply's key: entry z - 1 belongs to slot z.
    QStringList keys() const
    {
        QStringList out;
        out.reserve(objectCount());
        for (int z = 1; z <= objectCount(); ++z)
            out << key(z);
        return out;
    }
    // Each non-empty key once, in order of first arrival: the IDs a tab lists (a closing
    // reply that repeats the last object adds nothing).
    QStringList distinctKeys() const
    {
        FirstArrivals distinct;
        for (const QString &k : keys())
            distinct.add(k);
        return distinct.list();
    }
    // The first slot stored under `key`, or 0.
    int find(const QString &key) const
    {
        for (int z = 1; z <= objectCount(); ++z)
            if (this->key(z) == key)
                return z;
        return 0;
    }

protected:
    // The kind's list query into a fresh table; `afterLoop` runs as the cycle says.
    void runQuery(InfoCycle &cycle, const std::function<void()> &afterLoop = {})
    {
        emit aboutToQuery();
        reset();
        cycle.runList(
            m_request, replyArea(m_reply), [this] { store(); }, afterLoop);
    }

private:
    void takeKeyFields(const KeyFields &names)
    {
        m_keyNames = names;
        m_keyFields.clear();
        for (std::string_view name : names)
            for (const wire::Field &f : m_fields)
                if (!name.empty() && f.name == name)
                    m_keyFields.push_back(&f);
    }
    QString keyOf(std::span<const std::uint8_t> bytes) const
    {
        QString key;
        for (const wire::Field *f : m_keyFields) {
            if (f != m_keyFields.front())
                key += QChar(0x1f);
            const std::uint8_t *at = bytes.data() + f->offset;
            if (f->encoding == wire::Encoding::Text)
                key += QLatin1StringView(
                    trimBlanks(QByteArrayView(reinterpret_cast<const char *>(at), f->width)));
            else
                key += decimal(numberAt(at, f->width));
        }
        return key;
    }

    KindIndex m_kindIndex;
    const KindInfo &m_kind;
    const ListKind &m_request;
    std::span<const wire::Field> m_fields;
    const FieldRules &m_rules;
    KeyFields m_keyNames;
    std::vector<const wire::Field *> m_keyFields;
    Reply m_reply;
    Table m_table;
};

} // namespace morvain
