#pragma once
// How a kind's last query went, the same for every format: good or failed, whole or cut,
// and how many of the stored entries are objects.

#include <cstdint>

namespace morvain
{
class ObjectModel;

namespace exporting
{

// True when the model's last stored entry is the reply that ended its query ("0003")
// rather than an object: the service, client/server and conversation tabs store it, the
// workers and the broker do not.
// Note to maintainer: stands in for ObjectModel::endsWithClosingReply() until the models
// answer it themselves; then this forwards to it.
bool endsWithClosingReply(const ObjectModel &model);

struct KindReading {
    bool ok = true;         // the header of the query's last reply has no error code
    int errorCode = 0;      // that error code
    int objects = 0;        // the stored entries that are objects (the closing reply is not)
    std::int64_t total = 0; // the header's total, or objects when that is smaller
    bool cut() const { return total > objects; }
};

KindReading readingOf(const ObjectModel &model);

} // namespace exporting
} // namespace morvain
