#include "broker_object/broker_object_model.h"

#include "decimal.h"
#include "field_values.h"

#include <cmath>

namespace morvain
{

namespace
{

FieldKind kindOf(std::string_view name)
{
    return name == "run_time" ? FieldKind::Counter : FieldKind::Gauge;
}

QString decodedOf(std::string_view name, std::int64_t number)
{
    return name == "run_time" ? runTimeText(static_cast<std::int32_t>(number)) : QString();
}

constexpr FieldRules rules{kindOf, decodedOf};

} // namespace

RunTimeSplit splitRunTime(std::int32_t runTime)
{
    const double t = runTime;
    const double hours = std::floor(t / 60 / 60);
    const double minutes = std::floor(t / 60 - hours * 60);
    const double seconds = t - hours * 3600 - minutes * 60;
    return {static_cast<long long>(hours), static_cast<long long>(minutes),
            static_cast<long long>(seconds)};
}

QString runTimeText(std::int32_t runTime)
{
    const RunTimeSplit s = splitRunTime(runTime);
    return QStringLiteral("%1:%2:%3")
        .arg(decimal(s.hours))
        .arg(s.minutes, 2, 10, QLatin1Char('0'))
        .arg(s.seconds, 2, 10, QLatin1Char('0'));
}

void BrokerObjectModel::query(InfoCycle &cycle)
{
    emit aboutToQuery();
    cycle.runBroker(replyArea(m_reply));
    emit queried();
}

QList<FieldInfo> BrokerObjectModel::columns() const
{
    return columnsOf(layout::brokerObject, rules);
}

RecordView BrokerObjectModel::record(int z) const
{
    if (z != 1)
        return {};
    return {m_reply.span(), layout::brokerObject, &rules};
}

} // namespace morvain
