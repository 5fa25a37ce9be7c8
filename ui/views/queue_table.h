#pragma once
// RabbitMQ's services one row per queue, beside the tab's row per queue and consumer: the
// table window "Queues" under View > Tables, with its own course (trends from its cells).
// Shown only while the broker is a RabbitMQ one.

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
    QueueTable(ServiceModel &services, Clock clock, QWidget *window);
    ~QueueTable() override;

    KindHistory &history() { return *m_history; }
    // Opens, or raises, the window; `setUp` sets up a window made now.
    TableWindow *open(const TableWindow::CsvWriter &csv, const QHash<QString, QString> &labels,
                      const std::function<void(TableWindow &)> &setUp);
    TableWindow *window() const { return m_window; }
    // The queues follow the service queries of a RabbitMQ broker only.
    void follow(bool on);

private:
    QueueModel *m_queues;
    KindHistory *m_history;
    QWidget *m_parent;
    QPointer<TableWindow> m_window;
};

} // namespace morvain
