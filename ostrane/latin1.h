#pragma once
// JSON text is UTF-8; the wire carries one byte per character.

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane
{

// A character beyond Latin-1 (or a broken sequence) becomes "?".
inline std::string toLatin1(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
        std::uint32_t cp = extra == 0   ? c
                           : extra == 1 ? c & 0x1F
                           : extra == 2 ? c & 0x0F
                                        : c & 0x07;
        ++i;
        for (; extra > 0 && i < utf8.size(); --extra, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        out.push_back(cp <= 0xFF ? static_cast<char>(cp) : '?');
    }
    return out;
}

} // namespace ostrane
