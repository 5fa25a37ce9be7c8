#pragma once
// An object kind whose stored objects a test writes directly: rows of field values, the
// first field as the key.

#include "object_model.h"

namespace morvain::test
{

class FakeObjectModel : public ObjectModel
{
public:
    QList<FieldInfo> fields;
    QList<QList<FieldValue>> rows;

    QString kindName() const override { return QStringLiteral("worker"); }
    QList<FieldInfo> columns() const override { return fields; }
    int objectCount() const override { return int(rows.size()); }
    QList<FieldValue> values(int z) const override { return rows.value(z - 1); }
    QString key(int z) const override { return rows.value(z - 1).value(0).text.trimmed(); }
    ReplyHeader header() const override { return {}; }

    // Replaces the stored objects as a query would, then says so.
    void query(QList<QList<FieldValue>> objects)
    {
        rows = std::move(objects);
        emit queried();
    }
};

// worker_id (Gauge), worker_status (Code, with its word), call_sum (Counter), name (Text).
inline QList<FieldInfo> workerLikeFields()
{
    return {{"worker_id", FieldKind::Gauge},
            {"worker_status", FieldKind::Code},
            {"call_sum", FieldKind::Counter},
            {"name", FieldKind::Text}};
}

inline QList<FieldValue> workerLike(int id, int status, qint64 calls, const QString &name)
{
    const char *words[] = {"", "", "Active", "", "Started", "Waiting"};
    return {{"worker_id", FieldKind::Gauge, QString::number(id), id, {}},
            {"worker_status", FieldKind::Code, QString::number(status), status,
             status >= 0 && status < 6 ? QString::fromLatin1(words[status]) : QString()},
            {"call_sum", FieldKind::Counter, QString::number(calls), calls, {}},
            {"name", FieldKind::Text, name.leftJustified(8, u' '), 0, {}}};
}

} // namespace morvain::test
