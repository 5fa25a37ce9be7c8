#include "prometheus_document.h"

#include "byte_buffer.h"
#include "field_reader.h"
#include "field_text.h"
#include "kind_reading.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <QSet>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
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

// Labels as they are built, to tell an object whose labels an earlier one has: open
// addressing on a cheap hash of eight bytes at a time, labels compared in full when two
// hashes agree.
class LabelSet
{
public:
    explicit LabelSet(std::size_t count)
    {
        std::size_t size = 16;
        while (size < 2 * count)
            size *= 2;
        m_slots.resize(size);
    }
    // False when an equal label was added before.
    bool add(QByteArrayView label)
    {
        const std::uint64_t hash = hashOf(label);
        const std::size_t mask = m_slots.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (!slot.used) {
                slot = {true, hash, label};
                return true;
            }
            if (slot.hash == hash && slot.label == label)
                return false;
        }
    }

private:
    struct Slot {
        bool used = false;
        std::uint64_t hash = 0;
        QByteArrayView label;
    };
    static std::uint64_t hashOf(QByteArrayView bytes)
    {
        constexpr std::uint64_t odd = 0x9e3779b97f4a7c15;
        std::uint64_t hash = std::uint64_t(bytes.size()) * odd;
        const char *at = bytes.data();
        const char *const end = at + bytes.size();
        for (; end - at >= 8; at += 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, at, 8);
            hash = (hash ^ word) * odd;
            hash ^= hash >> 32;
        }
        for (; at != end; ++at)
            hash = (hash ^ static_cast<unsigned char>(*at)) * odd;
        return hash ^ (hash >> 29);
    }

    std::vector<Slot> m_slots;
};

// Every object's labels, built once and shared by all its samples; an object whose labels
// an earlier one has gets its slot as a further label.
class ObjectLabels
{
public:
    ObjectLabels(FieldReader &objects, int count, QByteArrayView brokerLabel,
                 const QList<bool> &isLabel, const QList<QByteArray> &names)
        : m_bytes(64 + count * (brokerLabel.size() + 64))
    {
        std::vector<qsizetype> labelColumns;
        for (qsizetype c = 0; c < isLabel.size(); ++c)
            if (isLabel.at(c))
                labelColumns.push_back(c);
        std::vector<qsizetype> ends;
        ends.reserve(std::size_t(count));
        for (int z = 1; z <= count; ++z) {
            objects.select(z);
            m_bytes.append(brokerLabel);
            for (const qsizetype c : labelColumns) {
                if (c >= objects.fieldCount())
                    break;
                m_bytes.append(',');
                appendLabel(m_bytes, names.at(c), trimmedBlanks(objects.text(c)));
            }
            ends.push_back(m_bytes.size());
        }
        // The bytes stay where they are from here on, so the labels can be views of them.
        // A label with a slot ends in `,slot="N"`, which no label without one does (no
        // label field is named slot), so only the labels as built need looking up.
        LabelSet seen(ends.size());
        qsizetype begin = 0;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            QByteArrayView l = m_bytes.view(begin, ends[i] - begin);
            begin = ends[i];
            if (!seen.add(l)) {
                ByteBuffer slotted(l.size() + 16);
                slotted.append(l);
                slotted.append(',');
                appendLabel(slotted, "slot", QString::number(i + 1));
                m_slotted.append(slotted.take());
                l = m_slotted.constLast();
            }
            m_labels.push_back(l);
            m_size += l.size();
        }
    }
    QByteArrayView of(int z) const { return m_labels[std::size_t(z - 1)]; }
    // All labels' bytes together.
    qsizetype size() const { return m_size; }

private:
    ByteBuffer m_bytes;
    QList<QByteArray> m_slotted; // labels with a slot: their bytes never move either
    std::vector<QByteArrayView> m_labels;
    qsizetype m_size = 0;
};

// One kind's families: its labels built first, so that the whole document's size is
// known before any of it is written.
class KindWriter
{
public:
    KindWriter(const ObjectModel &model, QByteArrayView brokerLabel)
        : m_objects(model), m_shown(exporting::readingOf(model).objects), m_kind(model.kindName()),
          m_prefix("morvain_" + m_kind.toLatin1() + '_'), m_brokerLabel(brokerLabel)
    {
        for (const FieldInfo &column : m_objects.columns()) {
            m_isLabel << isLabelField(column.name);
            m_names << column.name.toLatin1();
        }
        m_labels.emplace(m_objects, m_shown, brokerLabel, m_isLabel, m_names);
    }

    // Enough room for this kind's part, give or take a long code word.
    qsizetype size() const
    {
        qsizetype size = 512;
        const QList<FieldInfo> &columns = m_objects.columns();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (columns.at(c).kind == FieldKind::Text || m_isLabel.at(c))
                continue;
            const qsizetype perSample = m_prefix.size() + m_names.at(c).size() + 24 +
                                        (columns.at(c).kind == FieldKind::Code ? 48 : 0);
            size += 256 + m_labels->size() + m_shown * perSample;
        }
        return size;
    }

    void write(ByteBuffer &out)
    {
        const QByteArray count = m_prefix + "stored_objects";
        family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(m_kind),
               "gauge");
        out.append(count);
        out.append('{');
        out.append(m_brokerLabel);
        out.append("} ");
        out.appendNumber(m_objects.objectCount());
        out.append('\n');

        const QList<FieldInfo> &columns = m_objects.columns();
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const FieldInfo &column = columns.at(c);
            if (column.kind != FieldKind::Text && !m_isLabel.at(c))
                writeFamily(out, c, column);
        }
    }

private:
    void writeFamily(ByteBuffer &out, qsizetype c, const FieldInfo &column)
    {
        const QByteArray name = m_prefix + m_names.at(c);
        const bool counter = column.kind == FieldKind::Counter;
        const QString help =
            column.kind == FieldKind::Code
                ? QStringLiteral("The code field %1 of the %2 kind; the label word decodes it.")
                      .arg(column.name, m_kind)
                : QStringLiteral("The %1 field %2 of the %3 kind.")
                      .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"),
                           column.name, m_kind);
        family(out, name, help, counter ? "counter" : "gauge");
        const QByteArray head = name + '{';
        // A code's word label as last written: runs of one word are the rule.
        QByteArray lastWord;
        ByteBuffer wordLabel(64);
        for (int z = 1; z <= m_shown; ++z) {
            m_objects.select(z);
            if (c >= m_objects.fieldCount())
                continue;
            out.append(head);
            out.append(m_labels->of(z));
            if (column.kind == FieldKind::Code) {
                const QByteArrayView word = m_objects.word(c);
                if (wordLabel.size() == 0 || word != lastWord) {
                    lastWord = word.toByteArray();
                    wordLabel = ByteBuffer(64);
                    wordLabel.append(',');
                    appendLabel(wordLabel, "word", TextBytes{word, false});
                }
                out.append(wordLabel.view(0, wordLabel.size()));
            }
            out.append("} ");
            out.appendNumber(m_objects.number(c));
            out.append('\n');
        }
    }

    FieldReader m_objects;
    int m_shown = 0; // the stored entries less the closing reply
    QString m_kind;
    QByteArray m_prefix;
    QByteArrayView m_brokerLabel;
    QList<bool> m_isLabel;
    QList<QByteArray> m_names;
    std::optional<ObjectLabels> m_labels;
};

// One sample per queried kind of morvain_up, morvain_objects and morvain_objects_total, so
// that a failed or cut query is seen as such and never read as an empty broker.
void writeReadings(ByteBuffer &out, const SnapshotReport &report, QByteArrayView brokerLabel)
{
    std::vector<exporting::KindReading> readings;
    for (const KindReport &kind : report.kinds)
        readings.push_back(exporting::readingOf(*kind.model));
    const auto writeFamily = [&](const char *name, const QString &help, auto valueOf) {
        family(out, name, help, "gauge");
        for (qsizetype i = 0; i < report.kinds.size(); ++i) {
            const exporting::KindReading &r = readings[std::size_t(i)];
            if (name != QByteArrayView("morvain_up") && !r.ok)
                continue;
            out.append(QByteArrayView(name));
            out.append('{');
            out.append(brokerLabel);
            out.append(',');
            appendLabel(out, "kind", report.kinds.at(i).model->kindName());
            out.append("} ");
            out.appendNumber(valueOf(r));
            out.append('\n');
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

} // namespace

QByteArray document(const SnapshotReport &report)
{
    ByteBuffer brokerLabel(64);
    appendLabel(brokerLabel, "broker_id",
                exporting::trimmedId(exporting::maskedUserInfo(report.brokerId)));
    const QByteArrayView label = brokerLabel.view(0, brokerLabel.size());
    std::vector<std::unique_ptr<KindWriter>> kinds;
    qsizetype size = 4096;
    for (const KindReport &kind : report.kinds) {
        if (!exporting::readingOf(*kind.model).ok)
            continue; // a failed query's entries are no objects
        kinds.push_back(std::make_unique<KindWriter>(*kind.model, label));
        size += kinds.back()->size();
    }
    ByteBuffer out(size);
    writeReadings(out, report, label);
    for (const std::unique_ptr<KindWriter> &kind : kinds)
        kind->write(out);
    return out.take();
}

} // namespace morvain::prometheus
