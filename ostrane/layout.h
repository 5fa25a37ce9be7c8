#pragma once
// Layouts of the four records that cross ostrane_entry_1, written down once as tables.
//
// Note to maintainer: every offset here is an offset into the record as it crosses the
// entry point (the reply offsets include the 32-byte header). The tables are checked at
// compile time to tile their record without gaps; the encoder walks them and nothing else
// repeats an offset.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace ostrane
{

// Control block: only the fields this library reads or writes.
namespace control
{
inline constexpr int size = 524;
inline constexpr int call_code = 2;
inline constexpr int broker_id = 36, broker_id_width = 32;
inline constexpr int conv_id = 292, conv_id_width = 16;
inline constexpr int first_call = 308, first_call_width = 8;
inline constexpr int result_code = 316, result_code_width = 4;
} // namespace control

namespace request
{
inline constexpr int size = 220;
inline constexpr int object_length = 0; // int32
inline constexpr int object_kind = 8;   // int16
} // namespace request

namespace error_area
{
inline constexpr int text_width = 40; // the 41st byte is the caller's terminator
}

enum class Type : std::uint8_t { Text, Int16, Int32 };

// Which header maximum a text field feeds (the header reports the longest value seen).
enum class Measure : std::uint8_t { None, ServerClass, ServerName, Service, UserId, Token };

struct Field {
    std::string_view name;
    int offset;
    int width;
    Type type;
    Measure measure = Measure::None;
};

inline constexpr int header_size = 32;

// Eight int32 at the start of every reply.
enum HeaderField : int {
    error_code,
    total_num_objects,
    current_num_objects,
    max_sc_len,
    max_sn_len,
    max_sv_len,
    max_uid_len,
    max_tk_len,
    header_field_count
};

inline constexpr std::array<std::string_view, header_field_count> header_names{
    "error_code", "total_num_objects", "current_num_objects", "max_sc_len",
    "max_sn_len", "max_sv_len",        "max_uid_len",         "max_tk_len"};

using enum Type;
using M = Measure;

inline constexpr Field broker_fields[] = {
    {"platform", 32, 8, Text},        {"run_time", 40, 4, Int32},
    {"num_worker_act", 44, 4, Int32}, {"num_long", 48, 4, Int32},
    {"long_act", 52, 4, Int32},       {"long_high", 56, 4, Int32},
    {"num_short", 60, 4, Int32},      {"short_act", 64, 4, Int32},
    {"short_high", 68, 4, Int32},     {"long_size", 72, 4, Int32},
    {"short_size", 76, 4, Int32},     {"num_service", 80, 4, Int32},
    {"service_act", 84, 4, Int32},    {"num_server", 88, 4, Int32},
    {"server_act", 92, 4, Int32},     {"server_high", 96, 4, Int32},
    {"num_client", 100, 4, Int32},    {"client_act", 104, 4, Int32},
    {"client_high", 108, 4, Int32},   {"num_conv", 112, 4, Int32},
    {"conv_high", 116, 4, Int32},     {"trace_level", 120, 2, Int16},
    {"final_int16", 122, 2, Int16},
};

inline constexpr Field worker_fields[] = {
    {"worker_id", 32, 2, Int16},
    {"worker_status", 34, 2, Int16},
    {"call_sum", 36, 4, Int32},
    {"idle_sum", 40, 4, Int32},
};

inline constexpr Field service_fields[] = {
    {"server_class", 32, 32, Text, M::ServerClass},
    {"server_name", 64, 32, Text, M::ServerName},
    {"service", 96, 32, Text, M::Service},
    {"translation", 128, 8, Text},
    {"conv_nonact", 136, 4, Int32},
    {"server_act", 140, 4, Int32},
    {"conv_act", 144, 4, Int32},
    {"conv_high", 148, 4, Int32},
    {"long_act", 152, 4, Int32},
    {"long_high", 156, 4, Int32},
    {"short_act", 160, 4, Int32},
    {"short_high", 164, 4, Int32},
    {"wait_server", 168, 4, Int32},
    {"num_wait_server", 172, 4, Int32},
    {"num_serv_occ", 176, 4, Int32},
    {"num_pend", 180, 4, Int32},
    {"pend_high", 184, 4, Int32},
    {"req_sum", 188, 4, Int32},
};

inline constexpr Field user_fields[] = {
    {"user_id", 32, 32, Text, M::UserId},
    {"p_user_id", 64, 28, Text},
    {"p_user_id_char", 92, 28, Text},
    {"token", 120, 32, Text, M::Token},
    {"char_set", 152, 2, Int16},
    {"endian", 154, 2, Int16},
    {"status", 156, 2, Int16},
    {"word_158", 158, 2, Int16},
    {"wait_conv_type", 160, 16, Text},
    {"wait_server_class", 176, 32, Text, M::ServerClass},
    {"wait_server_name", 208, 32, Text, M::ServerName},
    {"wait_service", 240, 32, Text, M::Service},
    {"conv_act", 272, 4, Int32},
    {"service_act", 276, 4, Int32},
    {"last_active", 280, 4, Int32},
    {"nonact", 284, 4, Int32},
    {"wait_new", 288, 2, Int16},
    {"gap_290", 290, 2, Int16},
    {"num_wait_new", 292, 4, Int32},
    {"wait_old", 296, 4, Int32},
    {"num_wait_old", 300, 4, Int32},
    {"sum_conv", 304, 4, Int32},
};

inline constexpr Field conversation_fields[] = {
    {"conversation_id", 32, 16, Text},
    {"server_user_id", 48, 32, Text, M::UserId},
    {"server_p_user_id", 80, 28, Text},
    {"server_p_user_id_char", 108, 28, Text},
    {"server_token", 136, 32, Text, M::Token},
    {"client_user_id", 168, 32, Text, M::UserId},
    {"client_p_user_id", 200, 28, Text},
    {"client_p_user_id_char", 228, 28, Text},
    {"client_token", 256, 32, Text, M::Token},
    {"conv_server_class", 288, 32, Text, M::ServerClass},
    {"conv_server_name", 320, 32, Text, M::ServerName},
    {"conv_service", 352, 32, Text, M::Service},
    {"conv_time_out", 384, 4, Int32},
    {"last_active_conv", 388, 4, Int32},
    {"conv_type", 392, 2, Int16},
    {"conv_word_394", 394, 2, Int16},
};

// Index into per-kind arrays; also the order the scenario format lists the kinds in.
enum class KindId : int { Broker, Worker, Service, User, Conversation };
inline constexpr int kind_count = 5;

struct Kind {
    KindId id;
    int code;              // object_kind in the request
    std::string_view name; // key in scenario files
    int reply_size;
    std::span<const Field> fields;
    bool conversation; // false: one call answers it

    constexpr int objectLength() const { return reply_size - header_size; }
};

inline constexpr std::array<Kind, kind_count> kinds{{
    {KindId::Broker, 7, "broker", 124, broker_fields, false},
    {KindId::Worker, 8, "workers", 44, worker_fields, true},
    {KindId::Service, 6, "services", 192, service_fields, true},
    {KindId::User, 1, "users", 308, user_fields, true},
    {KindId::Conversation, 4, "conversations", 396, conversation_fields, true},
}};

constexpr const Kind &kind(KindId id)
{
    return kinds[static_cast<int>(id)];
}

constexpr const Kind *kindByCode(int code)
{
    for (const Kind &k : kinds)
        if (k.code == code)
            return &k;
    return nullptr;
}

constexpr bool tilesRecord(const Kind &k)
{
    int at = header_size;
    for (const Field &f : k.fields) {
        if (f.offset != at)
            return false;
        const int natural = f.type == Type::Int16 ? 2 : f.type == Type::Int32 ? 4 : f.width;
        if (f.width != natural || f.width <= 0)
            return false;
        at += f.width;
    }
    return at == k.reply_size;
}

static_assert(tilesRecord(kinds[0]) && tilesRecord(kinds[1]) && tilesRecord(kinds[2]) &&
              tilesRecord(kinds[3]) && tilesRecord(kinds[4]));
static_assert(header_field_count * 4 == header_size);
static_assert(kinds[0].id == KindId::Broker && kinds[1].id == KindId::Worker &&
              kinds[2].id == KindId::Service && kinds[3].id == KindId::User &&
              kinds[4].id == KindId::Conversation);

} // namespace ostrane
