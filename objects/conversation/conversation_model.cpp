#include "conversation/conversation_model.h"

#include "code_words.h"
#include "decimal.h"
#include "field_values.h"
#include "text_support.h"

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
    reset();
    cycle.runList(kinds::conversation, replyArea(m_reply), [this] { store(); });
    emit queried();
}

void ConversationModel::store()
{
    m_table.store(m_reply);
    m_ids << trimBlanks(m_reply.text<"conversation_id">());
}

void ConversationModel::reset()
{
    m_table.reset();
    m_ids.clear();
}

QStringList ConversationModel::conversationIds() const
{
    FirstArrivals ids;
    for (const QString &id : m_ids)
        ids.add(id);
    return ids.list();
}

int ConversationModel::find(const QString &id) const
{
    const qsizetype at = m_ids.indexOf(id);
    return at < 0 ? 0 : int(at) + 1;
}

QList<FieldInfo> ConversationModel::columns() const
{
    return columnsOf(layout::conversationObject, rules);
}

QList<FieldValue> ConversationModel::values(int z) const
{
    if (z < 1 || z > m_table.count())
        return {};
    return valuesOf(m_table.slot(z).span(), layout::conversationObject, rules);
}

QString ConversationModel::key(int z) const
{
    return z < 1 || z > m_table.count() ? QString() : m_ids.at(z - 1);
}

} // namespace morvain
