#pragma once
// The conversations without a window: the table of the last conversation query, the
// conversation IDs it lists, the decoding of the conversation type, and every field as
// values.

#include "conversation/conversation_reply.h"
#include "info_cycle.h"
#include "object_model.h"

#include <QStringList>

namespace morvain
{

// "Conversational" or "Non-conversational" for the type's decimal text, else empty.
QString conversationTypeWord(const QString &text);

class ConversationModel : public ObjectModel
{
    Q_OBJECT
public:
    using ObjectModel::ObjectModel;

    // A fresh table, the conversation query, then queried().
    void query(InfoCycle &cycle);
    void store();
    void reset();

    // Each non-blank trimmed conversation ID once, in order of first arrival: the closing
    // reply may repeat the last conversation.
    QStringList conversationIds() const;
    // The first slot whose trimmed conversation ID equals `id`, or 0.
    int find(const QString &id) const;

    QString kindName() const override { return QStringLiteral("conversation"); }
    QList<FieldInfo> columns() const override;
    int objectCount() const override { return m_table.count(); }
    QList<FieldValue> values(int z) const override;
    QString key(int z) const override;
    ReplyHeader header() const override { return headerOf(m_reply); }

    const ConversationTable &table() const { return m_table; }
    const ConversationReply &reply() const { return m_reply; }

private:
    ConversationReply m_reply; // every call's receive area; never cleared between calls
    ConversationTable m_table;
    QStringList m_ids; // trimmed; entry z - 1 belongs to slot z
};

} // namespace morvain
