#pragma once
// Texts as the writers put them into a document: records hold Latin-1, documents are
// UTF-8, and each format escapes a few bytes its own way.

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

inline void appendNumber(std::string &out, std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, std::size_t(end - digits));
}

enum class Charset { Latin1, Utf8 };

// `text` as UTF-8, each byte below 0x80 for which escape(c) is not empty written as that.
// Latin-1 bytes from 0x80 up become two UTF-8 bytes; UTF-8 ones go as they are (escape()
// is never asked about them).
template <Charset from, class Escape>
void appendEscaped(std::string &out, std::string_view text, Escape escape)
{
    std::size_t run = 0; // the bytes from here on go in as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::string_view instead;
        char pair[2];
        if (c >= 0x80) {
            if (from == Charset::Utf8)
                continue;
            pair[0] = char(0xc0 | (c >> 6));
            pair[1] = char(0x80 | (c & 0x3f));
            instead = {pair, 2};
        } else {
            instead = escape(c);
            if (instead.empty())
                continue;
        }
        out.append(text.substr(run, i - run));
        out.append(instead);
        run = i + 1;
    }
    out.append(text.substr(run));
}

} // namespace morvain::exporting
