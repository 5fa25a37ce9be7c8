#pragma once
// The control block: identity, call code and conversation state of every Broker call.

#include "record.h"

namespace morvain
{

namespace layout
{
using wire::Encoding;
using wire::Field;
inline constexpr std::array<Field, 34> controlBlock{{
    {"fixed_code_0", 0, 1, Encoding::Code},
    {"fixed_code_1", 1, 1, Encoding::Code},
    {"call_code", 2, 1, Encoding::Code},
    {"reserved_3", 3, 1, Encoding::Code},
    {"reserved_4", 4, 16, Encoding::Text},
    {"int_20", 20, 4, Encoding::Int32},
    {"int_24", 24, 4, Encoding::Int32},
    {"int_28", 28, 4, Encoding::Int32},
    {"error_text_length", 32, 4, Encoding::Int32},
    {"broker_id", 36, 32, Encoding::Text},
    {"server_class", 68, 32, Encoding::Text},
    {"server_name", 100, 32, Encoding::Text},
    {"service", 132, 32, Encoding::Text},
    {"user_id", 164, 32, Encoding::Text},
    {"reserved_196", 196, 32, Encoding::Text},
    {"reserved_228", 228, 32, Encoding::Text},
    {"reserved_260", 260, 32, Encoding::Text},
    {"conv_id", 292, 16, Encoding::Text},
    {"first_call", 308, 8, Encoding::Text},
    {"result_code", 316, 4, Encoding::Text},
    {"reserved_320", 320, 4, Encoding::Text},
    {"reserved_324", 324, 32, Encoding::Text},
    {"reserved_356", 356, 16, Encoding::Text},
    {"reserved_372", 372, 1, Encoding::Text},
    {"reserved_373", 373, 48, Encoding::Text},
    {"reserved_421", 421, 16, Encoding::Text},
    {"reserved_437", 437, 1, Encoding::Text},
    {"reserved_438", 438, 8, Encoding::Text},
    {"reserved_446", 446, 1, Encoding::Text},
    {"reserved_447", 447, 4, Encoding::Text},
    {"reserved_451", 451, 32, Encoding::Text},
    {"reserved_483", 483, 8, Encoding::Text},
    {"reserved_491", 491, 32, Encoding::Text},
    {"padding_523", 523, 1, Encoding::Padding},
}};
} // namespace layout

using ControlBlock = wire::Record<layout::controlBlock, 524>;

// The caller's identity as it stands in "Broker.cfg" (user ID first there, last here).
struct Identity {
    QString userId;
    QString brokerId;
    QString serverClass;
    QString serverName;
    QString service;
};

// Start-up values: the constants, the identity and "NEW".
void fillAtStart(ControlBlock &cb, const Identity &identity);
// Used at start and after each save of the configuration.
void assignIdentity(ControlBlock &cb, const Identity &identity);

} // namespace morvain
