#include "csv_document.h"

#include "byte_buffer.h"
#include "field_reader.h"
#include "kind_reading.h"
#include "object_model.h"

#include <utility>

namespace morvain::csv
{
namespace
{

using exporting::ByteBuffer;
using exporting::TextBytes;

bool needsQuotes(QByteArrayView field)
{
    for (const char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ',' || c == '"' || c < 0x20 || c == 0x7f)
            return true;
    }
    return false;
}

// Latin-1 bytes from 0x80 up are no controls (nor are UTF-8 ones), so bytes decide.
void appendField(ByteBuffer &out, const TextBytes &field)
{
    const auto none = [](unsigned char) { return false; };
    if (!needsQuotes(field.bytes)) {
        out.appendEscaped(field, none, [](ByteBuffer &, unsigned char) {});
        return;
    }
    out.append('"');
    out.appendEscaped(
        field, [](unsigned char c) { return c == '"'; },
        [](ByteBuffer &to, unsigned char) { to.append("\"\""); });
    out.append('"');
}

void appendField(ByteBuffer &out, const QString &field)
{
    const QByteArray utf8 = field.toUtf8();
    appendField(out, TextBytes{utf8, false});
}

} // namespace

QByteArray document(const ObjectModel &model)
{
    exporting::FieldReader objects(model);
    ByteBuffer out(4096 + qsizetype(objects.objectCount()) * objects.columns().size() * 24);
    bool first = true;
    for (const FieldInfo &column : objects.columns()) {
        if (!std::exchange(first, false))
            out.append(',');
        appendField(out, column.name);
        if (column.kind == FieldKind::Code) {
            out.append(',');
            appendField(out, column.name + QStringLiteral("_word"));
        }
    }
    out.append("\r\n");

    // A failed query's entries are no objects, nor is the reply that ended a list: the
    // header row alone says what was asked.
    const exporting::KindReading reading = exporting::readingOf(model);
    const int rows = reading.ok ? reading.objects : 0;
    for (int z = 1; z <= rows; ++z) {
        objects.select(z);
        for (qsizetype c = 0; c < objects.fieldCount(); ++c) {
            if (c > 0)
                out.append(',');
            const FieldKind kind = objects.kind(c);
            if (kind == FieldKind::Text) {
                appendField(out, exporting::trimmedBlanks(objects.text(c)));
                continue;
            }
            appendField(out, objects.text(c));
            if (kind == FieldKind::Code) {
                out.append(',');
                appendField(out, TextBytes{objects.word(c), false});
            }
        }
        out.append("\r\n");
    }
    return out.take();
}

} // namespace morvain::csv
