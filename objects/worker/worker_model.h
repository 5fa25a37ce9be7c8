#pragma once
// The workers without a window: the table of the last worker query, the IDs it lists,
// the decoding of the status, and every field as values.

#include "info_cycle.h"
#include "object_model.h"
#include "stored_replies.h"
#include "worker/worker_reply.h"

#include <QStringList>

#include <functional>

namespace morvain
{

// "Active", "Started", "Waiting" for the status's decimal text, else empty.
QString workerStatusWord(const QString &text);

class WorkerModel : public ObjectModel
{
    Q_OBJECT
public:
    explicit WorkerModel(QObject *parent = nullptr);

    // A fresh table, then the worker query; `listing` runs after the loop, before the
    // error text is shown, right after queried().
    void query(InfoCycle &cycle, const std::function<void()> &listing = {});
    // Appends the reply just received; the 1001st in one query fails the query.
    void store();
    void reset() { m_stored.reset(); }

    // One ID per stored worker, equal ones not merged: entry p belongs to slot p + 1.
    QStringList workerIds() const { return m_stored.keys(); }

    QString kindName() const override { return QStringLiteral("worker"); }
    QList<FieldInfo> columns() const override;
    int objectCount() const override { return m_stored.count(); }
    QList<FieldValue> values(int z) const override;
    RecordView record(int z) const override;
    QString key(int z) const override { return m_stored.key(z); }
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const override
    {
        return m_stored.keyOfRecord(bytes);
    }
    ReplyHeader header() const override { return headerOf(reply()); }

    const WorkerTable &table() const { return m_stored.table(); }
    const WorkerReply &reply() const { return m_stored.reply(); }

private:
    StoredReplies<WorkerReply, WorkerTable::slotCount> m_stored; // by worker ID
};

} // namespace morvain
