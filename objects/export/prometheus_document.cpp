#include "prometheus_document.h"

#include "field_reader.h"
#include "field_text.h"
#include "kind_reading.h"
#include "object_model.h"
#include "snapshot_report.h"
#include "text_out.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace morvain::prometheus
{
namespace
{

using exporting::Charset;
using exporting::FieldReader;

bool isLabelField(std::string_view name)
{
    return name == "server_class" || name == "server_name" || name == "service" ||
           name == "user_id" || name == "conversation_id" || name == "worker_id";
}

// `name="value"`; label values escape backslash, quote and line feed.
template <Charset from>
void appendLabel(std::string &out, std::string_view name, std::string_view value)
{
    out += name;
    out += "=\"";
    exporting::appendEscaped<from>(out, value, [](unsigned char c) {
        return c == '\\'   ? std::string_view("\\\\")
               : c == '"'  ? std::string_view("\\\"")
               : c == '\n' ? std::string_view("\\n")
                           : std::string_view();
    });
    out += '"';
}

void family(std::string &out, std::string_view name, const QString &help, const char *type)
{
    QByteArray escaped = help.toUtf8();
    escaped.replace('\\', "\\\\").replace('\n', "\\n");
    out += "# HELP ";
    out += name;
    out += ' ';
    out += escaped.toStdString();
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

// One sample per queried kind of morvain_up, and of morvain_objects and
// morvain_objects_total for those up, so that a failed or cut query is seen as such and
// never read as an empty broker.
void writeReadings(std::string &out, const SnapshotReport &report, const std::string &brokerLabel)
{
    std::vector<exporting::KindReading> readings;
    for (const KindReport &kind : report.kinds)
        readings.push_back(exporting::readingOf(*kind.model));
    const auto writeFamily = [&](std::string_view name, const QString &help, auto valueOf) {
        family(out, name, help, "gauge");
        for (qsizetype i = 0; i < report.kinds.size(); ++i) {
            const exporting::KindReading &r = readings[std::size_t(i)];
            if (name != "morvain_up" && !r.ok)
                continue;
            out += name;
            out += '{';
            out += brokerLabel;
            out += ',';
            appendLabel<Charset::Utf8>(out, "kind",
                                       report.kinds.at(i).model->kindName().toStdString());
            out += "} ";
            exporting::appendNumber(out, valueOf(r));
            out += '\n';
        }
    };
    writeFamily("morvain_up",
                QStringLiteral("1 when the last query of the kind succeeded, 0 when the broker "
                               "answered it with an error code."),
                [](const exporting::KindReading &r) { return std::int64_t(r.ok ? 1 : 0); });
    writeFamily("morvain_objects",
                QStringLiteral("Objects the last query of the kind brought back (the reply that "
                               "ended it is not one)."),
                [](const exporting::KindReading &r) { return std::int64_t(r.objects); });
    writeFamily("morvain_objects_total",
                QStringLiteral("Objects of the kind the broker holds, by the header of its last "
                               "reply; above morvain_objects when the list was cut."),
                [](const exporting::KindReading &r) { return r.total; });
}

// Every object's labels, built once and shared by all its samples: broker_id, then its
// label fields as the lists show them; an object whose labels an earlier one has gets its
// slot as a further label.
std::vector<std::string> objectLabels(FieldReader &objects, int count,
                                      const std::string &brokerLabel)
{
    std::vector<std::string> labels;
    std::unordered_set<std::string> seen;
    for (int z = 1; z <= count; ++z) {
        objects.select(z);
        std::string label = brokerLabel;
        for (qsizetype c = 0; c < objects.fieldCount(); ++c) {
            if (!isLabelField(objects.name(c)))
                continue;
            label += ',';
            appendLabel<Charset::Latin1>(label, objects.name(c),
                                         exporting::visible(objects.text(c)));
        }
        if (!seen.insert(label).second) {
            label += ',';
            appendLabel<Charset::Utf8>(label, "slot", std::to_string(z));
        }
        labels.push_back(std::move(label));
    }
    return labels;
}

// One kind's families: every number field that is no label, then its samples, one per
// object (the closing reply is none).
void writeKind(std::string &out, const ObjectModel &model, const std::string &brokerLabel)
{
    FieldReader objects(model);
    const int shown = exporting::readingOf(model).objects;
    const QString kind = model.kindName();
    const std::string prefix = "morvain_" + kind.toStdString() + '_';

    const std::string count = prefix + "stored_objects";
    family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(kind), "gauge");
    out += count;
    out += '{';
    out += brokerLabel;
    out += "} ";
    exporting::appendNumber(out, objects.objectCount());
    out += '\n';

    const std::vector<std::string> labels = objectLabels(objects, shown, brokerLabel);
    const QList<FieldInfo> &columns = objects.columns();
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const FieldInfo &column = columns.at(c);
        const std::string field = column.name.toStdString();
        if (column.kind == FieldKind::Text || isLabelField(field))
            continue;
        const std::string name = prefix + field;
        const bool counter = column.kind == FieldKind::Counter;
        family(out, name,
               column.kind == FieldKind::Code
                   ? QStringLiteral("The code field %1 of the %2 kind; the label word decodes it.")
                         .arg(column.name, kind)
                   : QStringLiteral("The %1 field %2 of the %3 kind.")
                         .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"),
                              column.name, kind),
               counter ? "counter" : "gauge");
        for (int z = 1; z <= shown; ++z) {
            objects.select(z);
            if (c >= objects.fieldCount())
                continue;
            out += name;
            out += '{';
            out += labels[std::size_t(z - 1)];
            if (column.kind == FieldKind::Code) {
                out += ',';
                appendLabel<Charset::Utf8>(out, "word", objects.word(c));
            }
            out += "} ";
            exporting::appendNumber(out, objects.number(c));
            out += '\n';
        }
    }
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    std::string brokerLabel;
    appendLabel<Charset::Utf8>(
        brokerLabel, "broker_id",
        exporting::trimmedId(exporting::maskedUserInfo(report.brokerId)).toStdString());
    std::string out;
    writeReadings(out, report, brokerLabel);
    for (const KindReport &kind : report.kinds)
        if (exporting::readingOf(*kind.model).ok) // a failed query's entries are no objects
            writeKind(out, *kind.model, brokerLabel);
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace morvain::prometheus
