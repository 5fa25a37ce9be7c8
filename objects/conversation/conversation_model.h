#pragma once
// The conversations without a window: the table of the last conversation query, the
// conversation IDs it lists, the decoding of the conversation type, and every field as
// values.

#include "conversation/conversation_reply.h"
#include "list_model.h"

#include <QStringList>

namespace morvain
{

// "Conversational" or "Non-conversational" for the type's decimal text, else empty.
QString conversationTypeWord(const QString &text);

class ConversationModel : public ListModel<ConversationReply, ConversationTable::slotCount>
{
    Q_OBJECT
public:
    explicit ConversationModel(QObject *parent = nullptr);

    // A fresh table, the conversation query, then queried().
    void query(InfoCycle &cycle) override;

    // Each non-blank trimmed conversation ID once, in order of first arrival: the closing
    // reply may repeat the last conversation.
    QStringList conversationIds() const { return distinctKeys(); }
};

} // namespace morvain
