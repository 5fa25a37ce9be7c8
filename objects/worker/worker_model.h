#pragma once
// The workers without a window: the table of the last worker query, the IDs it lists,
// the decoding of the status, and every field as values.

#include "list_model.h"
#include "worker/worker_reply.h"

#include <QStringList>

#include <functional>

namespace morvain
{

// "Active", "Started", "Waiting" for the status's decimal text, else empty.
QString workerStatusWord(const QString &text);

class WorkerModel : public ListModel<WorkerReply, WorkerTable::slotCount>
{
    Q_OBJECT
public:
    explicit WorkerModel(QObject *parent = nullptr);

    void query(InfoCycle &cycle) override { query(cycle, {}); }
    // A fresh table, then the worker query; `listing` runs after the loop, before the
    // error text is shown, right after queried().
    void query(InfoCycle &cycle, const std::function<void()> &listing);

    // One ID per stored worker, equal ones not merged: entry p belongs to slot p + 1.
    QStringList workerIds() const { return keys(); }
};

} // namespace morvain
