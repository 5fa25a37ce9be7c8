#pragma once
// RabbitMQ's services one row per queue. The service list has a row per queue and consuming
// connection, each with the queue's own numbers; summed, they would count a queue as often
// as it has consumers. Here each queue (vhost and queue) is one object: the numbers of its
// first row, its consumers summed over its rows, and no server name, so its Prometheus
// series and its table row stay the same whoever consumes it.

#include "service/service_model.h"

#include <array>
#include <cstdint>
#include <vector>

namespace morvain
{

namespace layout
{
// The service fields less the server name, in record order.
inline constexpr auto queueObject = [] {
    std::array<wire::Field, serviceObject.size() - 1> out{};
    std::size_t n = 0;
    for (const wire::Field &f : serviceObject)
        if (f.name != "server_name")
            out[n++] = f;
    return out;
}();
} // namespace layout

class QueueModel : public ObjectModel
{
    Q_OBJECT
public:
    // Follows `services`: after each of its queries the queues are read again.
    explicit QueueModel(ServiceModel &services, QObject *parent = nullptr);

    QString kindName() const override { return m_services.kindName(); }
    const KindInfo &kind() const override { return m_services.kind(); }
    QList<FieldInfo> columns() const override;
    // The service query; the queues follow it.
    void query(InfoCycle &cycle) override { m_services.query(cycle); }
    // The queues, then the reply that ended the service list.
    int objectCount() const override { return int(m_records.size()); }
    RecordView record(int z) const override;
    QString key(int z) const override;
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const override;
    std::array<std::string_view, 3> keyFields() const override { return queueKeyFields; }
    // The service list's header; its total counts each row the broker did not send as one
    // queue more (at most one each).
    ReplyHeader header() const override { return m_header; }

    // How many rows of the service list queue z gathered.
    int rowsOf(int z) const;
    // Off: the service queries pass it by and it holds no queue (a broker whose services
    // are no queues). On again: it reads the last service query at once.
    void setFollowing(bool on);

private:
    void follow();

    ServiceModel &m_services;
    std::vector<ServiceReply> m_records; // the first row of each queue, its consumers summed
    std::vector<int> m_rows;             // per queue
    ReplyHeader m_header{};
    bool m_following = true;
};

} // namespace morvain
