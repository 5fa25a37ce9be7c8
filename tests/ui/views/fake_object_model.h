#pragma once
// An object kind whose stored objects a test writes directly, as rows of field values;
// they are kept as real records (16 bytes: worker_id, worker_status, call_sum, name), so
// views read them the one way they read every model, through record().

#include "decimal.h"
#include "field_values.h"
#include "object_model.h"
#include "wire_field.h"

#include <array>
#include <deque>

namespace morvain::test
{

inline constexpr std::array<wire::Field, 4> workerLikeRecord{{
    {"worker_id", 0, 2, wire::Encoding::Int16},
    {"worker_status", 2, 2, wire::Encoding::Int16},
    {"call_sum", 4, 4, wire::Encoding::Int32},
    {"name", 8, 8, wire::Encoding::Text},
}};

inline QString workerLikeWord(std::int64_t status)
{
    const char *words[] = {"", "", "Active", "", "Started", "Waiting"};
    return status >= 0 && status < 6 ? QString::fromLatin1(words[status]) : QString();
}

inline constexpr FieldRules workerLikeRules{[](std::string_view name) {
                                                return name == "worker_status" ? FieldKind::Code
                                                       : name == "call_sum"    ? FieldKind::Counter
                                                                               : FieldKind::Gauge;
                                            },
                                            [](std::string_view name, std::int64_t number) {
                                                return name == "worker_status"
                                                           ? workerLikeWord(number)
                                                           : QString();
                                            }};

class FakeObjectModel : public ObjectModel
{
public:
    using Record = std::array<std::uint8_t, 16>;

    QList<FieldInfo> fields; // unused: the columns are those of the record
    QList<QList<FieldValue>> rows;

    QString kindName() const override { return QStringLiteral("worker"); }
    QList<FieldInfo> columns() const override
    {
        return columnsOf(workerLikeRecord, workerLikeRules);
    }
    void query(InfoCycle &) override {}
    int objectCount() const override { return int(rows.size()); }
    RecordView record(int z) const override
    {
        if (z < 1 || z > objectCount())
            return {};
        while (m_records.size() < std::size_t(z))
            m_records.emplace_back();
        Record &r = m_records[std::size_t(z - 1)];
        r = encode(rows[z - 1]);
        return {r, workerLikeRecord, &workerLikeRules};
    }
    QString key(int z) const override { return keyOfRecord(record(z).bytes); }
    QString keyOfRecord(std::span<const std::uint8_t> bytes) const override
    {
        return bytes.size() == sizeof(Record) ? decimal(std::int16_t(bytes[0] | bytes[1] << 8))
                                              : QString();
    }
    ReplyHeader header() const override { return reply; }
    ReplyHeader reply; // what the last call's reply header said

    // Replaces the stored objects as a query would, saying so before and after.
    void query(QList<QList<FieldValue>> objects)
    {
        emit aboutToQuery();
        rows = std::move(objects);
        emit queried();
    }

private:
    static Record encode(const QList<FieldValue> &row)
    {
        Record r{};
        const auto put = [&r](int at, int width, std::int64_t v) {
            for (int i = 0; i < width; ++i)
                r[std::size_t(at + i)] = std::uint8_t(std::uint64_t(v) >> (8 * i));
        };
        put(0, 2, valueNamed(row, "worker_id").number);
        put(2, 2, valueNamed(row, "worker_status").number);
        put(4, 4, valueNamed(row, "call_sum").number);
        const QByteArray name = valueNamed(row, "name").text.toLatin1().leftJustified(8, ' ', true);
        std::copy(name.begin(), name.end(), r.begin() + 8);
        return r;
    }
    // A deque: records handed out stay where they are while more are added.
    mutable std::deque<Record> m_records;
};

// worker_id (Gauge), worker_status (Code, with its word), call_sum (Counter), name (Text).
inline QList<FieldInfo> workerLikeFields()
{
    return columnsOf(workerLikeRecord, workerLikeRules);
}

inline QList<FieldValue> workerLike(int id, int status, qint64 calls, const QString &name)
{
    return {
        {"worker_id", FieldKind::Gauge, QString::number(id), id, {}},
        {"worker_status", FieldKind::Code, QString::number(status), status, workerLikeWord(status)},
        {"call_sum", FieldKind::Counter, QString::number(calls), calls, {}},
        {"name", FieldKind::Text, name.leftJustified(8, u' '), 0, {}}};
}

} // namespace morvain::test
