#pragma once
// One round of queries, run through the same cycle and models as Morvain's tabs, so the
// broker sees the same calls. The round is its own CycleView: what Morvain shows in the
// status bar and in "Broker Message" boxes is recorded in the report instead.

#include "info_cycle.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <functional>

namespace morvain::snapshot
{

// A kind to query: its model, and the query that fills it.
struct KindQuery {
    ObjectModel *model;
    std::function<void(InfoCycle &)> query;
};

class SnapshotRound : public CycleView
{
public:
    // `note` receives each "Broker Message" as a line for standard error.
    SnapshotRound(EntryPoint &entry, std::function<void(const QString &)> note);

    // Morvain's start: the control block filled from the identity, once per run.
    void startUp(const Identity &identity);

    // Queries those of `all` (in the order of the tabs) that `kinds` names. A failure
    // throws QueryFailure, as it does in Morvain; the report is then lost.
    SnapshotReport run(const QList<KindQuery> &all, const QStringList &kinds);

    void showStatusMessage(const QString &text) override;
    void showHeaderMessage(const QString &text) override;
    void brokerMessage(const QString &text) override;

private:
    InfoCycle m_cycle;
    std::function<void(const QString &)> m_note;
    QString m_brokerId;
    KindReport *m_current = nullptr;
};

} // namespace morvain::snapshot
