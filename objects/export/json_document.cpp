#include "json_document.h"

#include "byte_buffer.h"
#include "field_reader.h"
#include "field_text.h"
#include "kind_reading.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <utility>
#include <vector>

namespace morvain::json
{
namespace
{

// Quotes, backslashes and controls escaped; UTF-8 bytes from 0x80 up are never any of them.
void appendEscaped(exporting::ByteBuffer &out, const exporting::TextBytes &text)
{
    out.appendEscaped(
        text, [](unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c == 0x7f; },
        [](exporting::ByteBuffer &to, unsigned char c) {
            if (c == '"' || c == '\\') {
                const char escaped[] = {'\\', char(c)};
                to.append(escaped, 2);
                return;
            }
            static const char hex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            to.append(escaped, 6);
        });
}

void appendQuoted(exporting::ByteBuffer &out, const exporting::TextBytes &text)
{
    out.append('"');
    appendEscaped(out, text);
    out.append('"');
}

// A writer that keeps members in the order they are written (QJsonObject sorts them), so
// fields come out in record order. Two blanks of indent per level; a level opened "on one
// line" keeps its members on the line of its opening bracket.
class Writer
{
public:
    explicit Writer(qsizetype capacity) : m_out(capacity) {}
    QByteArray take()
    {
        m_out.append('\n');
        return m_out.take();
    }

    void beginObject(bool oneLine = false) { open('{', oneLine); }
    void endObject() { close('}'); }
    void beginArray(bool oneLine = false) { open('[', oneLine); }
    void endArray() { close(']'); }

    void key(QByteArrayView name)
    {
        separate();
        m_out.append('"');
        m_out.append(name);
        m_out.append("\": ");
        m_afterKey = true;
    }
    void value(const exporting::TextBytes &text)
    {
        separate();
        quote(text);
    }
    void value(const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        value(exporting::TextBytes{utf8, false});
    }
    void value(std::int64_t number)
    {
        separate();
        m_out.appendNumber(number);
    }
    void value(int number) { value(std::int64_t(number)); }
    // A bare JSON word: true, false, null.
    void literal(const char *word)
    {
        separate();
        m_out.append(QByteArrayView(word));
    }
    void value(const char *text) { value(exporting::TextBytes{text, false}); }
    // An object on one line whose members write(out) writes as they would come out through
    // key() and value(), separators included.
    template <class Write> void objectOnOneLine(Write &&write)
    {
        separate();
        m_out.append('{');
        write(m_out);
        m_out.append('}');
    }
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
        m_out.append(bracket);
        m_levels.append({true, oneLine || (!m_levels.isEmpty() && m_levels.last().oneLine)});
    }
    void close(char bracket)
    {
        const Level level = m_levels.takeLast();
        if (!level.empty && !level.oneLine)
            newline();
        m_out.append(bracket);
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
        if (!level.empty) {
            if (level.oneLine)
                m_out.append(", ");
            else
                m_out.append(',');
        }
        level.empty = false;
        if (!level.oneLine)
            newline();
    }
    void newline()
    {
        m_out.append('\n');
        m_out.append(2 * m_levels.size(), ' ');
    }
    void quote(const exporting::TextBytes &text) { appendQuoted(m_out, text); }

    exporting::ByteBuffer m_out;
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

// How each member of an object starts, the separator included: `"name": ` for the first,
// `, "name": ` for the others. All in one array with a block's room at its end, so each
// goes in as one short copy.
class MemberHeads
{
public:
    explicit MemberHeads(const QList<FieldInfo> &columns)
    {
        for (const FieldInfo &column : columns) {
            const QByteArray head = '"' + column.name.toLatin1() + "\": ";
            m_first.push_back(add(head));
            m_later.push_back(add(", " + head));
        }
        m_unnamed[0] = add("\"\": ");
        m_unnamed[1] = add(", \"\": ");
        m_bytes.append(exporting::ByteBuffer::block, ' ');
    }
    QByteArrayView of(qsizetype i, bool isFirst) const
    {
        const std::size_t n = std::size_t(i);
        const Span span =
            n < m_first.size() ? (isFirst ? m_first : m_later)[n] : m_unnamed[isFirst ? 0 : 1];
        return QByteArrayView(m_bytes).sliced(span.from, span.size);
    }

private:
    struct Span {
        qsizetype from = 0;
        qsizetype size = 0;
    };
    Span add(const QByteArray &head)
    {
        const Span span{m_bytes.size(), head.size()};
        m_bytes += head;
        return span;
    }

    QByteArray m_bytes;
    std::vector<Span> m_first;
    std::vector<Span> m_later;
    Span m_unnamed[2];
};

// Texts raw and trimmed, codes with their word, other numbers plain; derived readings
// (the broker's run time split) follow the fields under "readings". Blanks need no escape,
// so a trimmed text is the middle of the raw one, escaped once.
void writeObject(exporting::ByteBuffer &out, exporting::FieldReader &object,
                 const MemberHeads &heads)
{
    bool anyReading = false;
    const qsizetype count = object.fieldCount();
    for (qsizetype i = 0; i < count; ++i) {
        out.appendPadded(heads.of(i, i == 0));
        switch (object.kind(i)) {
        case FieldKind::Text: {
            const exporting::TextBytes text = object.text(i);
            const exporting::TextBytes middle = exporting::trimmedBlanks(text);
            const qsizetype lead = middle.bytes.data() - text.bytes.data();
            out.append("{\"raw\": \"");
            out.append(lead, ' ');
            const qsizetype from = out.size();
            appendEscaped(out, middle);
            const qsizetype length = out.size() - from;
            out.append(text.bytes.size() - lead - middle.bytes.size(), ' ');
            out.append("\", \"trimmed\": \"");
            out.appendCopy(from, length);
            out.append("\"}");
            break;
        }
        case FieldKind::Code:
            out.append("{\"value\": ");
            out.appendNumber(object.number(i));
            out.append(", \"word\": ");
            appendQuoted(out, {object.word(i), false});
            out.append('}');
            break;
        case FieldKind::Gauge:
        case FieldKind::Counter:
            out.appendNumber(object.number(i));
            anyReading = anyReading || !object.word(i).isEmpty();
            break;
        }
    }
    if (!anyReading)
        return;
    out.append(", \"readings\": {"); // after a number, so never first
    bool first = true;
    for (qsizetype i = 0; i < count; ++i) {
        const FieldKind kind = object.kind(i);
        if (kind == FieldKind::Text || kind == FieldKind::Code)
            continue;
        const QByteArrayView reading = object.word(i);
        if (reading.isEmpty())
            continue;
        out.appendPadded(heads.of(i, std::exchange(first, false)));
        appendQuoted(out, {reading, false});
    }
    out.append('}');
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
    const exporting::KindReading reading = exporting::readingOf(model);
    w.beginObject();
    w.member("kind", model.kindName());
    w.key("ok");
    w.literal(reading.ok ? "true" : "false");
    if (!reading.ok)
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
    if (reading.ok) {
        w.member("shown", reading.objects);
        w.member("total", reading.total);
    }
    w.key("objects");
    w.beginArray();
    const MemberHeads heads(object.columns());
    for (int z = 1; z <= object.objectCount(); ++z) {
        object.select(z);
        w.objectOnOneLine([&](exporting::ByteBuffer &out) {
            writeObject(out, object, heads);
            // Kept, as the tab keeps it, but marked: it is no object.
            if (z > reading.objects)
                out.append(", \"closing_reply\": true");
        });
    }
    w.endArray();
    w.endObject();
}

// Room for the whole document in one allocation, most of the time: a field takes some 40
// bytes on average.
qsizetype capacityFor(const SnapshotReport &report)
{
    qsizetype fields = 0;
    for (const KindReport &kind : report.kinds)
        fields += qsizetype(kind.model->objectCount() + 1) * kind.model->columns().size();
    return 4096 + 48 * fields;
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    Writer w(capacityFor(report));
    w.beginObject();
    w.member("schema_version", schemaVersion);
    const QString brokerId = exporting::maskedUserInfo(report.brokerId);
    w.member("broker_id", exporting::trimmedId(brokerId));
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

} // namespace morvain::json
