#pragma once
// Texts as the writers put them into a document: records hold Latin-1, documents are
// UTF-8, and each format escapes a few bytes its own way.

#include <QByteArray>

#include <algorithm>
#include <array>
#include <bit>
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

namespace word
{
// Eight bytes at a time: records are mostly blank padding and plain ASCII, so a text is
// looked at byte by byte only when one of its words holds a byte some format rewrites.
constexpr std::uint64_t ones = 0x0101010101010101;
constexpr std::uint64_t highs = 0x8080808080808080;
constexpr std::uint64_t blanks = ' ' * ones;
constexpr bool littleEndian = std::endian::native == std::endian::little;

inline std::uint64_t load(const char *at)
{
    std::uint64_t w;
    std::memcpy(&w, at, 8);
    return w;
}
// Nonzero when a byte of v is zero (the usual test: exact as to whether one is).
constexpr std::uint64_t zeroIn(std::uint64_t v)
{
    return (v - ones) & ~v & highs;
}
// Nonzero when a byte of w is a control, 0x7f, '"', '\\', from 0x80 up or, for CSV, ','.
// Exact as to whether one is: a carry or borrow between bytes starts only at such a byte.
template <bool comma> constexpr std::uint64_t specialIn(std::uint64_t w)
{
    return ((w | (w + ones) | (w - 0x20 * ones)) & highs) | zeroIn(w ^ ('"' * ones)) |
           zeroIn(w ^ ('\\' * ones)) | (comma ? zeroIn(w ^ (',' * ones)) : 0);
}
template <bool comma> constexpr bool special(unsigned char c)
{
    return c < 0x20 || c >= 0x7f || c == '"' || c == '\\' || (comma && c == ',');
}
} // namespace word

// Whether `text` holds none of the bytes word::specialIn() names, and if so its shown
// part in `shown` (blanks off both ends). Such a text is written as it is in every format
// (none of them escapes another byte) and has no zero byte. Blank words at its end are
// passed over first, then the rest is checked and trimmed a word at a time.
template <bool comma = false> bool isPlain(std::string_view text, std::string_view &shown)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (!word::littleEndian) {
        for (const char c : text)
            if (word::special<comma>(static_cast<unsigned char>(c)))
                return false;
        shown = visible(text);
        return true;
    }
    while (end - begin >= 8 && word::load(end - 8) == word::blanks)
        end -= 8;
    // [begin, end): whole words, then the word that ends it (it may overlap the last one).
    if (end - begin >= 8) {
        const char *const last = end - 8;
        for (const char *at = begin; at < last; at += 8)
            if (word::specialIn<comma>(word::load(at)))
                return false;
        const std::uint64_t w = word::load(last);
        if (word::specialIn<comma>(w))
            return false;
        end -= std::countl_zero(w ^ word::blanks) / 8; // the word holds a byte no blank
        for (; end - begin >= 8; begin += 8) {
            const std::uint64_t front = word::load(begin) ^ word::blanks;
            if (front != 0) {
                begin += std::countr_zero(front) / 8;
                break;
            }
        }
        while (*begin == ' ') // short of a word, and end[-1] is no blank
            ++begin;
    } else {
        for (const char *at = begin; at != end; ++at)
            if (word::special<comma>(static_cast<unsigned char>(*at)))
                return false;
        while (end != begin && end[-1] == ' ')
            --end;
        while (begin != end && *begin == ' ')
            ++begin;
    }
    shown = {begin, std::size_t(end - begin)};
    return true;
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
    // Room for `most` bytes, to be written through the pointer given; commit() then says
    // where they end. Pieces of a known bound go in with one check of room between them.
    char *claim(qsizetype most)
    {
        reserve(most);
        return m_at + m_size;
    }
    void commit(const char *end) { m_size = qsizetype(end - m_at); }
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
    // Most fields hold counts below 100: written without to_chars' general path.
    if (number >= 0 && number < 100) {
        if (number < 10) {
            out += char('0' + number);
        } else {
            const char pair[2] = {char('0' + number / 10), char('0' + number % 10)};
            out.append(pair, 2);
        }
        return;
    }
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, qsizetype(end - digits));
}

// `size` bytes copied to `to`; the widths records give their texts are copied as fixed
// blocks (moves, not a call).
inline char *put(char *to, const char *from, std::size_t size)
{
    switch (size) {
    case 8:
        std::memcpy(to, from, 8);
        break;
    case 16:
        std::memcpy(to, from, 16);
        break;
    case 28:
        std::memcpy(to, from, 28);
        break;
    case 32:
        std::memcpy(to, from, 32);
        break;
    default:
        std::memcpy(to, from, size);
    }
    return to + size;
}
inline char *put(char *to, std::string_view text)
{
    return put(to, text.data(), text.size());
}
template <std::size_t n> char *put(char *to, const char (&literal)[n])
{
    std::memcpy(to, literal, n - 1);
    return to + n - 1;
}

// `number` in decimal at `to`, which has room for 20 bytes; where it ends.
inline char *putNumber(char *to, std::int64_t number)
{
    if (std::uint64_t(number) < 10) {
        *to = char('0' + number);
        return to + 1;
    }
    if (std::uint64_t(number) < 100) {
        to[0] = char('0' + number / 10);
        to[1] = char('0' + number % 10);
        return to + 2;
    }
    return std::to_chars(to, to + 20, number).ptr;
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
