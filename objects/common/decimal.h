#pragma once
// Decimal text, the way every number is shown: "-" when negative, no padding, no grouping.

#include <QString>

namespace morvain
{

inline QString decimal(long long value)
{
    return QString::number(value);
}

} // namespace morvain
