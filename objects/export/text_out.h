#pragma once
// Texts as the writers put them into a document: records hold Latin-1, documents are
// UTF-8, and each format escapes a few bytes its own way.

#include <QByteArray>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace morvain::exporting
{

// A text as the lists show it: up to its first zero byte, blanks off both ends.
inline std::string_view visible(std::string_view text)
{
    if (const void *zero = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, std::size_t(static_cast<const char *>(zero) - text.data()));
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A document's bytes, written straight into the QByteArray that take() gives back: its
// appends are inline, where QByteArray's own go through insert() and check for sharing on
// every call, and the buffer grows twofold and once, not copied into a last array.
class Document
{
public:
    void append(const char *bytes, qsizetype size)
    {
        if (m_size + size > m_bytes.size())
            grow(size);
        std::memcpy(m_at + m_size, bytes, std::size_t(size));
        m_size += size;
    }
    void append(qsizetype count, char c)
    {
        if (m_size + count > m_bytes.size())
            grow(count);
        std::memset(m_at + m_size, c, std::size_t(count));
        m_size += count;
    }
    Document &operator+=(char c)
    {
        if (m_size == m_bytes.size())
            grow(1);
        m_at[m_size++] = c;
        return *this;
    }
    Document &operator+=(std::string_view text)
    {
        append(text.data(), qsizetype(text.size()));
        return *this;
    }
    Document &operator+=(const char *text) { return *this += std::string_view(text); }
    Document &operator+=(const QByteArray &bytes)
    {
        append(bytes.constData(), bytes.size());
        return *this;
    }
    // A copy of `size` bytes written before, from `from` on.
    void appendCopy(qsizetype from, qsizetype size)
    {
        reserve(size);
        std::memcpy(m_at + m_size, m_at + from, std::size_t(size));
        m_size += size;
    }
    qsizetype size() const { return m_size; }
    // Room for `more` bytes after the end, reserved at once: each step of growth copies
    // the bytes so far, and the pages of each new buffer are faulted in afresh.
    void reserve(qsizetype more)
    {
        if (m_size + more > m_bytes.size())
            grow(more);
    }
    QByteArray take()
    {
        m_bytes.truncate(m_size);
        m_at = nullptr;
        m_size = 0;
        return std::move(m_bytes);
    }

private:
    void grow(qsizetype more)
    {
        m_bytes.resize(std::max(m_size + more, 2 * m_bytes.size() + 4096));
        m_at = m_bytes.data();
    }

    QByteArray m_bytes; // its size is the room; m_size the bytes written
    char *m_at = nullptr;
    qsizetype m_size = 0;
};

template <class Out> void append(Out &out, std::string_view text)
{
    out.append(text.data(), qsizetype(text.size()));
}

template <class Out> void appendNumber(Out &out, std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, qsizetype(end - digits));
}

enum class Charset { Latin1, Utf8 };

// For each byte, whether a format writes it otherwise than as it is.
using ByteSet = std::array<bool, 256>;

// The bytes below 0x80 that `escapes` says are escaped, and for Latin-1 every byte from
// 0x80 up (it becomes two UTF-8 bytes).
template <Charset from, class Escapes> constexpr ByteSet specialBytes(Escapes escapes)
{
    ByteSet special{};
    for (int c = 0; c < 0x80; ++c)
        special[std::size_t(c)] = escapes(static_cast<unsigned char>(c));
    for (int c = 0x80; c < 0x100; ++c)
        special[std::size_t(c)] = from == Charset::Latin1;
    return special;
}

// `text` as UTF-8: the runs of bytes `special` does not name copied whole, each byte below
// 0x80 it names written as escape(c), a Latin-1 byte from 0x80 up as its two UTF-8 bytes.
template <Charset from, class Out, class Escape>
void appendEscaped(Out &out, std::string_view text, const ByteSet &special, Escape escape)
{
    const char *at = text.data();
    const char *const end = at + text.size();
    while (at != end) {
        const char *const run = at;
        while (at != end && !special[static_cast<unsigned char>(*at)])
            ++at;
        out.append(run, qsizetype(at - run));
        if (at == end)
            break;
        const auto c = static_cast<unsigned char>(*at++);
        if (c >= 0x80) {
            const char pair[2] = {char(0xc0 | (c >> 6)), char(0x80 | (c & 0x3f))};
            out.append(pair, 2);
        } else {
            append(out, escape(c));
        }
    }
}

} // namespace morvain::exporting
