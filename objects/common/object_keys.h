#pragma once
// What tells one object from another across queries on a broker of `source`: the kind's
// key fields, except where a row is finer than the broker's own object. On RabbitMQ a
// service row is a queue as one consuming connection sees it; the queue is the object, so
// its course, its trends and the rules on it follow vhost and queue whoever consumes it.

#include "field_legend.h"
#include "kind_registry.h"

namespace morvain
{

using KeyFields = std::array<std::string_view, 3>;

inline constexpr KeyFields queueKeyFields{"server_class", "service", ""};

constexpr KeyFields keyFieldsOf(KindIndex kind, BrokerSource source)
{
    if (kind == ServiceKind && source == BrokerSource::RabbitMq)
        return queueKeyFields;
    return kindRegistry[kind].keyFields;
}

} // namespace morvain
