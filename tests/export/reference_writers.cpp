// The export writers in their plainest form, kept as the reference the fast ones in
// objects/export/ are checked against byte for byte (tests/fuzz/fuzz_writers_diff.cpp).
// Change both together: a difference is a fault in one of them.

#include "reference_writers.h"

#include "field_values.h"
#include "json_document.h"
#include "object_model.h"
#include "query_reading.h"
#include "snapshot_report.h"
#include "text_support.h"
#include "wire_field.h"

#include <QList>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace morvain::reference
{
namespace exporting
{

// A text as the lists show it: up to its first zero byte, blanks off both ends.
inline std::string_view visible(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

inline void appendNumber(std::string &out, std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, std::size_t(end - digits));
}

enum class Charset { Latin1, Utf8 };

// `text` as UTF-8, each byte below 0x80 for which escape(c) is not empty written as that.
// Latin-1 bytes from 0x80 up become two UTF-8 bytes; UTF-8 ones go as they are (escape()
// is never asked about them).
template <Charset from, class Escape>
void appendEscaped(std::string &out, std::string_view text, Escape escape)
{
    std::size_t run = 0; // the bytes from here on go in as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::string_view instead;
        char pair[2];
        if (c >= 0x80) {
            if (from == Charset::Utf8)
                continue;
            pair[0] = char(0xc0 | (c >> 6));
            pair[1] = char(0x80 | (c & 0x3f));
            instead = {pair, 2};
        } else {
            instead = escape(c);
            if (instead.empty())
                continue;
        }
        out.append(text.substr(run, i - run));
        out.append(instead);
        run = i + 1;
    }
    out.append(text.substr(run));
}

// The fields of one object at a time, read afresh at every call: no table is kept from one
// object to the next and no word from one call to the next, so that the writers' own
// caches have something plain to be checked against.
class FieldReader
{
public:
    explicit FieldReader(const ObjectModel &model)
        : m_model(model), m_columns(model.columns()), m_objectCount(model.objectCount())
    {
    }

    const QList<FieldInfo> &columns() const { return m_columns; }
    int objectCount() const { return m_objectCount; }

    // Object z (1 to objectCount()) becomes the one read; one without bytes has no fields.
    void select(int z)
    {
        m_record = m_model.record(z);
        m_fields.clear();
        if (m_record.bytes.empty())
            return;
        for (const wire::Field &f : m_record.fields)
            if (f.encoding != wire::Encoding::Padding)
                m_fields.push_back(&f);
    }
    qsizetype fieldCount() const { return qsizetype(m_fields.size()); }
    // Which field table the fields are of; null for an object without bytes.
    const void *table() const { return m_fields.empty() ? nullptr : m_record.fields.data(); }
    std::string_view name(qsizetype c) const { return field(c).name; }
    FieldKind kind(qsizetype c) const
    {
        if (field(c).encoding == wire::Encoding::Text)
            return FieldKind::Text;
        return m_record.rules->kindOf(field(c).name);
    }
    std::int64_t number(qsizetype c) const
    {
        return numberAt(m_record.bytes.data() + field(c).offset, field(c).width);
    }
    // A text field's Latin-1 bytes as stored; a number field's decimal digits.
    std::string_view text(qsizetype c)
    {
        if (kind(c) == FieldKind::Text)
            return {reinterpret_cast<const char *>(m_record.bytes.data() + field(c).offset),
                    std::size_t(field(c).width)};
        m_text = std::to_string(number(c));
        return m_text;
    }
    // A code's word or a number's reading (UTF-8); empty for a text or where there is none.
    std::string_view word(qsizetype c)
    {
        if (kind(c) == FieldKind::Text)
            return {};
        m_word = m_record.rules->decodedOf(field(c).name, number(c)).toStdString();
        return m_word;
    }

private:
    const wire::Field &field(qsizetype c) const { return *m_fields[std::size_t(c)]; }

    const ObjectModel &m_model;
    QList<FieldInfo> m_columns;
    int m_objectCount = 0;
    RecordView m_record;
    std::vector<const wire::Field *> m_fields; // without padding
    std::string m_text;
    std::string m_word;
};

} // namespace exporting

namespace json
{
using morvain::json::schemaVersion;
namespace
{

using exporting::Charset;

// Quotes, backslashes and controls (0x7f too) escaped; bytes from 0x80 up never are.
std::string_view escapeOf(unsigned char c)
{
    static const std::array<std::string, 0x80> table = [] {
        std::array<std::string, 0x80> t;
        static const char hex[] = "0123456789abcdef";
        for (int c = 0; c < 0x80; ++c)
            if (c < 0x20 || c == 0x7f)
                t[std::size_t(c)] = std::string("\\u00") + hex[c >> 4] + hex[c & 15];
        t['"'] = "\\\"";
        t['\\'] = "\\\\";
        return t;
    }();
    return table[c];
}

template <Charset from> void appendQuoted(std::string &out, std::string_view text)
{
    out += '"';
    exporting::appendEscaped<from>(out, text, [](unsigned char c) {
        const bool plain = c >= 0x20 && c != '"' && c != '\\' && c != 0x7f;
        return plain ? std::string_view() : escapeOf(c);
    });
    out += '"';
}

// A writer that keeps members in the order they are written (QJsonObject sorts them), so
// fields come out in record order. Two blanks of indent per level; a level opened "on one
// line" keeps its members on the line of its opening bracket.
class Writer
{
public:
    QByteArray take()
    {
        m_out += '\n';
        return QByteArray(m_out.data(), qsizetype(m_out.size()));
    }

    void beginObject(bool oneLine = false) { open('{', oneLine); }
    void endObject() { close('}'); }
    void beginArray(bool oneLine = false) { open('[', oneLine); }
    void endArray() { close(']'); }

    void key(std::string_view name)
    {
        separate();
        appendQuoted<Charset::Utf8>(m_out, name);
        m_out += ": ";
        m_afterKey = true;
    }
    void value(const QString &text)
    {
        separate();
        appendQuoted<Charset::Utf8>(m_out, text.toStdString());
    }
    void value(std::int64_t number)
    {
        separate();
        exporting::appendNumber(m_out, number);
    }
    void value(int number) { value(std::int64_t(number)); }
    void value(bool yes)
    {
        separate();
        m_out += yes ? "true" : "false";
    }
    void value(const char *text) { value(QString::fromUtf8(text)); }
    template <class T> void member(std::string_view name, const T &v)
    {
        key(name);
        value(v);
    }
    // The document's bytes, for a value written in place.
    std::string &raw()
    {
        separate();
        return m_out;
    }

private:
    struct Level {
        bool empty = true;
        bool oneLine = false;
    };

    void open(char bracket, bool oneLine)
    {
        separate();
        m_out += bracket;
        m_levels.append({true, oneLine || (!m_levels.isEmpty() && m_levels.last().oneLine)});
    }
    void close(char bracket)
    {
        const Level level = m_levels.takeLast();
        if (!level.empty && !level.oneLine)
            newline();
        m_out += bracket;
    }
    // Before any value or key: a comma after a sibling, then a new line (or a blank on one
    // line), unless a key precedes.
    void separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_levels.isEmpty())
            return;
        Level &level = m_levels.last();
        if (!level.empty)
            m_out += level.oneLine ? ", " : ",";
        level.empty = false;
        if (!level.oneLine)
            newline();
    }
    void newline()
    {
        m_out += '\n';
        m_out.append(std::size_t(2 * m_levels.size()), ' ');
    }

    std::string m_out;
    QList<Level> m_levels;
    bool m_afterKey = false;
};

const char *kindWord(FieldKind kind)
{
    switch (kind) {
    case FieldKind::Text:
        return "text";
    case FieldKind::Code:
        return "code";
    case FieldKind::Gauge:
        return "gauge";
    case FieldKind::Counter:
        return "counter";
    }
    return "gauge";
}

// One object on one line: texts raw and as the lists show them, codes with their word,
// other numbers plain; derived readings (the broker's run time split) follow the fields
// under "readings".
// How each member starts, `"name": `, for the fields of one field table.
struct MemberHeads {
    const void *table = nullptr;
    std::vector<std::string> heads;
};

void writeObject(std::string &out, exporting::FieldReader &object, MemberHeads &names,
                 bool closingReply)
{
    if (names.table != object.table()) {
        names.table = object.table();
        names.heads.clear();
        for (qsizetype i = 0; i < object.fieldCount(); ++i) {
            std::string head;
            appendQuoted<Charset::Utf8>(head, object.name(i));
            names.heads.push_back(head + ": ");
        }
    }
    const auto head = [&](qsizetype i, bool first) {
        if (!first)
            out += ", ";
        out += names.heads[std::size_t(i)];
    };
    out += '{';
    bool anyReading = false;
    const qsizetype count = object.fieldCount();
    for (qsizetype i = 0; i < count; ++i) {
        head(i, i == 0);
        switch (object.kind(i)) {
        case FieldKind::Text: {
            const std::string_view text = object.text(i);
            out += "{\"raw\": ";
            appendQuoted<Charset::Latin1>(out, text);
            out += ", \"trimmed\": ";
            appendQuoted<Charset::Latin1>(out, exporting::visible(text));
            out += '}';
            break;
        }
        case FieldKind::Code:
            out += "{\"value\": ";
            exporting::appendNumber(out, object.number(i));
            out += ", \"word\": ";
            appendQuoted<Charset::Utf8>(out, object.word(i));
            out += '}';
            break;
        case FieldKind::Gauge:
        case FieldKind::Counter:
            exporting::appendNumber(out, object.number(i));
            anyReading = anyReading || !object.word(i).empty();
            break;
        }
    }
    if (anyReading) {
        out += ", \"readings\": {";
        bool first = true;
        for (qsizetype i = 0; i < count; ++i) {
            const FieldKind kind = object.kind(i);
            if (kind == FieldKind::Text || kind == FieldKind::Code || object.word(i).empty())
                continue;
            head(i, std::exchange(first, false));
            appendQuoted<Charset::Utf8>(out, object.word(i));
        }
        out += '}';
    }
    // Kept, as the tab keeps it, but marked: it is no object.
    if (closingReply)
        out += count > 0 ? ", \"closing_reply\": true" : "\"closing_reply\": true";
    out += '}';
}

void writeHeader(Writer &w, const ReplyHeader &h)
{
    w.key("header");
    w.beginObject(true);
    w.member("error_code", h.error_code);
    w.member("total_num_objects", h.total_num_objects);
    w.member("current_num_objects", h.current_num_objects);
    w.member("max_sc_len", h.max_sc_len);
    w.member("max_sn_len", h.max_sn_len);
    w.member("max_sv_len", h.max_sv_len);
    w.member("max_uid_len", h.max_uid_len);
    w.member("max_tk_len", h.max_tk_len);
    w.endObject();
}

void writeKind(Writer &w, const KindReport &kind)
{
    const ObjectModel &model = *kind.model;
    const QueryReading reading = readingOf(model);
    w.beginObject();
    w.member("kind", model.kindName());
    w.member("ok", !reading.failed);
    if (!!reading.failed)
        w.member("error_code", reading.errorCode);
    w.member("error_text", kind.errorText);
    w.key("messages");
    w.beginArray(true);
    for (const QString &m : kind.messages)
        w.value(m);
    w.endArray();
    writeHeader(w, model.header());
    w.key("columns");
    w.beginArray();
    exporting::FieldReader object(model);
    for (const FieldInfo &column : object.columns()) {
        w.beginObject(true);
        w.member("name", column.name);
        w.member("kind", kindWord(column.kind));
        w.endObject();
    }
    w.endArray();
    w.member("object_count", object.objectCount());
    if (!reading.failed) {
        w.member("shown", reading.shown);
        w.member("total", reading.total);
    }
    w.key("objects");
    w.beginArray();
    MemberHeads names;
    for (int z = 1; z <= object.objectCount(); ++z) {
        object.select(z);
        writeObject(w.raw(), object, names, z > reading.shown);
    }
    w.endArray();
    w.endObject();
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    Writer w;
    w.beginObject();
    w.member("schema_version", schemaVersion);
    const QString brokerId = maskedUserInfo(report.brokerId);
    w.member("broker_id", trimIdentifier(brokerId));
    w.member("broker_id_raw", brokerId);
    w.member("time", report.time.toUTC().toString(Qt::ISODateWithMs));
    w.key("kinds");
    w.beginArray();
    for (const KindReport &kind : report.kinds)
        writeKind(w, kind);
    w.endArray();
    w.endObject();
    return w.take();
}

} // namespace json

namespace prometheus
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
    struct Family {
        const char *name;
        const char *help;
        std::int64_t (*value)(const QueryReading &);
        bool ofFailedQueries;
    };
    static const Family families[] = {
        {"morvain_up",
         "1 when the last query of the kind succeeded, 0 when the broker answered it with an "
         "error code.",
         [](const QueryReading &r) -> std::int64_t { return r.failed ? 0 : 1; }, true},
        {"morvain_objects",
         "Objects the last query of the kind brought back (the reply that ended it is not one).",
         [](const QueryReading &r) -> std::int64_t { return r.shown; }, false},
        {"morvain_objects_total",
         "Objects of the kind the broker holds, by the header of its last reply; above "
         "morvain_objects when the list was cut.",
         [](const QueryReading &r) -> std::int64_t { return r.total; }, false},
    };
    for (const Family &f : families) {
        family(out, f.name, QString::fromUtf8(f.help), "gauge");
        for (const KindReport &kind : report.kinds) {
            const QueryReading r = readingOf(kind.sampled());
            if (r.failed && !f.ofFailedQueries)
                continue;
            std::string labels = brokerLabel + ',';
            appendLabel<Charset::Utf8>(labels, "kind", kind.sampled().kindName().toStdString());
            out += std::string(f.name) + '{' + labels + "} " + std::to_string(f.value(r)) + '\n';
        }
    }
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
    const int shown = readingOf(model).shown;
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
    appendLabel<Charset::Utf8>(brokerLabel, "broker_id",
                               trimIdentifier(maskedUserInfo(report.brokerId)).toStdString());
    std::string out;
    writeReadings(out, report, brokerLabel);
    for (const KindReport &kind : report.kinds)
        if (!readingOf(kind.sampled()).failed) // a failed query's entries are no objects
            writeKind(out, kind.sampled(), brokerLabel);
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace prometheus

namespace csv
{
namespace
{

using exporting::Charset;

// Quoted when it holds a comma, a quote or any control (CR and LF among them); quotes are
// doubled. Bytes from 0x80 up are no controls, in Latin-1 as in UTF-8.
template <Charset from> void appendField(std::string &out, std::string_view field)
{
    const bool quoted = std::find_if(field.begin(), field.end(), [](char ch) {
                            const auto c = static_cast<unsigned char>(ch);
                            return c == ',' || c == '"' || c < 0x20 || c == 0x7f;
                        }) != field.end();
    if (quoted)
        out += '"';
    exporting::appendEscaped<from>(out, field, [](unsigned char c) {
        return c == '"' ? std::string_view("\"\"") : std::string_view();
    });
    if (quoted)
        out += '"';
}

template <Charset from> std::string cell(std::string_view field)
{
    std::string out;
    appendField<from>(out, field);
    return out;
}

// A row of cells, apart by commas, ended by CR LF.
std::string row(const std::vector<std::string> &cells)
{
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i)
        out += (i > 0 ? "," : "") + cells[i];
    return out + "\r\n";
}

} // namespace

QByteArray document(const ObjectModel &model)
{
    exporting::FieldReader objects(model);
    std::vector<std::string> header;
    for (const FieldInfo &column : objects.columns()) {
        header.push_back(cell<Charset::Utf8>(column.name.toStdString()));
        if (column.kind == FieldKind::Code)
            header.push_back(cell<Charset::Utf8>(column.name.toStdString() + "_word"));
    }
    std::string out = row(header);

    // A failed query's entries are no objects, nor is the reply that ended a list.
    const QueryReading reading = readingOf(model);
    for (int z = 1; !reading.failed && z <= reading.shown; ++z) {
        objects.select(z);
        // An object without a record is a row of empty cells as wide as the header.
        std::vector<std::string> cells(objects.fieldCount() == 0 ? header.size() : 0);
        for (qsizetype c = 0; c < objects.fieldCount(); ++c) {
            if (objects.kind(c) == FieldKind::Text) {
                cells.push_back(cell<Charset::Latin1>(exporting::visible(objects.text(c))));
                continue;
            }
            cells.push_back(std::to_string(objects.number(c)));
            if (objects.kind(c) == FieldKind::Code)
                cells.push_back(cell<Charset::Utf8>(objects.word(c)));
        }
        out += row(cells);
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace csv

QByteArray jsonDocument(const SnapshotReport &report)
{
    return json::document(report);
}

QByteArray prometheusDocument(const SnapshotReport &report)
{
    return prometheus::document(report);
}

QByteArray csvDocument(const ObjectModel &model)
{
    return csv::document(model);
}

} // namespace morvain::reference
