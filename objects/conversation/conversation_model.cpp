#include "conversation/conversation_model.h"

#include "code_words.h"
#include "decimal.h"
#include "field_values.h"

namespace morvain
{

namespace
{

FieldKind kindOf(std::string_view name)
{
    return name == "conv_type" ? FieldKind::Code : FieldKind::Gauge;
}

QString decodedOf(std::string_view name, std::int64_t number)
{
    return name == "conv_type" ? conversationTypeWord(decimal(number)) : QString();
}

constexpr FieldRules rules{kindOf, decodedOf};

} // namespace

QString conversationTypeWord(const QString &text)
{
    return wordFor(text, {{"0", "Conversational"}, {"1", "Non-conversational"}});
}

void ConversationModel::query(InfoCycle &cycle)
{
    emit aboutToQuery();
    reset();
    cycle.runList(kinds::conversation, m_stored.area(), [this] { store(); });
    emit queried();
}

ConversationModel::ConversationModel(QObject *parent)
    : ObjectModel(parent),
      m_stored([](const ConversationReply &r) { return trimmedText(r.view<"conversation_id">()); })
{
}

void ConversationModel::store()
{
    m_stored.store();
}

QList<FieldInfo> ConversationModel::columns() const
{
    return columnsOf(layout::conversationObject, rules);
}

QList<FieldValue> ConversationModel::values(int z) const
{
    return m_stored.values(z, layout::conversationObject, rules);
}

RecordView ConversationModel::record(int z) const
{
    return m_stored.record(z, layout::conversationObject, rules);
}

} // namespace morvain
