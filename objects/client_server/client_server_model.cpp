#include "client_server/client_server_model.h"

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
    if (name == "char_set" || name == "endian" || name == "status")
        return FieldKind::Code;
    if (name == "sum_conv")
        return FieldKind::Counter;
    return FieldKind::Gauge;
}

QString decodedOf(std::string_view name, std::int64_t number)
{
    if (name == "char_set")
        return charSetWord(decimal(number));
    if (name == "endian")
        return endianWord(decimal(number));
    if (name == "status")
        return userStatusWord(decimal(number));
    return {};
}

constexpr FieldRules rules{kindOf, decodedOf};

} // namespace

QString charSetWord(const QString &text)
{
    return wordFor(text, {{"34", "EBCDIC IBM"},
                          {"66", "EBCDIC SNI"},
                          {"1", "ASCII PC 386"},
                          {"16", "ASCII PC OS/2"},
                          {"128", "ASCII 8859-1"}});
}

QString endianWord(const QString &text)
{
    return wordFor(text, {{"0", "Little endian"}, {"1", "Big endian"}});
}

QString userStatusWord(const QString &text)
{
    return wordFor(text, {{"0", "Not waiting"}, {"5", "Waiting"}});
}

void ClientServerModel::query(InfoCycle &cycle)
{
    reset();
    cycle.runList(kinds::clientServer, replyArea(m_reply), [this] { store(); });
    emit queried();
}

void ClientServerModel::store()
{
    m_table.store(m_reply);
    m_ids << trimBlanks(m_reply.text<"user_id">());
}

void ClientServerModel::reset()
{
    m_table.reset();
    m_ids.clear();
}

QStringList ClientServerModel::userIds() const
{
    FirstArrivals ids;
    for (const QString &id : m_ids)
        ids.add(id);
    return ids.list();
}

int ClientServerModel::find(const QString &userId) const
{
    const qsizetype at = m_ids.indexOf(userId);
    return at < 0 ? 0 : int(at) + 1;
}

QList<FieldInfo> ClientServerModel::columns() const
{
    return columnsOf(layout::clientServerObject, rules);
}

QList<FieldValue> ClientServerModel::values(int z) const
{
    if (z < 1 || z > m_table.count())
        return {};
    return valuesOf(m_table.slot(z).span(), layout::clientServerObject, rules);
}

QString ClientServerModel::key(int z) const
{
    return z < 1 || z > m_table.count() ? QString() : m_ids.at(z - 1);
}

} // namespace morvain
