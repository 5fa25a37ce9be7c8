#pragma once
// The widget-free face of one object kind: its stored objects as named fields. The tab
// pages, the table windows, change highlighting and the snapshot program all read a kind
// through it, so every view shows the same values the same way.
//
// Note to maintainer: this is a contract several views depend on. Add members freely;
// change or remove one only together with every view that reads it.

#include "field_legend.h"
#include "kind_registry.h"
#include "reply_header.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <span>

namespace morvain
{

// How a field behaves over time, for views that compare queries or export metrics.
enum class FieldKind {
    Text,    // fixed-width text
    Code,    // a number its decoding turns into a word (status, character set, ...)
    Gauge,   // a number that goes up and down (current counts, sizes, high-water marks)
    Counter, // a number that only grows while the object lives (sums, run time)
};

// One column: a field of the kind's object, in record order (header fields excluded).
struct FieldInfo {
    QString name; // the record's field name: "server_class", "run_time", ...
    FieldKind kind = FieldKind::Gauge;
};

// One field of one stored object.
struct FieldValue {
    QString name;
    FieldKind kind = FieldKind::Gauge;
    // Text fields: every character as stored (untrimmed, zero bytes included).
    // Numbers: the decimal text the tab shows.
    QString text;
    std::int64_t number = 0; // numbers only
    // Code fields: the word the tab's decoding shows ("Waiting"), or empty when the code
    // has none. Other fields: a derived reading where the tab shows one (the broker's run
    // time as days/hours/minutes/seconds), else empty.
    QString decoded;
};

namespace wire
{
struct Field;
}
struct FieldRules;
class InfoCycle;

// The stored bytes of one object with the field table that reads them and the kind's
// rules: the one way every view reads a stored field.
struct RecordView {
    std::span<const std::uint8_t> bytes;
    std::span<const wire::Field> fields;
    const FieldRules *rules = nullptr;
};

class ObjectModel : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ObjectModel() override = default;

    // "broker", "worker", "service", "client_server", "conversation".
    virtual QString kindName() const = 0;
    // The kind's row of the registry; by default looked up by kindName().
    virtual const KindInfo &kind() const;
    virtual QList<FieldInfo> columns() const = 0;
    // The kind's query through `cycle`: the stored objects replaced, then queried().
    virtual void query(InfoCycle &cycle) = 0;
    // Stored objects of the last query; the broker object counts as one.
    virtual int objectCount() const = 0;
    // Object z's record as stored, 1 to objectCount().
    virtual RecordView record(int z) const = 0;
    // The fields of stored object z, 1 to objectCount(), in the order of columns(), read
    // off record(z).
    QList<FieldValue> values(int z) const;
    // What identifies object z across queries: the trimmed texts of keyFields() joined by
    // '\x1f' (the worker ID, the three service names, the user ID, the conversation ID; on
    // RabbitMQ a service's vhost and queue); empty for the broker object.
    virtual QString key(int z) const = 0;
    // The fields key() joins: the kind's key fields, or what keyBy() chose.
    virtual std::array<std::string_view, 3> keyFields() const { return kind().keyFields; }
    // Objects are told apart as on a broker of `source` (object_keys.h); the next key()
    // reads the new fields. Kinds without a key leave it alone.
    virtual void keyBy(BrokerSource source) { static_cast<void>(source); }
    // What key() gives for a record as record() gave it, kept from an earlier query.
    virtual QString keyOfRecord(std::span<const std::uint8_t> bytes) const
    {
        static_cast<void>(bytes);
        return {};
    }
    // The header of the kind's reply record: that of the query's last call.
    virtual ReplyHeader header() const = 0;

    // The last stored entry is the reply that ended the query, not an object of its own.
    bool endsWithClosingReply() const { return kind().storesClosingReply && objectCount() > 0; }
    // The objects a view lists: the stored ones less the closing reply.
    int shownCount() const { return objectCount() - (endsWithClosingReply() ? 1 : 0); }
    // The last query failed: the broker's reply header says so with a non-zero error code.
    bool queryFailed() const { return header().error_code != 0; }
    // How many objects the broker holds, as its last reply header says; never fewer than
    // shown.
    int totalCount() const;

signals:
    // A query of this kind is about to replace the stored objects (emitted before it
    // touches them): views that keep reading the objects of the last query copy them now.
    void aboutToQuery();
    // A query of this kind has stored its objects (emitted after every query, whoever ran
    // it, before the tab shows the first object).
    void queried();
};

} // namespace morvain
