#pragma once
// What each field is, in one table: per kind and field, the caption the tab shows, and per
// source what the number is on that broker and its unit. The tooltips of the boxes and the
// table headers, the Thresholds dialog's field list, the Trends window and the legends in
// docs/rabbitmq.md, docs/nats.md and ostrane/README.md all read it, so a field says the same
// thing everywhere.

#include <QString>

#include <array>
#include <span>
#include <string_view>

namespace morvain
{

// Where the stand-in takes its values from, as the broker ID tells it.
enum class BrokerSource { Demo, Scenario, RabbitMq, Nats };

inline constexpr std::array<BrokerSource, 4> brokerSources{
    BrokerSource::Demo, BrokerSource::Scenario, BrokerSource::RabbitMq, BrokerSource::Nats};

// "the demo broker", "a scenario", "RabbitMQ", "NATS".
QString sourceName(BrokerSource source);

// The source of broker ID `brokerId`: its URL's scheme, else `namedType` (the "type" of the
// broker list's entry of that name: "rabbitmq" or "nats"; empty for none), else the demo
// broker for a blank ID and a scenario for any other.
BrokerSource sourceOf(const QString &brokerId, const QString &namedType = {});

// One field's words. A source that leaves the field alone has notFilled as its meaning.
struct LegendRow {
    std::string_view kind;  // "service", as kindRegistry names it
    std::string_view field; // "short_act", as the records and the snapshot name it
    std::string_view caption;
    // What it is on the demo broker and in a scenario (the broker's own words), on
    // RabbitMQ and on NATS, each with its unit.
    std::string_view own, ownUnit;
    std::string_view rabbit, rabbitUnit;
    std::string_view nats, natsUnit;
};

inline constexpr std::string_view notFilled = "-";

std::span<const LegendRow> legendRows();

// A field's words for one source, ready to show.
struct FieldLegend {
    QString field;
    QString caption;
    QString meaning; // "not filled by this broker (0)" where the source leaves it
    QString unit;    // empty where the source leaves it
    bool filled = true;

    bool isNull() const { return field.isEmpty(); }
    // "Short Buffers: Num active (messages)"
    QString captionWithUnit() const;
    // Caption, "On RabbitMQ: ...", "Unit: ..." and "Field: short_act", a line each.
    QString toolTip(BrokerSource source) const;
};

// The words of field `field` of kind `kind`; a null legend when the table has none.
FieldLegend fieldLegend(std::string_view kind, const QString &field, BrokerSource source);

} // namespace morvain
