#include "json_document.h"

#include "field_text.h"
#include "object_model.h"
#include "snapshot_report.h"

namespace morvain::json
{
namespace
{

// A writer that keeps members in the order they are written (QJsonObject sorts them), so
// fields come out in record order. Two blanks of indent per level.
class Writer
{
public:
    QByteArray take() { return m_out + '\n'; }

    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    void key(const char *name)
    {
        separate();
        quote(QString::fromLatin1(name));
        m_out += ": ";
        m_afterKey = true;
    }
    void value(const QString &text)
    {
        separate();
        quote(text);
    }
    void value(std::int64_t number)
    {
        separate();
        m_out += QByteArray::number(qlonglong(number));
    }
    void value(const char *text) { value(QString::fromLatin1(text)); }
    template <class T> void member(const char *name, const T &v)
    {
        key(name);
        value(v);
    }

private:
    void open(char bracket)
    {
        separate();
        m_out += bracket;
        m_first.append(true);
    }
    void close(char bracket)
    {
        const bool empty = m_first.takeLast();
        if (!empty)
            newline();
        m_out += bracket;
    }
    // Before any value or key: a comma after a sibling, a new line unless a key precedes.
    void separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (m_first.isEmpty())
            return;
        if (!m_first.last())
            m_out += ',';
        m_first.last() = false;
        newline();
    }
    void newline()
    {
        m_out += '\n';
        m_out += QByteArray(2 * m_first.size(), ' ');
    }
    void quote(const QString &text)
    {
        m_out += '"';
        for (const QChar c : text) {
            const char16_t u = c.unicode();
            if (u == u'"' || u == u'\\') {
                m_out += '\\';
                m_out += char(u);
            } else if (u < 0x20 || u == 0x7f) {
                m_out += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0')).toLatin1();
            } else {
                m_out += QString(c).toUtf8();
            }
        }
        m_out += '"';
    }

    QByteArray m_out;
    QList<bool> m_first; // per open level: nothing written in it yet
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

void writeField(Writer &w, const FieldValue &v)
{
    w.key(v.name.toLatin1().constData());
    w.beginObject();
    w.member("kind", kindWord(v.kind));
    if (v.kind == FieldKind::Text) {
        w.member("raw", v.text);
        w.member("trimmed", exporting::trimmedText(v.text));
    } else {
        w.member("value", v.number);
        // A code's word, or the derived reading a tab shows (the broker's run time).
        if (v.kind == FieldKind::Code || !v.decoded.isEmpty())
            w.member(v.kind == FieldKind::Code ? "word" : "reading", v.decoded);
    }
    w.endObject();
}

void writeHeader(Writer &w, const ReplyHeader &h)
{
    w.key("header");
    w.beginObject();
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
    w.beginArray();
    for (const QString &m : kind.messages)
        w.value(m);
    w.endArray();
    writeHeader(w, model.header());
    w.member("object_count", std::int64_t(model.objectCount()));
    w.key("objects");
    w.beginArray();
    for (int z = 1; z <= model.objectCount(); ++z) {
        w.beginObject();
        for (const FieldValue &v : model.values(z))
            writeField(w, v);
        w.endObject();
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
