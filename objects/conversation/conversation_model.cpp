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

ConversationModel::ConversationModel(QObject *parent)
    : ListModel(ConversationKind, kinds::conversation, layout::conversationObject, rules, parent)
{
}

} // namespace morvain
