#pragma once
// What changed in one object kind between its last two queries: per object (by key) and
// per field, changed or not, the value before, and for counters the change per second.
// Widget-free; the caller says when each query happened, so a test sets the clock.
//
// Recording a query copies the stored records' bytes and nothing more; fields, keys and
// the comparison are read off that copy when a view first asks, so a query nobody looks
// at costs a copy of its records.

#include "object_model.h"

#include <QAnyStringView>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

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
    // that counts milliseconds); the latest before becomes the one compared against. The
    // model must outlive the tracker: the latest query is read from the model itself
    // until detach(), and keys are read off the records through it.
    void record(const ObjectModel &model, qint64 msecs);
    // Copies the latest query's records out of the model, which is about to replace them.
    void detach() { m_latest.detach(); }

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
    // before() for the latest query's row r.
    const QList<FieldValue> *beforeRow(int r) const;
    // Keys of the previous query that the latest one no longer holds, in their old order.
    const QStringList &gone() const;
    // The latest query stored the very records of the one before, in the same order: no
    // object is new, changed or gone. Known from the bytes alone, without reading a key.
    bool sameAsBefore() const;

    // The latest query's objects as recorded, in stored order, with their keys: views
    // read them from here instead of asking the model for every field again.
    const QList<QList<FieldValue>> &rows() const { return m_latest.rows(); }
    const QStringList &keys() const { return m_latest.keys(); }
    // One of them, for a view that shows one object: reads no other.
    int rowCount() const { return m_latest.count(); }
    const QList<FieldValue> &row(int r) const { return m_latest.row(r); }
    QString key(int r) const { return m_latest.key(r); }

    // Single cells of the latest query's row r, read off the stored record where there is
    // one, for views that go through every row (a table's sort, its change marks) and
    // would otherwise read every field of every object. `column` is the field's position
    // in columns().
    std::int64_t number(int r, int column) const { return m_latest.number(r, column); }
    // A text field as a person reads it: trailing blanks and zero bytes cut.
    QAnyStringView shownText(int r, int column) const { return m_latest.shownText(r, column); }
    QString decoded(int r, int column) const { return m_latest.decoded(r, column); }
    // The value's text as values() gives it (untrimmed text, or the number's decimal text).
    QString text(int r, int column) const { return m_latest.text(r, column); }
    // The row of the query before that holds the object of `key`, or -1 (new, or no
    // baseline).
    int previousRow(const QString &key) const;
    // The same for the latest query's row r.
    int previousRowOf(int r) const;
    // Cells of the query before, by its row: for views that list what is gone.
    int previousRowCount() const { return m_hasBaseline ? m_previous.count() : 0; }
    std::int64_t previousNumber(int r, int column) const { return m_previous.number(r, column); }
    QAnyStringView previousShownText(int r, int column) const
    {
        return m_previous.shownText(r, column);
    }
    QString previousDecoded(int r, int column) const { return m_previous.decoded(r, column); }
    QString previousText(int r, int column) const { return m_previous.text(r, column); }
    // The fields of row `previousRow` of the query before.
    const QList<FieldValue> &previousFields(int previousRow) const;
    // Whether row r's field differs from that of previousRow(r), which must exist.
    bool differs(int r, int previousRow, int column) const;

private:
    class Query
    {
    public:
        Query() = default;
        explicit Query(const ObjectModel &model);
        int count() const { return m_count; }
        const QList<QList<FieldValue>> &rows() const;
        const QStringList &keys() const;
        const QList<FieldValue> &row(int r) const;
        QString key(int r) const;
        // key -> row of its first object, the one tabs show
        const QHash<QString, int> &first() const;
        // The row of key's first object, or -1, looking at the first `rows` rows only.
        int findAmongFirst(const QString &key, int rows) const;
        std::int64_t number(int r, int column) const;
        QAnyStringView shownText(int r, int column) const;
        QString decoded(int r, int column) const;
        QString text(int r, int column) const;
        bool sameField(int r, const Query &other, int otherRow, int column) const;
        bool sameRecords(const Query &other) const;
        void detach();

    private:
        std::span<const std::uint8_t> record(int row) const;

        const ObjectModel *m_model = nullptr;
        int m_count = 0;
        // The records as stored, one after the other, once detached from the model; until
        // then they are read from the model.
        QByteArray m_bytes;
        bool m_live = false;
        qsizetype m_recordSize = 0;
        RecordView m_layout;                        // fields and rules; its bytes are not used
        std::vector<const wire::Field *> m_columns; // the record's field of each column
        mutable std::optional<QList<QList<FieldValue>>> m_rows;
        mutable std::unordered_map<int, QList<FieldValue>> m_someRows; // read one by one
        mutable std::optional<QStringList> m_keys;
        mutable std::optional<QHash<QString, int>> m_first;
    };

    Query m_previous;
    Query m_latest;
    mutable std::optional<bool> m_sameAsBefore;
    mutable std::optional<QStringList> m_gone; // worked out once per query
    qint64 m_previousAt = 0;
    qint64 m_latestAt = 0;
    bool m_hasLatest = false;
    bool m_hasBaseline = false;
};

} // namespace morvain
