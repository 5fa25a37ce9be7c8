#include "csv_document.h"

#include "field_text.h"
#include "object_model.h"

namespace morvain::csv
{
namespace
{

bool needsQuotes(const QString &field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

void appendField(QByteArray &out, const QString &field)
{
    if (!needsQuotes(field)) {
        out += field.toUtf8();
        return;
    }
    QString quoted = field;
    quoted.replace(u'"', QStringLiteral("\"\""));
    out += '"';
    out += quoted.toUtf8();
    out += '"';
}

void appendRow(QByteArray &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        appendField(out, fields.at(i));
    }
    out += "\r\n";
}

} // namespace

QByteArray document(const ObjectModel &model)
{
    QByteArray out;
    QStringList names;
    for (const FieldInfo &column : model.columns()) {
        names << column.name;
        if (column.kind == FieldKind::Code)
            names << column.name + QStringLiteral("_word");
    }
    appendRow(out, names);

    for (int z = 1; z <= model.objectCount(); ++z) {
        QStringList row;
        for (const FieldValue &value : model.values(z)) {
            if (value.kind == FieldKind::Text) {
                row << trimBlanks(value.text);
                continue;
            }
            row << value.text;
            if (value.kind == FieldKind::Code)
                row << value.decoded;
        }
        appendRow(out, row);
    }
    return out;
}

} // namespace morvain::csv
