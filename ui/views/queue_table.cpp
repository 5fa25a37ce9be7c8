#include "queue_table.h"

#include "service/queue_model.h"

namespace morvain
{

QueueTable::QueueTable(ServiceModel &services, Clock clock, QObject *parent)
    : QObject(parent), m_queues(new QueueModel(services, this)),
      m_history(new KindHistory(*m_queues, std::move(clock), this))
{
    m_queues->setFollowing(false); // until the broker is known to be a RabbitMQ one
}

QueueTable::~QueueTable() = default;

void QueueTable::follow(bool on)
{
    m_queues->setFollowing(on);
}

} // namespace morvain
