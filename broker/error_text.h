#pragma once
// The error text area: 40 single-byte characters, and on the wire a 41st byte that is
// always zero when it goes out, whatever the previous call left there.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace morvain
{

class ErrorText
{
public:
    static constexpr int length = 40;

    // The wire form for the next call: the 40 characters left by the last call, then zero.
    std::uint8_t *prepareWire()
    {
        m_wire[length] = 0;
        return m_wire.data();
    }

    // All 40 characters as they came back, zero bytes included.
    QByteArray characters() const
    {
        return QByteArray(reinterpret_cast<const char *>(m_wire.data()), length);
    }
    // What a person sees: the text up to the first zero byte.
    QString visible() const;

    void setCharacters(const QByteArray &text);

private:
    std::array<std::uint8_t, length + 1> m_wire{};
};

} // namespace morvain
