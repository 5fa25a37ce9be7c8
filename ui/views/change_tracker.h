#pragma once
// What changed in one object kind between its last two queries: per object (by key) and
// per field, changed or not, the value before, and for counters the change per second.
// Widget-free; the caller says when each query happened, so a test sets the clock.

#include "object_model.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvain
{

enum class ChangeState {
    Unchanged, // the same as in the previous query, or no previous query to compare with
    Changed,   // differs from the previous query's value of the same object
    New,       // the object was not there in the previous query
};

struct FieldChange {
    ChangeState state = ChangeState::Unchanged;
    QString oldText;                 // Changed only: the value before
    QString oldDecoded;              // Changed codes: the word it had, if any
    std::optional<double> perSecond; // Changed counters, when time has passed
};

class ChangeTracker
{
public:
    // Takes the model's stored objects as the latest query, made at `msecs` (any clock
    // that counts milliseconds); the latest before becomes the one compared against.
    void record(const ObjectModel &model, qint64 msecs);

    bool hasBaseline() const { return m_hasBaseline; }
    ChangeState objectState(const QString &key) const;
    // Field `column` (its position in columns()) of an object of the latest query against
    // the same object's field before.
    FieldChange field(const QString &key, int column, const FieldValue &value) const;
    // The same in two steps, for a caller that compares every field of an object: the
    // object's fields in the query before (nullptr when it is new or there is no query
    // before), then one field against them.
    const QList<FieldValue> *before(const QString &key) const;
    FieldChange compare(const QList<FieldValue> *before, int column, const FieldValue &value) const;
    // Keys of the previous query that the latest one no longer holds, in their old order.
    QStringList gone() const { return m_gone; }

    // The latest query's objects as recorded, in stored order, with their keys: views
    // read them from here instead of asking the model for every field again.
    const QList<QList<FieldValue>> &rows() const { return m_latest.rows; }
    const QStringList &keys() const { return m_latest.keys; }

private:
    struct Query {
        QList<QList<FieldValue>> rows;
        QStringList keys;
        QHash<QString, int> first; // key -> row of its first object, the one tabs show
    };
    static Query read(const ObjectModel &model);

    Query m_previous;
    Query m_latest;
    QStringList m_gone;
    qint64 m_previousAt = 0;
    qint64 m_latestAt = 0;
    bool m_hasLatest = false;
    bool m_hasBaseline = false;
};

} // namespace morvain
