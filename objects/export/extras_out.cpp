#include "extras_out.h"

#include "query_reading.h"

#include <QSet>
#include <QStringList>

#include <algorithm>

namespace morvain::exporting
{

namespace
{

// As the lists show a text: up to the first zero character, blanks off both ends.
QString shown(const QString &text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    QStringView v = QStringView(text).left(zero < 0 ? text.size() : zero);
    while (!v.isEmpty() && v.front() == u' ')
        v = v.sliced(1);
    while (!v.isEmpty() && v.back() == u' ')
        v.chop(1);
    return v.toString();
}

void appendCsvField(Document &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const bool quoted = std::any_of(utf8.begin(), utf8.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return c == ',' || c == '"' || c < 0x20 || c == 0x7f;
    });
    if (!quoted) {
        out += utf8;
        return;
    }
    QByteArray doubled = utf8;
    doubled.replace('"', "\"\"");
    out += '"';
    out += doubled;
    out += '"';
}

// Quotes, backslashes and controls (0x7f too) escaped, as the JSON writer escapes them.
void appendJsonString(QByteArray &out, const QString &text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : text.toUtf8()) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    out += '"';
}

QByteArray promLabelValue(const QString &text)
{
    QByteArray v = text.toUtf8();
    v.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return v;
}

} // namespace

void appendCsvExtrasHeader(Document &out, const ObjectExtras &extras)
{
    for (const FieldInfo &f : extras.fields()) {
        out += ',';
        appendCsvField(out, f.name);
    }
}

void appendCsvExtras(Document &out, const ObjectExtras &extras, const QString &key)
{
    const QList<FieldInfo> fields = extras.fields();
    for (int i = 0; i < fields.size(); ++i) {
        out += ',';
        const QVariant v = extras.value(key, i);
        if (!v.isNull())
            appendCsvField(out, v.toString());
    }
}

QByteArray jsonExtras(const ObjectExtras &extras, const QString &key)
{
    const QList<FieldInfo> fields = extras.fields();
    QByteArray out;
    for (int i = 0; i < fields.size(); ++i) {
        const QVariant v = extras.value(key, i);
        if (v.isNull())
            continue;
        out += out.isEmpty() ? ", \"extras\": {" : ", ";
        appendJsonString(out, fields[i].name);
        out += ": ";
        if (fields[i].kind == FieldKind::Text)
            appendJsonString(out, v.toString());
        else
            out += QByteArray::number(v.toLongLong());
    }
    if (!out.isEmpty())
        out += '}';
    return out;
}

void appendPrometheusExtras(Document &out, const ObjectModel &model, const ObjectExtras &extras,
                            const QByteArray &brokerLabel)
{
    const QList<FieldInfo> fields = extras.fields();
    const int count = readingOf(model).shown;
    const QString kind = model.kindName();
    const auto &labelNames = model.kind().keyFields;
    for (int i = 0; i < fields.size(); ++i) {
        const FieldInfo &f = fields[i];
        if (f.kind == FieldKind::Text)
            continue;
        const QByteArray name = "morvain_" + kind.toUtf8() + '_' + f.name.toUtf8();
        const bool counter = f.kind == FieldKind::Counter;
        out += "# HELP " + name + ' ' +
               QStringLiteral("The %1 field %2 of the %3 kind, read beside its records.")
                   .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"), f.name, kind)
                   .toUtf8() +
               "\n# TYPE " + name + (counter ? " counter\n" : " gauge\n");
        // One sample per object: an object stored twice has one set of extras.
        QSet<QString> seen;
        for (int z = 1; z <= count; ++z) {
            const QString key = model.key(z);
            const QVariant v = extras.value(key, i);
            if (v.isNull() || seen.contains(key))
                continue;
            seen.insert(key);
            out += name + '{' + brokerLabel;
            const QStringList parts = key.split(QChar(0x1f));
            for (qsizetype p = 0; p < parts.size() && p < qsizetype(labelNames.size()); ++p) {
                out += ',';
                out += labelNames[std::size_t(p)];
                out += "=\"" + promLabelValue(shown(parts[p])) + '"';
            }
            out += "} " + QByteArray::number(v.toLongLong()) + '\n';
        }
    }
}

} // namespace morvain::exporting
