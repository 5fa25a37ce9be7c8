#pragma once
// The clients and servers without a window: the table of the last client/server query,
// the user IDs it lists, the decoding of character set, endian and status, and every
// field as values.

#include "client_server/client_server_reply.h"
#include "info_cycle.h"
#include "object_model.h"

#include <QStringList>

namespace morvain
{

// The words for the codes' decimal texts, or empty when a code has none.
QString charSetWord(const QString &text);
QString endianWord(const QString &text);
QString userStatusWord(const QString &text);

class ClientServerModel : public ObjectModel
{
    Q_OBJECT
public:
    using ObjectModel::ObjectModel;

    // A fresh table, the client/server query, then queried().
    void query(InfoCycle &cycle);
    void store();
    void reset();

    // Each non-blank trimmed user ID once, in order of first arrival.
    QStringList userIds() const;
    // The first slot whose trimmed user ID equals `userId`, or 0.
    int find(const QString &userId) const;

    QString kindName() const override { return QStringLiteral("client_server"); }
    QList<FieldInfo> columns() const override;
    int objectCount() const override { return m_table.count(); }
    QList<FieldValue> values(int z) const override;
    QString key(int z) const override;
    ReplyHeader header() const override { return headerOf(m_reply); }

    const ClientServerTable &table() const { return m_table; }
    const ClientServerReply &reply() const { return m_reply; }

private:
    ClientServerReply m_reply;
    ClientServerTable m_table;
    QStringList m_ids; // trimmed; entry z - 1 belongs to slot z
};

} // namespace morvain
