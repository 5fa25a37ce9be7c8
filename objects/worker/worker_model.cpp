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
    runQuery(cycle, [this, &listing] {
        emit queried();
        if (listing)
            listing();
    });
}

WorkerModel::WorkerModel(QObject *parent)
    : ListModel(WorkerKind, kinds::worker, layout::workerObject, rules, parent)
{
}

} // namespace morvain
