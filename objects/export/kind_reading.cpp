#include "kind_reading.h"

#include "object_model.h"

#include <algorithm>

namespace morvain::exporting
{

bool endsWithClosingReply(const ObjectModel &model)
{
    const QString kind = model.kindName();
    return model.objectCount() > 0 &&
           (kind == QLatin1String("service") || kind == QLatin1String("client_server") ||
            kind == QLatin1String("conversation"));
}

KindReading readingOf(const ObjectModel &model)
{
    const ReplyHeader header = model.header();
    KindReading r;
    r.errorCode = header.error_code;
    r.ok = header.error_code == 0;
    r.objects = model.objectCount() - (endsWithClosingReply(model) ? 1 : 0);
    r.total = std::max<std::int64_t>(header.total_num_objects, r.objects);
    return r;
}

} // namespace morvain::exporting
