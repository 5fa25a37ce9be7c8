#include "object_model.h"

#include "field_values.h"

#include <algorithm>

namespace morvain
{

const KindInfo &ObjectModel::kind() const
{
    const QByteArray name = kindName().toLatin1();
    for (const KindInfo &k : kindRegistry)
        if (k.name == std::string_view(name.constData(), std::size_t(name.size())))
            return k;
    // A model of no registered kind reads as a list without a closing reply.
    static constexpr KindInfo unregistered{"", "", "", "", {}, false};
    return unregistered;
}

QList<FieldValue> ObjectModel::values(int z) const
{
    const RecordView r = record(z);
    if (r.bytes.empty() || !r.rules)
        return {};
    return valuesOf(r.bytes, r.fields, *r.rules);
}

int ObjectModel::totalCount() const
{
    return std::max(shownCount(), int(header().total_num_objects));
}

} // namespace morvain
