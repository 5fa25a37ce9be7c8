#pragma once
// One good query of an object kind as it came back: a copy of its records, the key of each
// and the row of each key, all worked out when the query is taken and never changed
// after. Cells are read off the copied bytes as they are asked for; nothing is kept.
//
// The records of a query that stored the very bytes of the one before share that query's
// bytes, keys and rows: identical records have identical keys.

#include "object_model.h"

#include <QAnyStringView>
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>
#include <vector>

namespace morvain
{

class QuerySnapshot
{
public:
    // No query: no rows.
    QuerySnapshot() = default;
    // The model's stored objects, queried at `msecs` (any clock that counts milliseconds);
    // `before` is the query before, whose keys are taken over when the records are its own.
    QuerySnapshot(const ObjectModel &model, qint64 msecs, const QuerySnapshot *before = nullptr);

    qint64 at() const { return m_at; }
    int count() const { return m_count; }
    // The key of every row, in stored order.
    const QStringList &keys() const { return m_keys; }
    // The first row holding `key` (the one a tab shows for it), or -1.
    int rowOf(const QString &key) const { return m_rowOf.value(key, -1); }
    // The `nth` row (from 0) holding `key`, or its first where it has fewer, or -1: a
    // RabbitMQ queue's consumer rows share its key and are met again in their order.
    int rowOf(const QString &key, int nth) const;
    // Which of the rows holding its key row r is, from 0.
    int occurrence(int r) const { return m_occurrence[std::size_t(r)]; }

    // The bytes of field `column` (its position in the model's columns()) of row r.
    std::span<const std::uint8_t> cell(int r, int column) const;
    std::int64_t number(int r, int column) const;
    // A text field as a person reads it: trailing blanks and zero bytes cut.
    QAnyStringView shownText(int r, int column) const;
    QString decoded(int r, int column) const;
    // The value's text as values() gives it (untrimmed text, or the number's decimal text).
    QString text(int r, int column) const;
    // The whole field, as ObjectModel::values() gives it.
    FieldValue value(int r, int column) const;

    friend bool sameRecords(const QuerySnapshot &a, const QuerySnapshot &b);

private:
    std::span<const std::uint8_t> record(int r) const;
    const wire::Field &field(int column) const { return *m_columns[std::size_t(column)]; }

    qint64 m_at = 0;
    int m_count = 0;
    qsizetype m_recordSize = 0;
    QByteArray m_bytes; // the records, one after the other
    const FieldRules *m_rules = nullptr;
    std::vector<const wire::Field *> m_columns; // the record's field of each column
    QStringList m_keys;
    QHash<QString, int> m_rowOf;   // key -> its first row
    std::vector<int> m_nextSame;   // per row: the next row with its key, or -1
    std::vector<int> m_occurrence; // per row: how many rows before it have its key
};

// The two queries stored the very same records, in the same order (and some at all): no
// object is new, changed or gone. Known from the bytes alone.
bool sameRecords(const QuerySnapshot &a, const QuerySnapshot &b);

} // namespace morvain
