#pragma once
// Which live source answers a broker: chosen by the broker ID's scheme, or by a named
// broker's `type`.

#include <string_view>

namespace ostrane
{

enum class LiveType : int { none, rabbitmq, nats, live_type_count };

// The source a URL names by its scheme (http:// and https://: RabbitMQ's management API;
// nats:// and tls://: a NATS server's client port); none for anything else, a scenario
// name among them.
LiveType liveTypeOf(std::string_view url);
// The source a named broker's `type` names ("rabbitmq", "nats"); none for an unknown one.
LiveType liveTypeNamed(std::string_view type);

} // namespace ostrane
