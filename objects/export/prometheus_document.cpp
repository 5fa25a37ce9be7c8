#include "prometheus_document.h"

#include "field_text.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <QSet>

#include <charconv>

namespace morvain::prometheus
{
namespace
{

bool isLabelField(const QString &name)
{
    static const QSet<QString> names = {
        QStringLiteral("server_class"),    QStringLiteral("server_name"),
        QStringLiteral("service"),         QStringLiteral("user_id"),
        QStringLiteral("conversation_id"), QStringLiteral("worker_id"),
    };
    return names.contains(name);
}

// Label values escape backslash, quote and line feed; most values have none of them.
void appendLabel(QByteArray &out, QByteArrayView name, const QString &value)
{
    out.append(name);
    out.append("=\"", 2);
    const QByteArray utf8 = value.toUtf8();
    qsizetype plain = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (c != '\\' && c != '"' && c != '\n')
            continue;
        out.append(utf8.constData() + plain, i - plain);
        out.append('\\');
        out.append(c == '\n' ? 'n' : c);
        plain = i + 1;
    }
    out.append(utf8.constData() + plain, utf8.size() - plain);
    out.append('"');
}

void appendNumber(QByteArray &out, std::int64_t number)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    out.append(digits, end - digits);
}

void family(QByteArray &out, const QByteArray &name, const QString &help, const char *type)
{
    QByteArray escaped = help.toUtf8();
    escaped.replace('\\', "\\\\").replace('\n', "\\n");
    out += "# HELP " + name + ' ' + escaped + '\n';
    out += "# TYPE " + name + ' ' + type + '\n';
}

void writeKind(QByteArray &out, const ObjectModel &model, const QString &brokerId)
{
    const QByteArray prefix = "morvain_" + model.kindName().toLatin1() + '_';
    const QString kind = model.kindName();
    const QList<FieldInfo> columns = model.columns();
    QList<bool> isLabel;
    QList<QByteArray> names;
    for (const FieldInfo &column : columns) {
        isLabel << isLabelField(column.name);
        names << column.name.toLatin1();
    }

    QByteArray brokerLabel;
    appendLabel(brokerLabel, "broker_id", brokerId);

    // Every object's values and labels, the labels made unique with a slot label where an
    // earlier object has them.
    QList<QList<FieldValue>> rows;
    QList<QByteArray> labels;
    QSet<QByteArray> seen;
    rows.reserve(model.objectCount());
    labels.reserve(model.objectCount());
    for (int z = 1; z <= model.objectCount(); ++z) {
        rows << model.values(z);
        QByteArray l = brokerLabel;
        const QList<FieldValue> &values = rows.constLast();
        for (qsizetype c = 0; c < values.size() && c < isLabel.size(); ++c) {
            if (!isLabel.at(c))
                continue;
            l += ',';
            appendLabel(l, names.at(c), trimBlanks(values.at(c).text));
        }
        if (seen.contains(l)) {
            l += ',';
            appendLabel(l, "slot", QString::number(z));
        }
        seen.insert(l);
        labels << l;
    }

    const QByteArray count = prefix + "stored_objects";
    family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(kind), "gauge");
    out += count + '{' + brokerLabel + "} ";
    appendNumber(out, model.objectCount());
    out += '\n';

    for (qsizetype c = 0; c < columns.size(); ++c) {
        const FieldInfo &column = columns.at(c);
        if (column.kind == FieldKind::Text || isLabel.at(c))
            continue;
        const QByteArray name = prefix + column.name.toLatin1();
        const bool counter = column.kind == FieldKind::Counter;
        const QString help =
            column.kind == FieldKind::Code
                ? QStringLiteral("The code field %1 of the %2 kind; the label word decodes it.")
                      .arg(column.name, kind)
                : QStringLiteral("The %1 field %2 of the %3 kind.")
                      .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"),
                           column.name, kind);
        family(out, name, help, counter ? "counter" : "gauge");
        for (qsizetype z = 0; z < rows.size(); ++z) {
            if (c >= rows.at(z).size())
                continue;
            const FieldValue &v = rows.at(z).at(c);
            out.append(name);
            out.append('{');
            out.append(labels.at(z));
            if (column.kind == FieldKind::Code) {
                out.append(',');
                appendLabel(out, "word", v.decoded);
            }
            out.append("} ", 2);
            appendNumber(out, v.number);
            out += '\n';
        }
    }
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    QByteArray out;
    out.reserve(1 << 16);
    const QString brokerId = exporting::trimmedId(report.brokerId);
    for (const KindReport &kind : report.kinds)
        writeKind(out, *kind.model, brokerId);
    return out;
}

} // namespace morvain::prometheus
