#pragma once
// What one snapshot round found: the kinds it queried, in the order it queried them, with
// what the broker said on the way.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace morvain
{
class ObjectModel;
class ObjectExtras;

struct KindReport {
    const ObjectModel *model = nullptr;
    // The broker's error text as the status bar would show it after the query (up to its
    // first zero byte).
    QString errorText;
    // Each "Broker Message" the query gave ("User does not exist!", "EOC true!!!"), in order.
    QStringList messages;
    // Fields beside the records (the services' extras of a NATS broker), or nullptr.
    const ObjectExtras *extras = nullptr;
    // The objects Prometheus samples where they are not the model's rows: RabbitMQ's
    // services as one series per queue (QueueModel). Null: the model's.
    const ObjectModel *series = nullptr;
    const ObjectModel &sampled() const { return series ? *series : *model; }
};

struct SnapshotReport {
    QString brokerId; // as "Broker.cfg" holds it: 32 characters, untrimmed
    QDateTime time;   // when the round started, UTC
    QList<KindReport> kinds;
};

} // namespace morvain
