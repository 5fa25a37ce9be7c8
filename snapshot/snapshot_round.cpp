#include "snapshot_round.h"

#include "known_brokers.h"
#include "text_support.h"

#include <QDateTime>

namespace morvain::snapshot
{

SnapshotRound::SnapshotRound(EntryPoint &entry, std::function<void(const QString &)> note)
    : m_session(entry, *this), m_note(std::move(note))
{
}

void SnapshotRound::startUp(const Identity &identity)
{
    m_session.cycle().startUp(identity);
    m_brokerId = identity.brokerId;
    // Keys as the window makes them, so rules and series follow the same objects.
    const BrokerSource source = brokerSourceOf(trimIdentifier(m_brokerId));
    for (ObjectModel *model : m_session.models())
        model->keyBy(source);
    if (source == BrokerSource::RabbitMq && !m_queues)
        m_queues = std::make_unique<QueueModel>(m_session.service());
    m_session.serviceExtras().setSource(source);
}

SnapshotReport SnapshotRound::run(const QStringList &kinds)
{
    SnapshotReport report;
    report.brokerId = m_brokerId;
    report.time = QDateTime::currentDateTimeUtc();
    for (ObjectModel *model : m_session.models()) {
        if (!kinds.contains(model->kindName()))
            continue;
        KindReport current;
        current.model = model;
        if (m_queues && model == &m_session.service())
            current.series = m_queues.get();
        current.extras = m_session.extrasOf(*model);
        m_current = &current;
        try {
            model->query(m_session.cycle());
        } catch (...) {
            m_current = nullptr;
            throw;
        }
        m_current = nullptr;
        report.kinds << current;
    }
    return report;
}

void SnapshotRound::showStatusMessage(const QString &text)
{
    if (m_current)
        m_current->errorText = text;
}

// The header dialog's message row is the same text the status bar gets.
void SnapshotRound::showHeaderMessage(const QString &) {}

void SnapshotRound::brokerMessage(const QString &text)
{
    if (!m_current)
        return;
    m_current->messages << text;
    m_note(QStringLiteral("%1: Broker Message: %2").arg(m_current->model->kindName(), text));
}

} // namespace morvain::snapshot
