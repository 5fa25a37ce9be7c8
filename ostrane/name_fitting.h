#pragma once
// Names as the monitor's fixed-width fields show them. A name that tells objects apart
// (server class and name, service, user ID) must not come out equal to another because
// the two differ only beyond the cut.

#include <string>
#include <string_view>

namespace ostrane::live
{

// UTF-8 turned into Latin-1 and, when longer than `width`, cut and ended with "~" and six
// hex digits of the whole name's SHA-1.
std::string fitName(std::string_view utf8, std::size_t width);
// The same for a name already in Latin-1.
std::string fitLatin1(std::string latin1, std::size_t width);

} // namespace ostrane::live
