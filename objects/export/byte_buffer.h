#pragma once
// The bytes of a document as the writers build it: appends that are a copy and a size
// check, texts escaped by runs (the bytes between two that need work go in with one copy),
// Latin-1 turned into UTF-8 on the way.

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <utility>

namespace morvain::exporting
{

struct TextBytes {
    QByteArrayView bytes;
    bool latin1 = false; // Latin-1 as a record stores it, else UTF-8
};

// Blanks (byte 32) off both ends, as the lists show a text; zero bytes stay. Fixed-width
// texts are mostly padding at the end, so that goes eight bytes at a time.
inline TextBytes trimmedBlanks(const TextBytes &text)
{
    const char *first = text.bytes.data();
    const char *last = first + text.bytes.size();
    constexpr std::uint64_t eightBlanks = 0x2020202020202020;
    std::uint64_t eight = 0;
    while (last - first >= 8 && (std::memcpy(&eight, last - 8, 8), eight == eightBlanks))
        last -= 8;
    while (last > first && last[-1] == ' ')
        --last;
    while (first < last && *first == ' ')
        ++first;
    return {QByteArrayView(first, last - first), text.latin1};
}

class ByteBuffer
{
public:
    explicit ByteBuffer(qsizetype capacity = 1 << 16) { grow(capacity); }

    qsizetype size() const { return m_size; }
    QByteArrayView view(qsizetype from, qsizetype length) const { return {m_data + from, length}; }
    QByteArray take()
    {
        m_bytes.truncate(m_size);
        m_data = nullptr;
        m_size = 0;
        return std::move(m_bytes);
    }

    void append(char c)
    {
        if (m_size == m_bytes.size())
            grow(1);
        m_data[m_size++] = c;
    }
    void append(const char *s, qsizetype n)
    {
        if (n <= 0)
            return;
        if (m_size + n > m_bytes.size())
            grow(n);
        std::memcpy(m_data + m_size, s, std::size_t(n));
        m_size += n;
    }
    void append(QByteArrayView s) { append(s.data(), s.size()); }
    template <std::size_t N> void append(const char (&literal)[N]) { append(literal, N - 1); }
    // Short pieces go in as one whole block of `block` bytes, a copy of fixed size the
    // compiler makes inline; what lies past the piece is overwritten by the next append.
    static constexpr qsizetype block = 32;

    void append(qsizetype count, char c)
    {
        room(std::max(count, block));
        std::memset(m_data + m_size, c, std::size_t(count <= block ? block : count));
        m_size += count;
    }
    // `s` where at least `block` bytes from s.data() on may be read, whatever its size.
    void appendPadded(QByteArrayView s)
    {
        if (s.size() > block)
            return append(s);
        room(block);
        std::memcpy(m_data + m_size, s.data(), block);
        m_size += s.size();
    }
    // Again the `length` bytes appended from `from` on.
    void appendCopy(qsizetype from, qsizetype length)
    {
        room(std::max(length, block));
        if (length <= block)
            std::memmove(m_data + m_size, m_data + from, block);
        else
            std::memcpy(m_data + m_size, m_data + from, std::size_t(length));
        m_size += length;
    }
    void appendNumber(std::int64_t number)
    {
        constexpr qsizetype most = 20; // "-9223372036854775808"
        room(most);
        if (std::uint64_t(number) < 10) { // the most common numbers by far, zero first
            m_data[m_size++] = char('0' + number);
            return;
        }
        m_size = std::to_chars(m_data + m_size, m_data + m_size + most, number).ptr - m_data;
    }

    // `text` as UTF-8, with escape(*this, c) in place of each byte c below 0x80 for which
    // special(c) holds. special() may pick only controls, quotes, backslashes and 0x7f:
    // eight bytes with none of them and nothing from 0x80 up need no look one by one, and
    // none need a look again.
    template <class Special, class Escape>
    void appendEscaped(const TextBytes &text, Special special, Escape escape)
    {
        const char *run = text.bytes.data();
        const char *const end = run + text.bytes.size();
        const char *p = run;
        while (p != end) {
            if (end - p >= 8 && mayNeedNoWork(p)) {
                p += 8;
                continue;
            }
            // The last few bytes of a longer text: the word that ends with them.
            if (end - p < 8 && end - text.bytes.data() >= 8 && mayNeedNoWork(end - 8))
                break;
            for (const char *stop = end - p >= 8 ? p + 8 : end; p != stop; ++p) {
                const auto c = static_cast<unsigned char>(*p);
                if (c >= 0x80 ? !text.latin1 : !special(c))
                    continue;
                append(run, p - run);
                run = p + 1;
                if (c >= 0x80) {
                    const char pair[] = {char(0xc0 | (c >> 6)), char(0x80 | (c & 0x3f))};
                    append(pair, 2);
                } else {
                    escape(*this, c);
                }
            }
        }
        append(run, end - run);
    }

private:
    // True when none of the eight bytes at `at` is a control, '"', '\\', 0x7f or from 0x80
    // up (the usual tests for a zero byte, or one below a bound, in a word).
    static bool mayNeedNoWork(const char *at)
    {
        constexpr std::uint64_t ones = 0x0101010101010101;
        constexpr std::uint64_t highs = 0x8080808080808080;
        std::uint64_t w = 0;
        std::memcpy(&w, at, 8);
        const auto hasZero = [](std::uint64_t v) { return (v - ones) & ~v & highs; };
        const std::uint64_t below20 = (w - 0x20 * ones) & ~w & highs;
        return ((w & highs) | below20 | hasZero(w ^ ('"' * ones)) | hasZero(w ^ ('\\' * ones)) |
                hasZero(w ^ (0x7f * ones))) == 0;
    }
    void room(qsizetype more)
    {
        if (m_size + more > m_bytes.size())
            grow(more);
    }
    void grow(qsizetype more)
    {
        m_bytes.resize(std::max<qsizetype>(2 * m_bytes.size(), m_size + more));
        m_data = m_bytes.data();
    }

    QByteArray m_bytes; // sized to its capacity; the document is the first m_size bytes
    char *m_data = nullptr;
    qsizetype m_size = 0;
};

} // namespace morvain::exporting
