#pragma once
// The 32-byte header at the start of every reply record.

#include "record.h"

#include <cstdint>

namespace morvain
{

namespace layout
{
using wire::Encoding;
using wire::Field;
inline constexpr std::array<Field, 8> replyHeader{{
    {"error_code", 0, 4, Encoding::Int32},
    {"total_num_objects", 4, 4, Encoding::Int32},
    {"current_num_objects", 8, 4, Encoding::Int32},
    {"max_sc_len", 12, 4, Encoding::Int32},
    {"max_sn_len", 16, 4, Encoding::Int32},
    {"max_sv_len", 20, 4, Encoding::Int32},
    {"max_uid_len", 24, 4, Encoding::Int32},
    {"max_tk_len", 28, 4, Encoding::Int32},
}};
} // namespace layout

inline constexpr int replyHeaderSize = 32;

// Every reply record's table: the header, then the kind's own fields.
template <std::size_t N> constexpr auto replyFields(const std::array<wire::Field, N> &objectFields)
{
    return wire::concat(layout::replyHeader, objectFields);
}

struct ReplyHeader {
    std::int32_t error_code = 0;
    std::int32_t total_num_objects = 0;
    std::int32_t current_num_objects = 0;
    std::int32_t max_sc_len = 0;
    std::int32_t max_sn_len = 0;
    std::int32_t max_sv_len = 0;
    std::int32_t max_uid_len = 0;
    std::int32_t max_tk_len = 0;
};

template <class Reply> ReplyHeader headerOf(const Reply &r)
{
    return {r.template int32<"error_code">(),          r.template int32<"total_num_objects">(),
            r.template int32<"current_num_objects">(), r.template int32<"max_sc_len">(),
            r.template int32<"max_sn_len">(),          r.template int32<"max_sv_len">(),
            r.template int32<"max_uid_len">(),         r.template int32<"max_tk_len">()};
}

} // namespace morvain
