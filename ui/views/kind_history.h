#pragma once
// Follows every query of one object kind: when it ran, how many objects came back and
// what changed since the query before. The tab tooltips, the table windows and the
// change tints all read it, so they agree on one comparison per query.

#include "change_tracker.h"
#include "object_model.h"

#include <QColor>
#include <QObject>
#include <QPointer>

#include <functional>

namespace morvain
{

// Milliseconds since the epoch; tests hand in their own.
using Clock = std::function<qint64()>;
Clock systemClock();

class KindHistory : public QObject
{
    Q_OBJECT
public:
    KindHistory(ObjectModel &model, Clock clock, QObject *parent = nullptr);

    ObjectModel &model() const { return *m_model; }
    const ChangeTracker &changes() const { return m_changes; }
    bool queried() const { return m_queriedAt >= 0; }
    qint64 queriedAt() const { return m_queriedAt; }
    int objectCount() const { return m_count; }
    // "Queried at 04:12:33, 12 objects", or that it has not been queried yet.
    QString summary() const;

signals:
    // After the latest query's changes are known; views refresh from here.
    void updated();

private:
    void record();

    QPointer<ObjectModel> m_model;
    Clock m_clock;
    ChangeTracker m_changes;
    qint64 m_queriedAt = -1;
    int m_count = 0;
};

// The colours behind a value that changed since the query before, and a new object.
QColor changedTint();
QColor newTint();

// The text a change tint's tooltip adds: the value before and, for counters, the rate.
QString changeToolTip(const FieldChange &change);

} // namespace morvain
