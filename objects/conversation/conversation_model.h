#pragma once
// The conversations without a window: the table of the last conversation query, the
// conversation IDs it lists, the decoding of the conversation type, and every field as
// values.

#include "conversation/conversation_reply.h"
#include "info_cycle.h"
#include "object_model.h"
#include "stored_replies.h"

#include <QStringList>

namespace morvain
{

// "Conversational" or "Non-conversational" for the type's decimal text, else empty.
QString conversationTypeWord(const QString &text);

class ConversationModel : public ObjectModel
{
    Q_OBJECT
public:
    explicit ConversationModel(QObject *parent = nullptr);

    // A fresh table, the conversation query, then queried().
    void query(InfoCycle &cycle);
    void store();
    void reset() { m_stored.reset(); }

    // Each non-blank trimmed conversation ID once, in order of first arrival: the closing
    // reply may repeat the last conversation.
    QStringList conversationIds() const { return m_stored.distinctKeys(); }
    // The first slot whose trimmed conversation ID equals `id`, or 0.
    int find(const QString &id) const { return m_stored.find(id); }

    QString kindName() const override { return QStringLiteral("conversation"); }
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

    const ConversationTable &table() const { return m_stored.table(); }
    const ConversationReply &reply() const { return m_stored.reply(); }

private:
    // By conversation ID. The reply is every call's receive area, never cleared between
    // calls.
    StoredReplies<ConversationReply, ConversationTable::slotCount> m_stored;
};

} // namespace morvain
