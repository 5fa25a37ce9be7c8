#pragma once
// One worker object's reply, and the table a worker query stores them in.

#include "object_table.h"
#include "reply_header.h"

namespace morvain
{

namespace layout
{
inline constexpr std::array<wire::Field, 4> workerObject{{
    {"worker_id", 32, 2, wire::Encoding::Int16},
    {"worker_status", 34, 2, wire::Encoding::Int16},
    {"call_sum", 36, 4, wire::Encoding::Int32},
    {"idle_sum", 40, 4, wire::Encoding::Int32},
}};
inline constexpr auto workerReply = replyFields(workerObject);
} // namespace layout

using WorkerReply = wire::Record<layout::workerReply, 44>;
using WorkerTable = ObjectTable<WorkerReply, 1000>;

} // namespace morvain
