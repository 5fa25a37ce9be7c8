#pragma once
// The services without a window: the table of the last service query, the three lists
// the tab walks down (server classes, names under a class, services under a name), and
// every field as values.
//
// Each stored reply's class, name and service are trimmed once, as it is stored, so every
// list is one pass over the table.

#include "info_cycle.h"
#include "object_model.h"
#include "service/service_reply.h"
#include "stored_replies.h"

#include <QHash>
#include <QStringList>

namespace morvain
{

class ServiceModel : public ObjectModel
{
    Q_OBJECT
public:
    using ObjectModel::ObjectModel;

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
    ReplyHeader header() const override { return headerOf(reply()); }

    const ServiceTable &table() const { return m_stored.table(); }
    const ServiceReply &reply() const { return m_stored.reply(); }

private:
    struct Names {
        QString serverClass, serverName, service;
    };
    StoredReplies<ServiceReply, ServiceTable::slotCount> m_stored; // by the three joined
    QList<Names> m_trimmed;                                        // entry z - 1 belongs to slot z
    // Positions in m_trimmed under each class and each name, in order of arrival, so a
    // pick walks only its own entries.
    QHash<QString, QList<qsizetype>> m_byClass, m_byName;
};

} // namespace morvain
