#include "worker/worker_model.h"

#include "code_words.h"
#include "decimal.h"
#include "field_values.h"

namespace morvain
{

namespace
{

FieldKind kindOf(std::string_view name)
{
    if (name == "worker_status")
        return FieldKind::Code;
    if (name == "call_sum" || name == "idle_sum")
        return FieldKind::Counter;
    return FieldKind::Gauge;
}

QString decodedOf(std::string_view name, std::int64_t number)
{
    return name == "worker_status" ? workerStatusWord(decimal(number)) : QString();
}

constexpr FieldRules rules{kindOf, decodedOf};

} // namespace

QString workerStatusWord(const QString &text)
{
    return wordFor(text, {{"2", "Active"}, {"4", "Started"}, {"5", "Waiting"}});
}

void WorkerModel::query(InfoCycle &cycle, const std::function<void()> &listing)
{
    m_table.reset();
    cycle.runList(
        kinds::worker, replyArea(m_reply), [this] { store(); },
        [this, &listing] {
            emit queried();
            if (listing)
                listing();
        });
}

QStringList WorkerModel::workerIds() const
{
    QStringList ids;
    ids.reserve(m_table.count());
    for (int z = 1; z <= m_table.count(); ++z)
        ids << decimal(m_table.slot(z).int16<"worker_id">());
    return ids;
}

QList<FieldInfo> WorkerModel::columns() const
{
    return columnsOf(layout::workerObject, rules);
}

QList<FieldValue> WorkerModel::values(int z) const
{
    if (z < 1 || z > m_table.count())
        return {};
    return valuesOf(m_table.slot(z).span(), layout::workerObject, rules);
}

QString WorkerModel::key(int z) const
{
    if (z < 1 || z > m_table.count())
        return {};
    return decimal(m_table.slot(z).int16<"worker_id">());
}

} // namespace morvain
