#include "prometheus_document.h"

#include "field_reader.h"
#include "kind_registry.h"
#include "object_extras.h"
#include "object_model.h"
#include "query_reading.h"
#include "snapshot_report.h"
#include "text_out.h"
#include "text_support.h"

#include <QSet>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvain::prometheus
{
namespace
{

using exporting::Charset;
using exporting::FieldReader;

// An object's key fields label its samples: they tell one series from another.
bool isLabelField(std::string_view name)
{
    for (const KindInfo &kind : kindRegistry)
        if (std::find(kind.keyFields.begin(), kind.keyFields.end(), name) != kind.keyFields.end())
            return !name.empty();
    return false;
}

// Label values escape backslash, quote and line feed.
constexpr std::string_view escapeOf(unsigned char c)
{
    return c == '\\'   ? std::string_view("\\\\")
           : c == '"'  ? std::string_view("\\\"")
           : c == '\n' ? std::string_view("\\n")
                       : std::string_view();
}

template <Charset from>
constexpr exporting::ByteSet special = exporting::specialBytes<from>([](unsigned char c) {
    return !escapeOf(c).empty();
});

// `name="value"`.
template <Charset from, class Out>
void appendLabel(Out &out, std::string_view name, std::string_view value)
{
    exporting::append(out, name);
    out += "=\"";
    exporting::appendEscaped<from>(out, value, special<from>, escapeOf);
    out += '"';
}

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), std::size_t(bytes.size())};
}

void family(exporting::Document &out, const QByteArray &name, const QString &help, const char *type)
{
    QByteArray escaped = help.toUtf8();
    escaped.replace('\\', "\\\\").replace('\n', "\\n");
    out += "# HELP ";
    out += name;
    out += ' ';
    out += escaped;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

// Every number extra of `model`'s objects as the family morvain_<kind>_<field>, one sample
// per shown object that has it, labelled like the record's samples (an object stored twice
// has one set of extras: one sample).
void writeExtras(exporting::Document &out, const ObjectModel &model, const ObjectExtras &extras,
                 const QByteArray &brokerLabel)
{
    const QList<FieldInfo> fields = extras.fields();
    const int count = readingOf(model).shown;
    const QByteArray kind = model.kindName().toUtf8();
    const auto &labelNames = model.kind().keyFields;
    for (int i = 0; i < fields.size(); ++i) {
        const FieldInfo &f = fields[i];
        if (f.kind == FieldKind::Text)
            continue;
        const bool counter = f.kind == FieldKind::Counter;
        const QByteArray name = "morvain_" + kind + '_' + f.name.toUtf8();
        family(out, name,
               QStringLiteral("The %1 field %2 of the %3 kind, read beside its records.")
                   .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"), f.name,
                        QString::fromUtf8(kind)),
               counter ? "counter" : "gauge");
        QSet<QString> seen;
        for (int z = 1; z <= count; ++z) {
            const QString key = model.key(z);
            const QVariant v = extras.value(key, i);
            if (v.isNull() || seen.contains(key))
                continue;
            seen.insert(key);
            out += name;
            out += '{';
            out += brokerLabel;
            const QStringList parts = key.split(QChar(0x1f));
            for (qsizetype p = 0; p < parts.size() && p < qsizetype(labelNames.size()); ++p) {
                const QByteArray part = parts[p].toUtf8();
                out += ',';
                appendLabel<Charset::Utf8>(out, labelNames[std::size_t(p)],
                                           exporting::visible(view(part)));
            }
            out += "} ";
            exporting::appendNumber(out, v.toLongLong());
            out += '\n';
        }
    }
}

// One sample per queried kind of morvain_up, and of morvain_objects and
// morvain_objects_total for those up, so that a failed or cut query is seen as such and
// never read as an empty broker.
void writeReadings(exporting::Document &out, const SnapshotReport &report,
                   const QByteArray &brokerLabel)
{
    std::vector<QueryReading> readings;
    for (const KindReport &kind : report.kinds)
        readings.push_back(readingOf(kind.sampled()));
    const auto writeFamily = [&](const QByteArray &name, const QString &help, auto valueOf) {
        family(out, name, help, "gauge");
        for (qsizetype i = 0; i < report.kinds.size(); ++i) {
            const QueryReading &r = readings[std::size_t(i)];
            if (name != "morvain_up" && !!r.failed)
                continue;
            out += name;
            out += '{';
            out += brokerLabel;
            out += ',';
            appendLabel<Charset::Utf8>(out, "kind",
                                       view(report.kinds.at(i).sampled().kindName().toUtf8()));
            out += "} ";
            exporting::appendNumber(out, valueOf(r));
            out += '\n';
        }
    };
    writeFamily("morvain_up",
                QStringLiteral("1 when the last query of the kind succeeded, 0 when the broker "
                               "answered it with an error code."),
                [](const QueryReading &r) { return std::int64_t(!r.failed ? 1 : 0); });
    writeFamily("morvain_objects",
                QStringLiteral("Objects the last query of the kind brought back (the reply that "
                               "ended it is not one)."),
                [](const QueryReading &r) { return std::int64_t(r.shown); });
    writeFamily("morvain_objects_total",
                QStringLiteral("Objects of the kind the broker holds, by the header of its last "
                               "reply; above morvain_objects when the list was cut."),
                [](const QueryReading &r) { return std::int64_t(r.total); });
}

// Every object's labels, built once and shared by all its samples: broker_id, then its
// label fields as the lists show them; an object whose labels an earlier one has gets its
// slot as a further label.
class ObjectLabels
{
public:
    ObjectLabels(FieldReader &objects, int count, const QByteArray &brokerLabel)
    {
        std::vector<qsizetype> labelFields; // of the field table last seen
        const void *table = nullptr;
        m_records.reserve(std::size_t(std::max(count, 0)));
        for (int z = 1; z <= count; ++z) {
            objects.select(z);
            if (objects.table() != table) {
                table = objects.table();
                labelFields.clear();
                for (qsizetype c = 0; c < objects.fieldCount(); ++c)
                    if (isLabelField(objects.name(c)))
                        labelFields.push_back(c);
            }
            const std::size_t begin = m_bytes.size();
            m_bytes.append(brokerLabel.constData(), std::size_t(brokerLabel.size()));
            for (const qsizetype c : labelFields) {
                m_bytes += ',';
                const std::string_view text = objects.text(c);
                std::string_view shown;
                if (exporting::isPlain(text, shown)) { // no escape and no zero byte in it
                    m_bytes += objects.name(c);
                    m_bytes += "=\"";
                    m_bytes += shown;
                    m_bytes += '"';
                } else {
                    appendLabel<Charset::Latin1>(m_bytes, objects.name(c),
                                                 exporting::visible(text));
                }
            }
            if (z == 1) // the others' are about as long
                m_bytes.reserve(std::size_t(count) * (m_bytes.size() + 16) + block);
            m_records.push_back({objects.bytes(), objects.table(), objects.fieldCount(), begin,
                                 m_bytes.size() - begin, false});
        }
        // Looked for once all are written, so that the views stay valid: an open-addressed
        // table of object numbers, at most half full, by a hash of whole words.
        std::size_t room = 16;
        while (room < 2 * m_records.size())
            room *= 2;
        std::vector<int> taken(room, 0);
        for (std::size_t i = 0; i < m_records.size(); ++i) {
            const std::string_view own = of(m_records[i]);
            for (std::size_t at = hashOf(own) & (room - 1);; at = (at + 1) & (room - 1)) {
                if (taken[at] == 0) {
                    taken[at] = int(i) + 1;
                    break;
                }
                if (of(record(taken[at])) == own) {
                    m_records[i].repeats = true;
                    break;
                }
            }
        }
        // Block copies of a sample's labels may read this far past their end.
        m_bytes.append(block, '\0');
    }

    // The longest piece copy() reads past the bytes it copies.
    static constexpr std::size_t block = 32;
    // `size` bytes at `to`, as 32-byte blocks read from `from` (the labels, or a text with
    // `block` bytes after its end); `to` has room for `block` bytes past them.
    static char *copy(char *to, const char *from, std::size_t size)
    {
        for (std::size_t done = 0; done < size; done += block)
            std::memcpy(to + done, from + done, block);
        return to + size;
    }

    // Object z's labels, 1 to count, without the comma before them.
    template <class Out> void write(Out &out, int z) const
    {
        exporting::append(out, of(record(z)));
        if (record(z).repeats) {
            out += ',';
            appendLabel<Charset::Utf8>(out, "slot", std::to_string(z));
        }
    }
    qsizetype size() const { return qsizetype(m_bytes.size()); }
    // Object z's record as select(z) left it, for its numbers without another select().
    struct Record {
        const std::uint8_t *bytes = nullptr;
        const void *table = nullptr;
        qsizetype fieldCount = 0;
        std::size_t begin = 0; // its labels in m_bytes, without a slot
        std::size_t size = 0;
        bool repeats = false; // an earlier object has the same labels
    };
    const Record &record(int z) const { return m_records[std::size_t(z - 1)]; }

    // An object's labels without a slot.
    std::string_view of(const Record &r) const { return {m_bytes.data() + r.begin, r.size}; }

private:
    static std::size_t hashOf(std::string_view text)
    {
        std::uint64_t h = text.size();
        std::size_t at = 0;
        // A product carries a byte's change only upwards: each step folds the high half
        // back down, so that the low bits the table uses see every byte.
        for (; at + 8 <= text.size(); at += 8) {
            h = (h ^ exporting::word::load(text.data() + at)) * 0x9e3779b97f4a7c15;
            h ^= h >> 32;
        }
        for (; at < text.size(); ++at)
            h = (h ^ static_cast<unsigned char>(text[at])) * 0x100000001b3;
        h *= 0xff51afd7ed558ccd;
        return std::size_t(h ^ (h >> 33));
    }

    std::string m_bytes; // every object's labels, one after the other
    std::vector<Record> m_records;
};

// One kind's families: every number field that is no label, then its samples, one per
// object (the closing reply is none).
void writeKind(exporting::Document &out, const ObjectModel &model, const QByteArray &brokerLabel)
{
    FieldReader objects(model);
    const int shown = readingOf(model).shown;
    const QString kind = model.kindName();
    const QByteArray prefix = "morvain_" + kind.toUtf8() + '_';

    const QByteArray count = prefix + "stored_objects";
    family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(kind), "gauge");
    out += count;
    out += '{';
    out += brokerLabel;
    out += "} ";
    exporting::appendNumber(out, objects.objectCount());
    out += '\n';

    const ObjectLabels labels(objects, shown, brokerLabel);
    const QList<FieldInfo> &columns = objects.columns();
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const FieldInfo &column = columns.at(c);
        const QByteArray field = column.name.toUtf8();
        if (column.kind == FieldKind::Text || isLabelField(view(field)))
            continue;
        const QByteArray name = prefix + field;
        const bool counter = column.kind == FieldKind::Counter;
        const bool code = column.kind == FieldKind::Code;
        family(out, name,
               code ? QStringLiteral("The code field %1 of the %2 kind; the label word decodes it.")
                          .arg(column.name, kind)
                    : QStringLiteral("The %1 field %2 of the %3 kind.")
                          .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"),
                               column.name, kind),
               counter ? "counter" : "gauge");
        // The family's samples: their labels, name and number, and a word for codes.
        out.reserve(labels.size() + shown * (name.size() + (code ? 48 : 16)));
        // `,word="..."` of each code seen, for the field table last seen.
        std::unordered_map<std::int64_t, QByteArray> wordLabels;
        const void *table = nullptr;
        // `name{`, with room for block copies to read past it.
        std::string head(name.constData(), std::size_t(name.size()));
        head += '{';
        const std::size_t headSize = head.size();
        head.resize(headSize + ObjectLabels::block, '\0');
        for (int z = 1; z <= shown; ++z) {
            const ObjectLabels::Record &record = labels.record(z);
            if (record.table != objects.table()) // a table of its own: read through it
                objects.select(z);
            if (c >= record.fieldCount)
                continue;
            const std::int64_t number = objects.numberIn(record.bytes, c);
            const QByteArray *word = nullptr;
            if (code) {
                if (objects.table() != table) {
                    table = objects.table();
                    wordLabels.clear();
                }
                auto found = wordLabels.find(number);
                if (found == wordLabels.end()) {
                    objects.select(z); // word() reads the selected object
                    QByteArray piece = ",";
                    appendLabel<Charset::Utf8>(piece, "word", objects.word(c));
                    found = wordLabels.emplace(number, std::move(piece)).first;
                }
                word = &found->second;
            }
            if (record.repeats) { // with its slot label: seldom
                out += std::string_view(head).substr(0, headSize);
                labels.write(out, z);
                if (word)
                    out += *word;
                char *at = out.claim(24);
                at = exporting::put(at, "} ");
                at = exporting::putNumber(at, number);
                *at++ = '\n';
                out.commit(at);
                continue;
            }
            const std::string_view own = labels.of(record);
            constexpr qsizetype block = ObjectLabels::block;
            char *at = out.claim(qsizetype(headSize + own.size()) + (word ? word->size() : 0) + 24 +
                                 block);
            at = ObjectLabels::copy(at, head.data(), headSize);
            at = ObjectLabels::copy(at, own.data(), own.size());
            if (word)
                at = exporting::put(at, word->constData(), std::size_t(word->size()));
            at = exporting::put(at, "} ");
            at = exporting::putNumber(at, number);
            *at++ = '\n';
            out.commit(at);
        }
    }
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    QByteArray brokerLabel;
    appendLabel<Charset::Utf8>(brokerLabel, "broker_id",
                               view(trimIdentifier(maskedUserInfo(report.brokerId)).toUtf8()));
    exporting::Document out;
    writeReadings(out, report, brokerLabel);
    for (const KindReport &kind : report.kinds)
        if (!readingOf(kind.sampled()).failed) { // a failed query's entries are no objects
            writeKind(out, kind.sampled(), brokerLabel);
            if (kind.extras)
                writeExtras(out, *kind.model, *kind.extras, brokerLabel);
        }
    return out.take();
}

} // namespace morvain::prometheus
