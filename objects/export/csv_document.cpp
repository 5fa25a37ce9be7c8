#include "csv_document.h"

#include "field_reader.h"
#include "kind_reading.h"
#include "object_model.h"
#include "text_out.h"

#include <algorithm>

namespace morvain::csv
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

} // namespace

QByteArray document(const ObjectModel &model)
{
    exporting::FieldReader objects(model);
    std::string out;
    qsizetype width = 0; // the header's fields
    for (const FieldInfo &column : objects.columns()) {
        if (width++ > 0)
            out += ',';
        const std::string name = column.name.toStdString();
        appendField<Charset::Utf8>(out, name);
        if (column.kind == FieldKind::Code) {
            out += ',';
            appendField<Charset::Utf8>(out, name + "_word");
            ++width;
        }
    }
    out += "\r\n";

    // A failed query's entries are no objects, nor is the reply that ended a list: the
    // header row alone says what was asked.
    const exporting::KindReading reading = exporting::readingOf(model);
    const int rows = reading.ok ? reading.objects : 0;
    for (int z = 1; z <= rows; ++z) {
        objects.select(z);
        if (objects.fieldCount() == 0) // no record: an empty row of the header's width
            out.append(std::size_t(std::max<qsizetype>(width - 1, 0)), ',');
        for (qsizetype c = 0; c < objects.fieldCount(); ++c) {
            if (c > 0)
                out += ',';
            const FieldKind kind = objects.kind(c);
            if (kind == FieldKind::Text) {
                appendField<Charset::Latin1>(out, exporting::visible(objects.text(c)));
                continue;
            }
            exporting::appendNumber(out, objects.number(c));
            if (kind == FieldKind::Code) {
                out += ',';
                appendField<Charset::Utf8>(out, objects.word(c));
            }
        }
        out += "\r\n";
    }
    return QByteArray(out.data(), qsizetype(out.size()));
}

} // namespace morvain::csv
