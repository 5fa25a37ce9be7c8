#pragma once
// RabbitMQ's services one row per queue, beside the tab's row per queue and consumer, with
// its own course (trends from its cells), for the table window "Queues" under View > Tables.
// It follows the service queries only while the broker is a RabbitMQ one.

#include "kind_history.h"
#include "table_window.h"

#include <QObject>
#include <QPointer>

namespace morvain
{

class QueueModel;
class ServiceModel;

class QueueTable : public QObject
{
    Q_OBJECT
public:
    QueueTable(ServiceModel &services, Clock clock, QObject *parent);
    ~QueueTable() override;

    KindHistory &history() { return *m_history; }
    // The window over history(), while it is open.
    TableWindow *window() const { return m_window; }
    void keep(TableWindow *window) { m_window = window; }
    // The queues follow the service queries of a RabbitMQ broker only.
    void follow(bool on);

private:
    QueueModel *m_queues;
    KindHistory *m_history;
    QPointer<TableWindow> m_window;
};

} // namespace morvain
