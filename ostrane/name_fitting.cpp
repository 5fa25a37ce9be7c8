#include "name_fitting.h"

#include "latin1.h"
#include "sha1.h"

#include <algorithm>

namespace ostrane::live
{
namespace
{

std::string fit(std::string shown, std::string_view whole, std::size_t width)
{
    if (shown.size() <= width)
        return shown;
    const std::string mark = "~" + sha1Hex(whole).substr(0, 6);
    return shown.substr(0, width - std::min(width, mark.size())) + mark.substr(0, width);
}

} // namespace

std::string fitName(std::string_view utf8, std::size_t width)
{
    return fit(toLatin1(utf8), utf8, width);
}

std::string fitLatin1(std::string latin1, std::size_t width)
{
    const std::string whole = latin1;
    return fit(std::move(latin1), whole, width);
}

} // namespace ostrane::live
