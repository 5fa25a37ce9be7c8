#include "field_legend.h"

#include <QStringList>

namespace morvain
{

namespace
{

constexpr auto nf = notFilled;

// H: the highest value seen, A: a sum the stand-in keeps from the moments a query ran;
// both per broker and object, starting again with the monitor.
// clang-format off
constexpr LegendRow rows[] = {
    // Broker Object
    {"broker", "platform", "Platform",
     "the broker's platform", "text",
     "\"OTP \" and the Erlang version of the node the API answers from", "text",
     "the server's version (varz.version)", "text"},
    {"broker", "run_time", "Run-time",
     "time the broker has been running", "seconds",
     "the node's uptime", "seconds",
     "the server's uptime (varz.uptime)", "seconds"},
    {"broker", "num_worker_act", "Num of workers act",
     "number of active workers", "workers",
     "cluster nodes running", "nodes",
     "1 + the server's routes", "servers"},
    {"broker", "num_long", "Long Buffers: Num defined",
     "long buffers: number defined", "buffers",
     "the node's memory limit", "KiB",
     nf, ""},
    {"broker", "long_act", "Long Buffers: Num active",
     "long buffers: number active", "buffers",
     "memory the node uses", "KiB",
     "memory the server uses (varz.mem)", "KiB"},
    {"broker", "long_high", "Long Buffers: Highest active",
     "long buffers: highest active", "buffers",
     "the most memory the node used (H)", "KiB",
     "the most memory the server used (H)", "KiB"},
    {"broker", "num_short", "Short Buffers: Num defined",
     "short buffers: number defined", "buffers",
     nf, "",
     nf, ""},
    {"broker", "short_act", "Short Buffers: Num active",
     "short buffers: number active", "buffers",
     "messages in all queues", "messages",
     nf, ""},
    {"broker", "short_high", "Short Buffers: Highest active",
     "short buffers: highest active", "buffers",
     "the most messages in all queues (H)", "messages",
     nf, ""},
    {"broker", "long_size", "Long Buffers: Size",
     "size of the long buffers", "bytes",
     "1024: the long buffers count KiB", "bytes",
     "1024: the long buffers count KiB", "bytes"},
    {"broker", "short_size", "Short Buffers: Size",
     "size of the short buffers", "bytes",
     "the mean size of the messages in all queues", "bytes",
     nf, ""},
    {"broker", "num_service", "Services: Num defined",
     "services: number defined", "services",
     "queues (reply queues left out)", "queues",
     "endpoints of all service instances", "endpoints"},
    {"broker", "service_act", "Services: Num active",
     "services: number active", "services",
     "queues with a consumer", "queues",
     "endpoints of the instances whose STATS came", "endpoints"},
    {"broker", "num_server", "Servers: Num defined",
     "servers: number defined", "servers",
     "connections that consume a service queue", "connections",
     "connections that are service instances", "connections"},
    {"broker", "server_act", "Servers: Num active",
     "servers: number active", "servers",
     "of those, the ones not idle", "connections",
     "of those, the ones that moved messages lately", "connections"},
    {"broker", "server_high", "Servers: Highest active",
     "servers: highest active", "servers",
     "the most servers active (H)", "connections",
     "the most servers active (H)", "connections"},
    {"broker", "num_client", "Clients: Num defined",
     "clients: number defined", "clients",
     "the other connections", "connections",
     "the other connections", "connections"},
    {"broker", "client_act", "Clients: Num active",
     "clients: number active", "clients",
     "of those, the ones not idle", "connections",
     "of those, the ones that moved messages lately", "connections"},
    {"broker", "client_high", "Clients: Highest active",
     "clients: highest active", "clients",
     "the most clients active (H)", "connections",
     "the most clients active (H)", "connections"},
    {"broker", "num_conv", "Conversations: Num defined",
     "conversations: number defined", "conversations",
     "open channels", "channels",
     "subscriptions (varz.subscriptions)", "subscriptions"},
    {"broker", "conv_high", "Conversations: Highest active",
     "conversations: highest active", "conversations",
     "the most open channels (H)", "channels",
     "the most subscriptions (H)", "subscriptions"},
    {"broker", "trace_level", "Trace level",
     "the broker's trace level", "level",
     "1 while tracing is on, else 0", "level",
     nf, ""},
    {"broker", "final_int16", "Final value (not shown)",
     "16-bit value, not interpreted", "number",
     nf, "",
     nf, ""},

    // Worker Object
    {"worker", "worker_id", "Worker ID",
     "the worker's ID", "number",
     "the cluster node, numbered from 1 in name order", "number",
     "the server asked or the far end of a route, numbered from 1 in name order", "number"},
    {"worker", "worker_status", "Worker status",
     "the worker's status", "code",
     "Started in the node's first minute, Active with work queued or messages moved since "
     "the last query, else Waiting", "code",
     "Started in the server's first minute, Active when its messages moved since the last "
     "query, else Waiting", "code"},
    {"worker", "call_sum", "Sum of calls per worker",
     "sum of calls of this worker", "calls",
     "messages its channels published and delivered", "messages",
     "messages in and out (in_msgs + out_msgs)", "messages"},
    {"worker", "idle_sum", "Sum of idle time per worker",
     "sum of idle time of this worker", "seconds",
     "time the node was Waiting (A)", "seconds",
     "time the server was Waiting (A)", "seconds"},

    // Service Object
    {"service", "server_class", "Server class",
     "server class under which the service is registered", "text",
     "the vhost", "text",
     "the service's name", "text"},
    {"service", "server_name", "Server name",
     "server name", "text",
     "the consuming connection's name; \"-\" and the vhost when nobody consumes", "text",
     "the instance's id", "text"},
    {"service", "service", "Service",
     "service name", "text",
     "the queue", "text",
     "the endpoint's name", "text"},
    {"service", "translation", "Translation routine",
     "translation routine", "text",
     "the queue's type (classic, quorum, stream)", "text",
     "the instance's version", "text"},
    {"service", "conv_nonact", "Conversations: Timeout",
     "conversation timeout", "seconds",
     "the queue's message TTL; 0: no TTL", "seconds",
     nf, ""},
    {"service", "server_act", "Servers: Num active",
     "servers active", "servers",
     "the connection's consumers on the queue", "consumers",
     "instances listing this endpoint of this service", "instances"},
    {"service", "conv_act", "Conversations: Num active",
     "conversations active", "conversations",
     "messages delivered and not yet acknowledged (messages_unacknowledged)", "messages",
     nf, ""},
    {"service", "conv_high", "Conversations: Highest active",
     "conversations, highest number active", "conversations",
     "the most unacknowledged messages (H)", "messages",
     nf, ""},
    {"service", "long_act", "Long Buffers: Num active",
     "long buffers active", "buffers",
     "memory the queue uses", "KiB",
     nf, ""},
    {"service", "long_high", "Long Buffers: Highest active",
     "long buffers, highest number active", "buffers",
     "the most memory the queue used (H)", "KiB",
     nf, ""},
    {"service", "short_act", "Short Buffers: Num active",
     "short buffers active", "buffers",
     "messages in the queue", "messages",
     nf, ""},
    {"service", "short_high", "Short Buffers: Highest active",
     "short buffers, highest number active", "buffers",
     "the most messages in the queue (H)", "messages",
     nf, ""},
    {"service", "wait_server", "Servers: Total wait time",
     "total wait time of the servers", "seconds",
     "time consumed with nothing ready (A)", "seconds",
     nf, ""},
    {"service", "num_wait_server", "Servers: Times client had to wait",
     "times a client had to wait", "times",
     "queries that found messages ready (A)", "queries",
     nf, ""},
    {"service", "num_serv_occ", "Servers: Times server were occupied",
     "times the servers were occupied", "times",
     "queries with unacknowledged messages at or above the consumers (A)", "queries",
     nf, ""},
    {"service", "num_pend", "Conversations: Pending",
     "conversations pending", "conversations",
     "messages ready for delivery (messages_ready)", "messages",
     nf, ""},
    {"service", "pend_high", "Conversations: Highest pending",
     "conversations, highest number pending", "conversations",
     "the most messages ready (H)", "messages",
     nf, ""},
    {"service", "req_sum", "Accumulated number of requests",
     "accumulated number of requests", "requests",
     "messages published to the queue (message_stats.publish)", "messages",
     "requests the endpoint served (num_requests)", "requests"},
    // Beside the record: a NATS endpoint's figures from the stand-in's extras file.
    {"service", "num_errors", "Errors",
     nf, "",
     nf, "",
     "requests the endpoint answered with an error (num_errors)", "requests"},
    {"service", "last_error", "Last error",
     nf, "",
     nf, "",
     "the endpoint's last error (last_error)", "text"},
    {"service", "average_processing_time", "Average processing time",
     nf, "",
     nf, "",
     "the endpoint's mean time per request (average_processing_time)", "microseconds"},

    // Client/Server
    {"client_server", "user_id", "User ID",
     "user ID", "text",
     "the connection's name as the client gave it, else user@host:port", "text",
     "the connection's name, else ip:port", "text"},
    {"client_server", "p_user_id", "Physical User ID",
     "physical user ID", "text",
     "the peer's host:port", "text",
     "the connection's ip:port", "text"},
    {"client_server", "p_user_id_char", "Physical internal ID",
     "physical internal ID", "text",
     "user@vhost", "text",
     "the client library's language and version", "text"},
    {"client_server", "token", "Token",
     "token", "text",
     "the client's product", "text",
     "the service's name and version for an instance, else the language", "text"},
    {"client_server", "char_set", "Character set of user's platform",
     "character set of the user's platform", "code",
     "always 128 (Latin-1)", "code",
     "always 128 (Latin-1)", "code"},
    {"client_server", "endian", "Endian type of user platform",
     "endian type of the user's platform", "code",
     "-1: not known", "code",
     "-1: not known", "code"},
    {"client_server", "status", "User status",
     "user status", "code",
     "Waiting while it consumes with nothing unacknowledged, else Not waiting", "code",
     "Waiting for a service instance, else Not waiting", "code"},
    {"client_server", "word_158", "Word 158 (not shown)",
     "a 16-bit value that is not shown", "number",
     nf, "",
     nf, ""},
    {"client_server", "wait_conv_type",
     "For ANY,NEW or OLD the following is returned: Conversation type",
     "conversation type the user waits for", "text",
     "\"NEW\" for a waiting server", "text",
     "\"NEW\" for a service instance", "text"},
    {"client_server", "wait_server_class",
     "For ANY,NEW or OLD the following is returned: Server class",
     "server class of that wait", "text",
     "the vhost of the queue it waits on", "text",
     "the instance's service name", "text"},
    {"client_server", "wait_server_name",
     "For ANY,NEW or OLD the following is returned: Server name",
     "server name of that wait", "text",
     "the connection's own name", "text",
     "the instance's id", "text"},
    {"client_server", "wait_service",
     "For ANY,NEW or OLD the following is returned: Service",
     "service of that wait", "text",
     "the queue it waits on", "text",
     "the instance's first endpoint", "text"},
    {"client_server", "conv_act", "No of acive conversations for this user",
     "active conversations of this user", "conversations",
     "the connection's channels", "channels",
     "the connection's subscriptions", "subscriptions"},
    {"client_server", "service_act", "No of services active",
     "services active", "services",
     "queues it consumes", "queues",
     "the instance's endpoints", "endpoints"},
    {"client_server", "last_active", "Elapsed time since last activity of user",
     "elapsed time since the user's last activity", "seconds",
     "time its channels have been idle", "seconds",
     "the connection's idle time", "seconds"},
    {"client_server", "nonact", "Non-activity time-out",
     "non-activity timeout", "seconds",
     "the connection's heartbeat", "seconds",
     nf, ""},
    {"client_server", "wait_new", "Total time server waited for new conv",
     "total time the server waited for a new conversation", "seconds",
     "time a server consumed with nothing unacknowledged (A)", "seconds",
     nf, ""},
    {"client_server", "num_wait_new", "No of times server had to wait",
     "times the server had to wait", "times",
     "queries that found the server waiting (A)", "queries",
     nf, ""},
    {"client_server", "wait_old", "Total time waited for old conv",
     "total time waited for an old conversation", "seconds",
     nf, "",
     nf, ""},
    {"client_server", "num_wait_old", "No of times waited",
     "times waited", "times",
     nf, "",
     nf, ""},
    {"client_server", "sum_conv", "Sum of conversations for user",
     "sum of conversations of the user", "conversations",
     "messages delivered to a server, published by a client", "messages",
     "messages delivered to an instance (out_msgs), sent by a client (in_msgs)", "messages"},

    // Conv Object
    {"conversation", "conversation_id", "Conversation ID",
     "conversation ID", "text",
     "derived from the channel, stable while it lives", "text",
     "derived from the subscription, stable while it lives", "text"},
    {"conversation", "server_user_id", "Server Information: User ID",
     "user ID of the conversation's server", "text",
     "the channel's connection, when it is a server", "text",
     "the subscriber, when it is a service instance", "text"},
    {"conversation", "server_p_user_id", "Server Information: Physical User ID",
     "physical user ID of the server", "text",
     "the peer's host:port", "text",
     "the connection's ip:port", "text"},
    {"conversation", "server_p_user_id_char", "Server Information: Physical User ID (char)",
     "physical user ID of the server, character form", "text",
     "user@vhost", "text",
     "the client library's language and version", "text"},
    {"conversation", "server_token", "Server Information: Token",
     "token of the server", "text",
     "the client's product", "text",
     "the service's name and version", "text"},
    {"conversation", "client_user_id", "Client Information: User ID",
     "user ID of the conversation's client", "text",
     "the channel's connection, when it is a client", "text",
     "the subscriber, when it is a client", "text"},
    {"conversation", "client_p_user_id", "Client Information: Physical User ID",
     "physical user ID of the client", "text",
     "the peer's host:port", "text",
     "the connection's ip:port", "text"},
    {"conversation", "client_p_user_id_char", "Client Information: Physical User ID (char)",
     "physical user ID of the client, character form", "text",
     "user@vhost", "text",
     "the client library's language and version", "text"},
    {"conversation", "client_token", "Client Information: Token",
     "token of the client", "text",
     "the client's product", "text",
     "the client library's language", "text"},
    {"conversation", "conv_server_class", "Service of Conversation: Server class",
     "server class of the conversation's service", "text",
     "the channel's vhost", "text",
     "the instance's service name", "text"},
    {"conversation", "conv_server_name", "Service of Conversation: Server name",
     "server name of the conversation's service", "text",
     "the consuming connection's name", "text",
     "the instance's id", "text"},
    {"conversation", "conv_service", "Service of Conversation: Service",
     "service of the conversation", "text",
     "the queue the channel consumes", "text",
     "the endpoint the subject serves", "text"},
    {"conversation", "conv_time_out", "Service of Conversation: Time out",
     "time-out of the conversation", "seconds",
     "the queue's message TTL, else the connection's heartbeat", "seconds",
     nf, ""},
    {"conversation", "last_active_conv", "Elapsed time since last activity for this conv",
     "time elapsed since the conversation's last activity", "seconds",
     "time the channel has been idle", "seconds",
     "the connection's idle time", "seconds"},
    {"conversation", "conv_type", "Type of conversation",
     "conversation type", "code",
     "0 (Conversational) with consumers, else 1", "code",
     "0 (Conversational) for an endpoint's subscription, else 1", "code"},
    {"conversation", "conv_word_394", "Word 394 (not shown)",
     "received and stored, never shown", "number",
     nf, "",
     nf, ""},
};
// clang-format on

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

bool startsWith(const QString &id, const char *scheme)
{
    return id.startsWith(QLatin1String(scheme), Qt::CaseInsensitive);
}

} // namespace

QString sourceName(BrokerSource source)
{
    switch (source) {
    case BrokerSource::Demo:
        return QStringLiteral("the demo broker");
    case BrokerSource::Scenario:
        return QStringLiteral("a scenario");
    case BrokerSource::RabbitMq:
        return QStringLiteral("RabbitMQ");
    case BrokerSource::Nats:
        return QStringLiteral("NATS");
    }
    return {};
}

BrokerSource sourceOf(const QString &brokerId, const QString &namedType)
{
    // Blanks and zero bytes pad the ID in "Broker.cfg"; the client library skips them.
    QString id = brokerId;
    while (!id.isEmpty() && (id.back() == u' ' || id.back() == u'\0'))
        id.chop(1);
    while (!id.isEmpty() && (id.front() == u' ' || id.front() == u'\0'))
        id.remove(0, 1);
    if (startsWith(id, "http://") || startsWith(id, "https://"))
        return BrokerSource::RabbitMq;
    if (startsWith(id, "nats://") || startsWith(id, "tls://"))
        return BrokerSource::Nats;
    if (namedType.compare(QLatin1String("rabbitmq"), Qt::CaseInsensitive) == 0)
        return BrokerSource::RabbitMq;
    if (namedType.compare(QLatin1String("nats"), Qt::CaseInsensitive) == 0)
        return BrokerSource::Nats;
    return id.isEmpty() ? BrokerSource::Demo : BrokerSource::Scenario;
}

std::span<const LegendRow> legendRows()
{
    return rows;
}

QString FieldLegend::captionWithUnit() const
{
    return unit.isEmpty() ? caption : caption + QStringLiteral(" (") + unit + u')';
}

QString FieldLegend::toolTip(BrokerSource source) const
{
    QStringList lines{caption, QStringLiteral("On %1: %2").arg(sourceName(source), meaning)};
    // The marks the docs explain once, spelt out where a person meets them.
    if (meaning.endsWith(QLatin1String("(H)")))
        lines << QStringLiteral("(H): the highest value the stand-in has seen since it started");
    else if (meaning.endsWith(QLatin1String("(A)")))
        lines << QStringLiteral("(A): summed by the stand-in over the queries since it started");
    if (!unit.isEmpty())
        lines << QStringLiteral("Unit: ") + unit;
    lines << QStringLiteral("Field: ") + field;
    return lines.join(u'\n');
}

FieldLegend fieldLegend(std::string_view kind, const QString &field, BrokerSource source)
{
    for (const LegendRow &row : rows) {
        if (row.kind != kind || latin1(row.field) != field)
            continue;
        std::string_view meaning = row.own, unit = row.ownUnit;
        if (source == BrokerSource::RabbitMq)
            meaning = row.rabbit, unit = row.rabbitUnit;
        else if (source == BrokerSource::Nats)
            meaning = row.nats, unit = row.natsUnit;
        FieldLegend legend{field, latin1(row.caption), latin1(meaning), latin1(unit)};
        if (meaning == notFilled) {
            legend.meaning = QStringLiteral("not filled by this broker (0)");
            legend.unit.clear();
            legend.filled = false;
        }
        return legend;
    }
    return {};
}

} // namespace morvain
