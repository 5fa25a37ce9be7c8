#include "prometheus_document.h"

#include "byte_buffer.h"
#include "field_reader.h"
#include "field_text.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <QSet>

#include <algorithm>
#include <charconv>
#include <vector>

namespace morvain::prometheus
{
namespace
{

using exporting::ByteBuffer;
using exporting::FieldReader;
using exporting::TextBytes;

bool isLabelField(const QString &name)
{
    static const QSet<QString> names = {
        QStringLiteral("server_class"),    QStringLiteral("server_name"),
        QStringLiteral("service"),         QStringLiteral("user_id"),
        QStringLiteral("conversation_id"), QStringLiteral("worker_id"),
    };
    return names.contains(name);
}

// Label values escape backslash, quote and line feed; most values have none of them.
void appendLabel(ByteBuffer &out, QByteArrayView name, const TextBytes &value)
{
    out.append(name);
    out.append("=\"");
    out.appendEscaped(
        value, [](unsigned char c) { return c == '\\' || c == '"' || c == '\n'; },
        [](ByteBuffer &to, unsigned char c) {
            const char escaped[] = {'\\', c == '\n' ? 'n' : char(c)};
            to.append(escaped, 2);
        });
    out.append('"');
}

void appendLabel(ByteBuffer &out, QByteArrayView name, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    appendLabel(out, name, TextBytes{utf8, false});
}

void family(ByteBuffer &out, const QByteArray &name, const QString &help, const char *type)
{
    QByteArray escaped = help.toUtf8();
    escaped.replace('\\', "\\\\").replace('\n', "\\n");
    out.append("# HELP ");
    out.append(name);
    out.append(' ');
    out.append(escaped);
    out.append("\n# TYPE ");
    out.append(name);
    out.append(' ');
    out.append(QByteArrayView(type));
    out.append('\n');
}

// Every object's labels, built once and shared by all its samples; an object whose labels
// an earlier one has gets its slot as a further label.
class ObjectLabels
{
public:
    ObjectLabels(FieldReader &objects, QByteArrayView brokerLabel, const QList<bool> &isLabel,
                 const QList<QByteArray> &names)
    {
        std::vector<qsizetype> ends;
        ends.reserve(std::size_t(objects.objectCount()));
        for (int z = 1; z <= objects.objectCount(); ++z) {
            objects.select(z);
            m_bytes.append(brokerLabel);
            const qsizetype count = std::min(objects.fieldCount(), isLabel.size());
            for (qsizetype c = 0; c < count; ++c) {
                if (!isLabel.at(c))
                    continue;
                m_bytes.append(',');
                appendLabel(m_bytes, names.at(c), trimmedBlanks(objects.text(c)));
            }
            ends.push_back(m_bytes.size());
        }
        // The bytes stay where they are from here on, so the labels can be views of them.
        QSet<QByteArrayView> seen;
        seen.reserve(qsizetype(ends.size()));
        qsizetype begin = 0;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            QByteArrayView l = m_bytes.view(begin, ends[i] - begin);
            begin = ends[i];
            if (seen.contains(l)) {
                ByteBuffer slotted(l.size() + 16);
                slotted.append(l);
                slotted.append(',');
                appendLabel(slotted, "slot", QString::number(i + 1));
                m_slotted.append(slotted.take());
                l = m_slotted.constLast();
            }
            seen.insert(l);
            m_labels.push_back(l);
        }
    }
    QByteArrayView of(int z) const { return m_labels[std::size_t(z - 1)]; }
    qsizetype size() const { return m_bytes.size(); }

private:
    ByteBuffer m_bytes;
    QList<QByteArray> m_slotted; // labels with a slot: their bytes never move either
    std::vector<QByteArrayView> m_labels;
};

void writeKind(ByteBuffer &out, const ObjectModel &model, QByteArrayView brokerLabel)
{
    FieldReader objects(model);
    const QByteArray prefix = "morvain_" + model.kindName().toLatin1() + '_';
    const QString kind = model.kindName();
    const QList<FieldInfo> &columns = objects.columns();
    QList<bool> isLabel;
    QList<QByteArray> names;
    for (const FieldInfo &column : columns) {
        isLabel << isLabelField(column.name);
        names << column.name.toLatin1();
    }
    const ObjectLabels labels(objects, brokerLabel, isLabel, names);

    const QByteArray count = prefix + "stored_objects";
    family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(kind), "gauge");
    out.append(count);
    out.append('{');
    out.append(brokerLabel);
    out.append("} ");
    out.appendNumber(objects.objectCount());
    out.append('\n');

    for (qsizetype c = 0; c < columns.size(); ++c) {
        const FieldInfo &column = columns.at(c);
        if (column.kind == FieldKind::Text || isLabel.at(c))
            continue;
        const QByteArray name = prefix + names.at(c);
        const bool counter = column.kind == FieldKind::Counter;
        const QString help =
            column.kind == FieldKind::Code
                ? QStringLiteral("The code field %1 of the %2 kind; the label word decodes it.")
                      .arg(column.name, kind)
                : QStringLiteral("The %1 field %2 of the %3 kind.")
                      .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"),
                           column.name, kind);
        family(out, name, help, counter ? "counter" : "gauge");
        const QByteArray head = name + '{';
        out.reserve(out.size() + labels.size() + objects.objectCount() * (head.size() + 48));
        for (int z = 1; z <= objects.objectCount(); ++z) {
            objects.select(z);
            if (c >= objects.fieldCount())
                continue;
            out.append(head);
            out.append(labels.of(z));
            if (column.kind == FieldKind::Code) {
                out.append(',');
                appendLabel(out, "word", TextBytes{objects.word(c), false});
            }
            out.append("} ");
            out.appendNumber(objects.number(c));
            out.append('\n');
        }
    }
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    ByteBuffer out(1 << 16);
    ByteBuffer brokerLabel(64);
    appendLabel(brokerLabel, "broker_id", exporting::trimmedId(report.brokerId));
    for (const KindReport &kind : report.kinds)
        writeKind(out, *kind.model, brokerLabel.view(0, brokerLabel.size()));
    return out.take();
}

} // namespace morvain::prometheus
