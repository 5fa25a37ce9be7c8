#include "client_server/client_server_model.h"

#include "code_words.h"
#include "decimal.h"
#include "field_values.h"

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

ClientServerModel::ClientServerModel(QObject *parent)
    : ListModel(ClientServerKind, kinds::clientServer, layout::clientServerObject, rules, parent)
{
}

} // namespace morvain
