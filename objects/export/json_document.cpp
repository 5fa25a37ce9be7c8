#include "json_document.h"

#include "field_text.h"
#include "object_model.h"
#include "record_fields.h"
#include "snapshot_report.h"

#include <charconv>

namespace morvain::json
{
namespace
{

// A writer that keeps members in the order they are written (QJsonObject sorts them), so
// fields come out in record order. Two blanks of indent per level; a level opened "on one
// line" keeps its members on the line of its opening bracket.
class Writer
{
public:
    Writer() { m_out.reserve(1 << 16); }
    QByteArray take() { return m_out + '\n'; }

    void beginObject(bool oneLine = false) { open('{', oneLine); }
    void endObject() { close('}'); }
    void beginArray(bool oneLine = false) { open('[', oneLine); }
    void endArray() { close(']'); }

    void key(QByteArrayView name)
    {
        separate();
        m_out.append('"');
        m_out.append(name);
        m_out.append("\": ", 3);
        m_afterKey = true;
    }
    void value(const QString &text)
    {
        separate();
        quote(text.toUtf8());
    }
    void value(std::int64_t number)
    {
        separate();
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        m_out.append(digits, end - digits);
    }
    // A text as it is, and again with blanks off both ends (a blank is one byte in UTF-8).
    void rawAndTrimmed(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        qsizetype first = 0;
        qsizetype last = utf8.size();
        while (first < last && utf8.at(first) == ' ')
            ++first;
        while (last > first && utf8.at(last - 1) == ' ')
            --last;
        key("raw");
        separate();
        quote(QByteArrayView(utf8));
        key("trimmed");
        separate();
        quote(QByteArrayView(utf8).sliced(first, last - first));
    }
    // The same from Latin-1 bytes as stored, turned into UTF-8 as they are escaped.
    void rawAndTrimmedLatin1(QByteArrayView latin1)
    {
        key("raw");
        separate();
        quoteLatin1(latin1);
        key("trimmed");
        separate();
        quoteLatin1(exporting::trimmedBlanks(latin1));
    }
    void value(int number) { value(std::int64_t(number)); }
    void value(const char *text) { value(QString::fromLatin1(text)); }
    template <class T> void member(QByteArrayView name, const T &v)
    {
        key(name);
        value(v);
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
        m_out.append(2 * m_levels.size(), ' ');
    }
    // UTF-8 bytes from 0x80 up are never quotes or controls, so escaping works on bytes.
    void quote(QByteArrayView utf8)
    {
        m_out += '"';
        qsizetype plain = 0;
        for (qsizetype i = 0; i < utf8.size(); ++i) {
            const auto c = static_cast<unsigned char>(utf8.at(i));
            if (c >= 0x20 && c != '"' && c != '\\' && c != 0x7f)
                continue;
            m_out.append(utf8.constData() + plain, i - plain);
            plain = i + 1;
            if (c == '"' || c == '\\') {
                m_out += '\\';
                m_out += char(c);
            } else {
                static const char hex[] = "0123456789abcdef";
                const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                m_out.append(escaped, 6);
            }
        }
        m_out.append(utf8.constData() + plain, utf8.size() - plain);
        m_out += '"';
    }

    void quoteLatin1(QByteArrayView latin1)
    {
        m_out += '"';
        for (const char ch : latin1) {
            const auto c = static_cast<unsigned char>(ch);
            if (c == '"' || c == '\\') {
                m_out += '\\';
                m_out += char(c);
            } else if (c < 0x20 || c == 0x7f) {
                static const char hex[] = "0123456789abcdef";
                const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
                m_out.append(escaped, 6);
            } else {
                exporting::appendUtf8(m_out, c);
            }
        }
        m_out += '"';
    }

    QByteArray m_out;
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

// Texts raw and trimmed, codes with their word, other numbers plain; derived readings
// (the broker's run time split) follow the fields under "readings".
void writeObject(Writer &w, const QList<FieldValue> &values, const QList<QByteArray> &names)
{
    w.beginObject(true);
    bool anyReading = false;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const FieldValue &v = values.at(i);
        w.key(names.value(i));
        switch (v.kind) {
        case FieldKind::Text:
            w.beginObject();
            w.rawAndTrimmed(v.text);
            w.endObject();
            break;
        case FieldKind::Code:
            w.beginObject();
            w.member("value", v.number);
            w.member("word", v.decoded);
            w.endObject();
            break;
        case FieldKind::Gauge:
        case FieldKind::Counter:
            w.value(v.number);
            anyReading = anyReading || !v.decoded.isEmpty();
            break;
        }
    }
    if (anyReading) {
        w.key("readings");
        w.beginObject();
        for (qsizetype i = 0; i < values.size(); ++i) {
            const FieldValue &v = values.at(i);
            if (v.kind != FieldKind::Text && v.kind != FieldKind::Code && !v.decoded.isEmpty())
                w.member(names.value(i), v.decoded);
        }
        w.endObject();
    }
    w.endObject();
}

// The same from the stored record bytes, without building the values.
void writeRecord(Writer &w, const RecordView &record, const QList<FieldInfo> &columns,
                 const QList<QByteArray> &names)
{
    w.beginObject(true);
    bool anyReading = false;
    exporting::forEachField(record, [&](qsizetype c, const exporting::RecordField &f) {
        w.key(names.value(c));
        switch (columns.at(c).kind) {
        case FieldKind::Text:
            w.beginObject();
            w.rawAndTrimmedLatin1(f.latin1);
            w.endObject();
            break;
        case FieldKind::Code:
            w.beginObject();
            w.member("value", f.number);
            w.member("word", exporting::decodedOf(record, f));
            w.endObject();
            break;
        case FieldKind::Gauge:
        case FieldKind::Counter:
            w.value(f.number);
            anyReading = anyReading || !exporting::decodedOf(record, f).isEmpty();
            break;
        }
    });
    if (anyReading) {
        w.key("readings");
        w.beginObject();
        exporting::forEachField(record, [&](qsizetype c, const exporting::RecordField &f) {
            const FieldKind kind = columns.at(c).kind;
            if (kind == FieldKind::Text || kind == FieldKind::Code)
                return;
            const QString reading = exporting::decodedOf(record, f);
            if (!reading.isEmpty())
                w.member(names.value(c), reading);
        });
        w.endObject();
    }
    w.endObject();
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
    w.beginObject();
    w.member("kind", model.kindName());
    w.member("error_text", kind.errorText);
    w.key("messages");
    w.beginArray(true);
    for (const QString &m : kind.messages)
        w.value(m);
    w.endArray();
    writeHeader(w, model.header());
    w.key("columns");
    w.beginArray();
    QList<QByteArray> names;
    const QList<FieldInfo> columns = model.columns();
    for (const FieldInfo &column : columns) {
        names << column.name.toLatin1();
        w.beginObject(true);
        w.member("name", column.name);
        w.member("kind", kindWord(column.kind));
        w.endObject();
    }
    w.endArray();
    w.member("object_count", model.objectCount());
    w.key("objects");
    w.beginArray();
    for (int z = 1; z <= model.objectCount(); ++z) {
        const RecordView record = model.record(z);
        if (record.bytes.empty())
            writeObject(w, model.values(z), names);
        else
            writeRecord(w, record, columns, names);
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
    w.member("broker_id", exporting::trimmedId(report.brokerId));
    w.member("broker_id_raw", report.brokerId);
    w.member("time", report.time.toUTC().toString(Qt::ISODateWithMs));
    w.key("kinds");
    w.beginArray();
    for (const KindReport &kind : report.kinds)
        writeKind(w, kind);
    w.endArray();
    w.endObject();
    return w.take();
}

} // namespace morvain::json
