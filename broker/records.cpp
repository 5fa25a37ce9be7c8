#include "control_block.h"
#include "error_text.h"

#include <cstring>

namespace morvain
{

QByteArray wire::fitText(const QString &value, int width)
{
    QByteArray bytes = value.toLatin1().left(width); // unrepresentable characters become '?'
    bytes.append(width - bytes.size(), ' ');
    return bytes;
}

void assignIdentity(ControlBlock &cb, const Identity &identity)
{
    cb.setText<"broker_id">(identity.brokerId);
    cb.setText<"server_class">(identity.serverClass);
    cb.setText<"server_name">(identity.serverName);
    cb.setText<"service">(identity.service);
    cb.setText<"user_id">(identity.userId);
}

void fillAtStart(ControlBlock &cb, const Identity &identity)
{
    cb.setCode<"fixed_code_0">(0x01);
    cb.setCode<"fixed_code_1">(0x01);
    assignIdentity(cb, identity);
    cb.setInt32<"int_20">(250);
    cb.setInt32<"int_24">(500);
    cb.setInt32<"error_text_length">(ErrorText::length);
    cb.setText<"conv_id">(QStringLiteral("NEW"));
}

QString ErrorText::visible() const
{
    const auto *chars = reinterpret_cast<const char *>(m_wire.data());
    return QString::fromLatin1(chars, qsizetype(strnlen(chars, length)));
}

void ErrorText::setCharacters(const QByteArray &text)
{
    const auto n = std::min<qsizetype>(text.size(), length);
    std::memset(m_wire.data(), 0, length);
    std::memcpy(m_wire.data(), text.constData(), size_t(n));
}

} // namespace morvain
