#pragma once
// The clients and servers without a window: the table of the last client/server query,
// the user IDs it lists, the decoding of character set, endian and status, and every
// field as values.

#include "client_server/client_server_reply.h"
#include "info_cycle.h"
#include "object_model.h"
#include "stored_replies.h"

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
    explicit ClientServerModel(QObject *parent = nullptr);

    // A fresh table, the client/server query, then queried().
    void query(InfoCycle &cycle);
    void store();
    void reset() { m_stored.reset(); }

    // Each non-blank trimmed user ID once, in order of first arrival.
    QStringList userIds() const { return m_stored.distinctKeys(); }
    // The first slot whose trimmed user ID equals `userId`, or 0.
    int find(const QString &userId) const { return m_stored.find(userId); }

    QString kindName() const override { return QStringLiteral("client_server"); }
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

    const ClientServerTable &table() const { return m_stored.table(); }
    const ClientServerReply &reply() const { return m_stored.reply(); }

private:
    StoredReplies<ClientServerReply, ClientServerTable::slotCount> m_stored; // by user ID
};

} // namespace morvain
