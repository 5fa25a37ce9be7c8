#pragma once
// The services without a window: the table of the last service query, the three lists
// the tab walks down (server classes, names under a class, services under a name), and
// every field as values.
//
// Storing a reply copies it and nothing else. The first list asked for after a query
// reads every stored reply's trimmed class, name and service in place (no copies) and
// chains the entries of each class and each name, so a pick walks only its own entries.

#include "info_cycle.h"
#include "object_model.h"
#include "service/service_reply.h"
#include "stored_replies.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringList>

#include <optional>
#include <vector>

namespace morvain
{

class ServiceModel : public ObjectModel
{
    Q_OBJECT
public:
    explicit ServiceModel(QObject *parent = nullptr);

    // A fresh table, the service query, then queried().
    void query(InfoCycle &cycle);
    void store();
    void reset();

    // Each non-blank trimmed class once, in order of first arrival.
    QStringList serverClasses() const;
    // Each non-blank trimmed name stored under `serverClass`, once, in order of arrival.
    QStringList serverNames(const QString &serverClass) const;
    // The trimmed service of every stored reply named `serverName`, equal and blank ones
    // kept, whatever its class. The last stored reply ended the query and is left out.
    QStringList services(const QString &serverName) const;
    // The first slot whose trimmed texts equal all three, or 0.
    int find(const QString &serverClass, const QString &serverName, const QString &service) const;

    QString kindName() const override { return QStringLiteral("service"); }
    QList<FieldInfo> columns() const override;
    int objectCount() const override { return m_stored.count(); }
    QList<FieldValue> values(int z) const override;
    RecordView record(int z) const override;
    QString key(int z) const override { return m_stored.key(z); }
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const override
    {
        return m_stored.keyOfRecord(bytes);
    }
    ReplyHeader header() const override { return headerOf(reply()); }

    const ServiceTable &table() const { return m_stored.table(); }
    const ServiceReply &reply() const { return m_stored.reply(); }

private:
    // Views into the stored records, blanks trimmed.
    struct Names {
        QByteArrayView serverClass, serverName, service;
    };
    // The first and last entry of one class or name; entries link to the next of theirs.
    struct Chain {
        int first = -1, last = -1, length = 0;
    };
    struct Index {
        std::vector<Names> names; // entry z - 1 belongs to slot z
        std::vector<int> nextOfClass, nextOfName;
        std::vector<int> classOf;        // the first entry of each entry's class
        std::vector<int> previousOfName; // the entry before of the same name, or -1
        QHash<QByteArrayView, Chain> byClass, byName;
    };
    const Index &index() const;
    template <class Visit> void forEachOfClass(const QString &serverClass, Visit visit) const;

    StoredReplies<ServiceReply, ServiceTable::slotCount> m_stored; // by the three joined
    mutable std::optional<Index> m_index; // built on first use after each store
};

} // namespace morvain
