#pragma once
// Little-endian integers and blank-padded single-byte text at fixed offsets.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace ostrane::wire
{

inline void putInt(std::uint8_t *at, int width, std::int64_t value)
{
    auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < width; ++i)
        at[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

inline std::int32_t getInt32(const std::uint8_t *at)
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= std::uint32_t{at[i]} << (8 * i);
    return static_cast<std::int32_t>(bits);
}

inline std::int16_t getInt16(const std::uint8_t *at)
{
    return static_cast<std::int16_t>(std::uint16_t(at[0] | (at[1] << 8)));
}

// Cut to the width, filled up with blanks.
inline void putText(std::uint8_t *at, int width, std::string_view latin1)
{
    const std::size_t n = std::min<std::size_t>(latin1.size(), static_cast<std::size_t>(width));
    if (n > 0) // an empty view may carry a null pointer
        std::memcpy(at, latin1.data(), n);
    std::memset(at + n, ' ', static_cast<std::size_t>(width) - n);
}

inline std::string getText(const std::uint8_t *at, int width)
{
    return std::string(reinterpret_cast<const char *>(at), static_cast<std::size_t>(width));
}

// Blanks and zero bytes around a value carry nothing (fresh fields hold zeros).
inline std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\0'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

inline std::string_view rtrimmed(std::string_view text)
{
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    return text;
}

} // namespace ostrane::wire
