#pragma once
// One round of queries, run through the same Session (cycle and models) as Morvain's tabs,
// so the broker sees the same calls. The round is its own CycleView: what Morvain shows in
// the status bar and in "Broker Message" boxes is recorded in the report instead.

#include "info_cycle.h"
#include "object_model.h"
#include "service/queue_model.h"
#include "session/session.h"
#include "snapshot_report.h"

#include <functional>
#include <memory>

namespace morvain::snapshot
{

class SnapshotRound : public CycleView
{
public:
    // `note` receives each "Broker Message" as a line for standard error.
    SnapshotRound(EntryPoint &entry, std::function<void(const QString &)> note);

    // Morvain's start: the control block filled from the identity, once per run.
    void startUp(const Identity &identity);

    // Queries the kinds that `kinds` names, in the order of the tabs. A failure throws
    // QueryFailure, as it does in Morvain; the report is then lost.
    SnapshotReport run(const QStringList &kinds);
    // The five models, in the order of the tabs: what the last round left in them.
    QList<ObjectModel *> models() { return m_session.models(); }

    void showStatusMessage(const QString &text) override;
    void showHeaderMessage(const QString &text) override;
    void brokerMessage(const QString &text) override;

private:
    Session m_session;
    // RabbitMQ's services by queue, for Prometheus; made for a RabbitMQ broker only.
    std::unique_ptr<QueueModel> m_queues;
    std::function<void(const QString &)> m_note;
    QString m_brokerId;
    KindReport *m_current = nullptr;
};

} // namespace morvain::snapshot
