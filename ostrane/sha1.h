#pragma once
// SHA-1 of a byte string: enough for deriving stable identifiers, not for security.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane
{

std::array<std::uint8_t, 20> sha1(std::string_view data);

// The digest as upper-case hex digits.
std::string sha1Hex(std::string_view data);

} // namespace ostrane
