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
public:
    explicit ConversationModel(QObject *parent = nullptr);
};

} // namespace morvain
