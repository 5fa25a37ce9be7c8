#include "csv_document.h"

#include "field_reader.h"
#include "object_extras.h"
#include "object_model.h"
#include "query_reading.h"
#include "text_out.h"

#include <algorithm>

namespace morvain::csv
{
namespace
{

using exporting::Charset;

// Quoted when it holds a comma, a quote or any control (CR and LF among them); quotes are
// doubled. Bytes from 0x80 up are no controls, in Latin-1 as in UTF-8.
constexpr exporting::ByteSet quoting = exporting::specialBytes<Charset::Utf8>(
    [](unsigned char c) { return c == ',' || c == '"' || c < 0x20 || c == 0x7f; });

constexpr std::string_view escapeOf(unsigned char c)
{
    return c == '"' ? std::string_view("\"\"") : std::string_view();
}

template <Charset from>
constexpr exporting::ByteSet special = exporting::specialBytes<from>([](unsigned char c) {
    return !escapeOf(c).empty();
});

template <Charset from> void appendField(exporting::Document &out, std::string_view field)
{
    const bool quoted = std::any_of(field.begin(), field.end(),
                                    [](char c) { return quoting[static_cast<unsigned char>(c)]; });
    if (quoted)
        out += '"';
    exporting::appendEscaped<from>(out, field, special<from>, escapeOf);
    if (quoted)
        out += '"';
}

// An extra's name or value after the record's fields: a text as it reads, a number in
// decimal, an empty cell where the object has none.
void appendExtra(exporting::Document &out, const QVariant &value)
{
    out += ',';
    if (!value.isNull())
        appendField<Charset::Utf8>(out, value.toString().toUtf8().toStdString());
}

} // namespace

QByteArray document(const ObjectModel &model, const ObjectExtras *given)
{
    // Asked once: most brokers have no extra fields, and their rows stay as they were.
    const QList<FieldInfo> extraFields = given ? given->fields() : QList<FieldInfo>{};
    const ObjectExtras *extras = extraFields.isEmpty() ? nullptr : given;
    exporting::FieldReader objects(model);
    exporting::Document out;
    qsizetype width = 0; // the header's fields
    for (const FieldInfo &column : objects.columns()) {
        if (width++ > 0)
            out += ',';
        const QByteArray name = column.name.toUtf8();
        appendField<Charset::Utf8>(out, name.toStdString());
        if (column.kind == FieldKind::Code) {
            out += ',';
            appendField<Charset::Utf8>(out, (name + "_word").toStdString());
            ++width;
        }
    }
    for (const FieldInfo &f : extraFields)
        appendExtra(out, f.name);
    out += "\r\n";

    // A failed query's entries are no objects, nor is the reply that ended a list: the
    // header row alone says what was asked.
    const QueryReading reading = readingOf(model);
    const int rows = !reading.failed ? reading.shown : 0;
    for (int z = 1; z <= rows; ++z) {
        objects.select(z);
        if (objects.fieldCount() == 0) // no record: an empty row of the header's width
            out.append(std::max<qsizetype>(width - 1, 0), ',');
        for (qsizetype c = 0; c < objects.fieldCount(); ++c) {
            if (c > 0)
                out += ',';
            const FieldKind kind = objects.kind(c);
            if (kind == FieldKind::Text) {
                const std::string_view text = objects.text(c);
                std::string_view shown;
                if (exporting::isPlain<true>(text, shown)) // no quoting, escape nor zero byte
                    out += shown;
                else
                    appendField<Charset::Latin1>(out, exporting::visible(text));
                continue;
            }
            exporting::appendNumber(out, objects.number(c));
            if (kind == FieldKind::Code) {
                out += ',';
                appendField<Charset::Utf8>(out, objects.word(c));
            }
        }
        for (qsizetype i = 0; extras && i < extraFields.size(); ++i)
            appendExtra(out, extras->value(model.key(z), int(i)));
        out += "\r\n";
    }
    return out.take();
}

} // namespace morvain::csv
