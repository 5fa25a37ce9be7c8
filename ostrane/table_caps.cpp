#include "table_caps.h"

namespace ostrane::live
{

std::string okOf(int shown, std::int64_t total, std::string_view noun)
{
    return "Ok, " + std::to_string(shown) + " of " + std::to_string(total) + " " +
           std::string(noun);
}

void closeList(KindData &data, int total, std::string_view noun)
{
    data.every_call.header[total_num_objects] = total;
    if (total > data.count()) {
        CallScript opening;
        opening.error_text = okOf(data.count(), total, noun);
        data.calls.push_back(opening);
    }
}

} // namespace ostrane::live
