#include "json_document.h"

#include "field_reader.h"
#include "object_extras.h"
#include "object_model.h"
#include "query_reading.h"
#include "snapshot_report.h"
#include "text_out.h"
#include "text_support.h"

#include <QList>

#include <array>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvain::json
{
namespace
{

using exporting::Charset;

// Quotes, backslashes and controls (0x7f too) escaped; bytes from 0x80 up never are.
struct Escapes {
    std::array<std::array<char, 6>, 0x80> text{};
    std::array<std::uint8_t, 0x80> size{}; // 0: written as it is
};
constexpr Escapes escapes = [] {
    Escapes e;
    constexpr char hex[] = "0123456789abcdef";
    for (int c = 0; c < 0x80; ++c)
        if (c < 0x20 || c == 0x7f) {
            e.text[std::size_t(c)] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 15]};
            e.size[std::size_t(c)] = 6;
        }
    e.text['"'] = {'\\', '"'};
    e.size['"'] = 2;
    e.text['\\'] = {'\\', '\\'};
    e.size['\\'] = 2;
    return e;
}();

constexpr std::string_view escapeOf(unsigned char c)
{
    return {escapes.text[c].data(), escapes.size[c]};
}

template <Charset from>
constexpr exporting::ByteSet special = exporting::specialBytes<from>([](unsigned char c) {
    return !escapeOf(c).empty();
});

template <Charset from, class Out> void appendQuoted(Out &out, std::string_view text)
{
    out += '"';
    exporting::appendEscaped<from>(out, text, special<from>, escapeOf);
    out += '"';
}

// A text raw and as the lists show it. The shown text is a piece of the raw one (blanks
// before it, blanks and a zero byte's tail after it), and escapes go byte by byte: its
// escaped form is copied from the raw one's instead of escaped again, and the blanks,
// which need no escape, go in as they are.
void writeText(exporting::Document &out, std::string_view text)
{
    static_assert(!special<Charset::Latin1>[' ']);
    const void *zero = std::memchr(text.data(), 0, text.size());
    const std::size_t kept =
        zero ? std::size_t(static_cast<const char *>(zero) - text.data()) : text.size();
    const std::string_view shown = exporting::visible(text.substr(0, kept));
    const std::size_t first = shown.empty() ? kept : std::size_t(shown.data() - text.data());
    out += "{\"raw\": \"";
    exporting::append(out, text.substr(0, first));
    const qsizetype from = out.size();
    exporting::appendEscaped<Charset::Latin1>(out, shown, special<Charset::Latin1>, escapeOf);
    const qsizetype to = out.size();
    exporting::append(out, text.substr(first + shown.size(), kept - first - shown.size()));
    exporting::appendEscaped<Charset::Latin1>(out, text.substr(kept), special<Charset::Latin1>,
                                              escapeOf);
    out += "\", \"trimmed\": \"";
    out.appendCopy(from, to - from);
    out += "\"}";
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
        return m_out.take();
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
        const QByteArray utf8 = text.toUtf8();
        appendQuoted<Charset::Utf8>(m_out, {utf8.constData(), std::size_t(utf8.size())});
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
    void reserve(qsizetype more) { m_out.reserve(more); }
    // The document's bytes, for a value written in place.
    exporting::Document &raw()
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
        m_out.append(2 * m_levels.size(), ' ');
    }

    exporting::Document m_out;
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

// How each member starts, `, "name": `, for the fields of one field table, and the value
// of each code seen, `{"value": n, "word": "..."}`: codes repeat down a table.
struct MemberHeads {
    // A head is copied as a block of `block` bytes from its padded text when it fits
    // (from its third byte on for the first member, without the comma).
    static constexpr std::size_t block = 32;
    struct Head {
        std::string text; // padded to block + 2 bytes
        std::size_t size = 0;
    };
    struct Code {
        bool known = false;
        std::int64_t number = 0;
        std::string piece;
    };
    const void *table = nullptr;
    std::vector<Head> heads;
    std::vector<Code> lastCodes; // the last code written, per field
    std::vector<std::unordered_map<std::int64_t, std::string>> codes;
};

// The head of member i, at `to`, which has room for MemberHeads::block bytes more than it.
char *putHead(char *to, const MemberHeads::Head &head, bool first)
{
    const std::size_t skip = first ? 2 : 0;
    const std::size_t size = head.size - skip;
    if (size <= MemberHeads::block)
        std::memcpy(to, head.text.data() + skip, MemberHeads::block);
    else
        std::memcpy(to, head.text.data() + skip, size);
    return to + size;
}

const std::string &codePiece(MemberHeads &names, exporting::FieldReader &object, qsizetype i)
{
    const std::int64_t n = object.number(i);
    MemberHeads::Code &last = names.lastCodes[std::size_t(i)];
    if (last.known && last.number == n)
        return last.piece;
    auto &seen = names.codes[std::size_t(i)];
    auto found = seen.find(n);
    if (found == seen.end()) {
        exporting::Document piece;
        piece += "{\"value\": ";
        exporting::appendNumber(piece, n);
        piece += ", \"word\": ";
        appendQuoted<Charset::Utf8>(piece, object.word(i));
        piece += '}';
        const QByteArray bytes = piece.take();
        found = seen.emplace(n, std::string(bytes.constData(), std::size_t(bytes.size()))).first;
    }
    last = {true, n, found->second};
    return last.piece;
}

// One object on one line: texts raw and as the lists show them, codes with their word,
// other numbers plain; derived readings (the broker's run time split) follow the fields
// under "readings".
void writeObject(exporting::Document &out, exporting::FieldReader &object, MemberHeads &names,
                 bool closingReply, const QByteArray &extras = {})
{
    if (names.table != object.table()) {
        names.table = object.table();
        names.heads.clear();
        for (qsizetype i = 0; i < object.fieldCount(); ++i) {
            QByteArray head = ", ";
            appendQuoted<Charset::Utf8>(head, object.name(i));
            head += ": ";
            MemberHeads::Head h{head.toStdString(), std::size_t(head.size())};
            h.text.resize(std::max(h.size, MemberHeads::block) + 2, '\0');
            names.heads.push_back(std::move(h));
        }
        names.lastCodes.assign(names.heads.size(), {});
        names.codes.assign(names.heads.size(), {});
    }
    constexpr qsizetype block = MemberHeads::block;
    out += '{';
    bool anyReading = false;
    const qsizetype count = object.fieldCount();
    for (qsizetype i = 0; i < count; ++i) {
        const MemberHeads::Head &head = names.heads[std::size_t(i)];
        const qsizetype headRoom = qsizetype(head.size) + block;
        switch (object.kind(i)) {
        case FieldKind::Text: {
            const std::string_view text = object.text(i);
            std::string_view shown;
            if (!exporting::isPlain(text, shown)) {
                out.commit(putHead(out.claim(headRoom), head, i == 0));
                writeText(out, text);
                break;
            }
            // Nothing to escape and no zero byte: raw as it is, its shown part copied.
            char *at = out.claim(headRoom + 2 * qsizetype(text.size()) + 32);
            at = putHead(at, head, i == 0);
            at = exporting::put(at, "{\"raw\": \"");
            at = exporting::put(at, text);
            at = exporting::put(at, "\", \"trimmed\": \"");
            if (shown.data() == text.data()) // no blank before it: copied as a block, cut
                exporting::put(at, text);
            else
                std::memcpy(at, shown.data(), shown.size());
            at = exporting::put(at + shown.size(), "\"}");
            out.commit(at);
            break;
        }
        case FieldKind::Code:
            out.commit(putHead(out.claim(headRoom), head, i == 0));
            out += codePiece(names, object, i);
            break;
        case FieldKind::Gauge:
        case FieldKind::Counter: {
            const std::int64_t n = object.number(i);
            char *at = putHead(out.claim(headRoom + 24), head, i == 0);
            out.commit(exporting::putNumber(at, n));
            anyReading = anyReading || !object.reading(i, n).empty();
            break;
        }
        }
    }
    if (anyReading) {
        out += ", \"readings\": {";
        bool first = true;
        for (qsizetype i = 0; i < count; ++i) {
            const FieldKind kind = object.kind(i);
            if (kind == FieldKind::Text || kind == FieldKind::Code || object.word(i).empty())
                continue;
            out.commit(putHead(out.claim(qsizetype(names.heads[std::size_t(i)].size) + block),
                               names.heads[std::size_t(i)], std::exchange(first, false)));
            appendQuoted<Charset::Utf8>(out, object.word(i));
        }
        out += '}';
    }
    // Kept, as the tab keeps it, but marked: it is no object.
    if (closingReply)
        out += count > 0 ? ", \"closing_reply\": true" : "\"closing_reply\": true";
    out += extras;
    out += '}';
}

// About the bytes writeObject() gives an object like object 1, to reserve them at once.
qsizetype objectSize(exporting::FieldReader &object)
{
    if (object.objectCount() == 0)
        return 0;
    object.select(1);
    qsizetype size = 16;
    for (qsizetype i = 0; i < object.fieldCount(); ++i) {
        const FieldKind kind = object.kind(i);
        size += qsizetype(object.name(i).size()) + 6 +
                (kind == FieldKind::Text   ? 2 * qsizetype(object.text(i).size()) + 28
                 : kind == FieldKind::Code ? 48
                                           : 12);
    }
    return size;
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

// `, "extras": {"num_errors": 2, "last_error": "...", ...}` for an object that has them,
// else nothing.
QByteArray extrasMember(const ObjectExtras &extras, const QString &key)
{
    const QList<FieldInfo> fields = extras.fields();
    QByteArray out;
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant v = extras.value(key, i);
        if (v.isNull())
            continue;
        out += out.isEmpty() ? ", \"extras\": {" : ", ";
        appendQuoted<Charset::Utf8>(out, fields[i].name.toUtf8().toStdString());
        out += ": ";
        if (fields[i].kind == FieldKind::Text)
            appendQuoted<Charset::Utf8>(out, v.toString().toUtf8().toStdString());
        else
            exporting::appendNumber(out, v.toLongLong());
    }
    if (!out.isEmpty())
        out += '}';
    return out;
}

// The fields beside the records, as "columns" lists the record's.
void writeExtraColumns(Writer &w, const ObjectExtras &extras)
{
    const QList<FieldInfo> fields = extras.fields();
    if (fields.isEmpty())
        return;
    w.key("extra_columns");
    w.beginArray();
    for (const FieldInfo &column : fields) {
        w.beginObject(true);
        w.member("name", column.name);
        w.member("kind", kindWord(column.kind));
        w.endObject();
    }
    w.endArray();
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
    if (kind.extras)
        writeExtraColumns(w, *kind.extras);
    w.member("object_count", object.objectCount());
    if (!reading.failed) {
        w.member("shown", reading.shown);
        w.member("total", reading.total);
    }
    w.key("objects");
    w.beginArray();
    w.reserve(object.objectCount() * objectSize(object));
    MemberHeads names;
    const bool extras = kind.extras && !kind.extras->fields().isEmpty() && !reading.failed;
    for (int z = 1; z <= object.objectCount(); ++z) {
        object.select(z);
        writeObject(w.raw(), object, names, z > reading.shown,
                    extras && z <= reading.shown ? extrasMember(*kind.extras, model.key(z))
                                                 : QByteArray());
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

} // namespace morvain::json
