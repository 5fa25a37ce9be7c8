#pragma once
// Follows every query of one object kind: when it ran, how many objects came back and
// what changed since the query before. The tab tooltips, the table windows and the
// change tints all read it, so they agree on one comparison per query.
//
// A failed query (a non-zero error_code in its last reply header) is kept out of the
// comparison: the last good query stays the one the tables show and the tints compare
// with, and the views say that the latest one failed.

#include "change_tracker.h"
#include "object_model.h"
#include "query_history.h"
#include "query_reading.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>

#include <functional>
#include <optional>

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
    // The kind's good queries over the session: rates, series, new and gone objects.
    const QueryHistory &course() const { return m_course; }
    // Off: no readings are kept beyond the query before (the benchmark's baseline).
    void setKeepCourse(bool on) { m_keepCourse = on; }
    bool queried() const { return m_queriedAt >= 0; }
    // The latest query, good or failed.
    qint64 queriedAt() const { return m_queriedAt; }
    // Objects of the last good query, the closing reply not counted.
    int objectCount() const { return m_count; }
    // "Queried at 04:12:33, 12 objects", or that it has not been queried yet.
    QString summary() const;

    // What the latest query says of itself, and the message the views show for it (empty
    // for a good, whole query).
    const QueryReading &reading() const { return m_reading; }
    bool failed() const { return m_reading.failed; }
    QString message() const;
    // The broker's error text of the latest query, as the status bar showed it.
    void setErrorText(const QString &text);
    // Back to as made: no query seen, nothing to compare with (a fresh start of the
    // window, without building it again). `note`: what the views say of the values the
    // tab still shows until the kind is queried again (another broker's, say).
    void forget(const QString &note = {});

signals:
    // After the latest query's changes are known; views refresh from here.
    void updated();

private:
    void record();

    QPointer<ObjectModel> m_model;
    Clock m_clock;
    ChangeTracker m_changes;
    QueryHistory m_course;
    bool m_keepCourse = true;
    bool m_courseHasBefore = false; // the history holds the good query before the latest
    qint64 m_queriedAt = -1;
    std::optional<qint64> m_goodAt; // the last good query
    int m_count = 0;
    QueryReading m_reading;
    QString m_errorText;
    QString m_openingText; // the query's first text: where the broker says what it left out
    bool m_openingPending = false;
    QString m_forgottenNote; // shown while not queried since
};

// `light` as a tint behind text on a light palette; on a dark palette (its base darker than
// its text) the same hue, dark enough for the palette's light text to stay readable.
QColor tintOnPalette(const QColor &light, const QPalette &palette);
QColor tintOnPalette(const QColor &light);

// The tint behind a reading that must be seen: a failed query, a cut list.
QColor failedTint();
QColor cutTint();

// The colours behind a value that changed since the query before, and a new object.
QColor changedTint();
QColor newTint();

// The text a change tint's tooltip adds: the value before and, for counters, the rate.
QString changeToolTip(const FieldChange &change);

} // namespace morvain
