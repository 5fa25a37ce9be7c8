#pragma once
// What changed in one object kind between its last two good queries: per object (by key)
// and per field, changed or not, the value before, and for counters the change per
// second. Each query is a QuerySnapshot, made once and never changed; the comparisons are
// plain functions of two of them. Widget-free; the caller says when each query happened,
// so a test sets the clock.
//
// A field changed when its text differs from the same object's field before; for two
// snapshots of one kind that is when its stored bytes differ, which is what the views
// test first, without reading the field as text.

#include "object_model.h"
#include "query_snapshot.h"

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

// Field `column` of an object, `now` as it reads at `nowAt`, against the same object's row
// `beforeRow` of `before` (-1: the object is new there).
FieldChange changeOf(const QuerySnapshot &before, int beforeRow, int column, const FieldValue &now,
                     qint64 nowAt);
// The same for row `row` of `now`: the bytes first, the values only when they differ.
FieldChange changeOf(const QuerySnapshot &before, int beforeRow, const QuerySnapshot &now, int row,
                     int column);
bool sameCell(const QuerySnapshot &before, int beforeRow, const QuerySnapshot &now, int row,
              int column);
// Keys of `before` that `now` no longer holds, in their old order, each once.
QStringList goneKeys(const QuerySnapshot &before, const QuerySnapshot &now);

class ChangeTracker
{
public:
    // Takes the model's stored objects as the latest query, made at `msecs`; the latest
    // before becomes the one compared against.
    void record(const ObjectModel &model, qint64 msecs);

    bool hasBaseline() const { return m_hasBaseline; }
    const QuerySnapshot &latest() const { return m_latest; }
    // The query before (no rows without one).
    const QuerySnapshot &previous() const { return m_previous; }
    // The latest query stored the very records of the one before.
    bool sameAsBefore() const { return m_sameAsBefore; }
    const QStringList &gone() const { return m_gone; }

    // The row of the query before that holds the object of the latest query's row r, or -1
    // (new, or no baseline).
    int previousRowOf(int r) const;
    ChangeState objectState(const QString &key) const;
    // Field `column` (its position in columns()) of the latest query's row r.
    FieldChange change(int r, int column) const;
    // The same for the object of `key`, its field being `value` now.
    FieldChange field(const QString &key, int column, const FieldValue &value) const;

private:
    QuerySnapshot m_previous;
    QuerySnapshot m_latest;
    QStringList m_gone;
    bool m_sameAsBefore = false;
    bool m_hasLatest = false;
    bool m_hasBaseline = false;
};

} // namespace morvain
