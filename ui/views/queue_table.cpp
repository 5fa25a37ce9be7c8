#include "queue_table.h"

#include "service/queue_model.h"

namespace morvain
{

QueueTable::QueueTable(ServiceModel &services, Clock clock, QWidget *window)
    : QObject(window), m_queues(new QueueModel(services, this)),
      m_history(new KindHistory(*m_queues, std::move(clock), this)), m_parent(window)
{
    m_queues->setFollowing(false); // until the broker is known to be a RabbitMQ one
}

void QueueTable::follow(bool on)
{
    m_queues->setFollowing(on);
}

QueueTable::~QueueTable() = default;

TableWindow *QueueTable::open(const TableWindow::CsvWriter &csv,
                              const QHash<QString, QString> &labels,
                              const std::function<void(TableWindow &)> &setUp)
{
    if (!m_window) {
        m_window = new TableWindow(*m_history, tr("Queues"), csv, labels, m_parent);
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        setUp(*m_window);
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    return m_window;
}

} // namespace morvain
