#include "prometheus_document.h"

#include "field_text.h"
#include "object_model.h"
#include "snapshot_report.h"

#include <QSet>

namespace morvain::prometheus
{
namespace
{

const QStringList labelFields = {
    QStringLiteral("server_class"), QStringLiteral("server_name"),     QStringLiteral("service"),
    QStringLiteral("user_id"),      QStringLiteral("conversation_id"), QStringLiteral("worker_id"),
};

QByteArray labelValue(const QString &value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

QByteArray label(const char *name, const QString &value)
{
    return QByteArray(name) + "=\"" + labelValue(value) + '"';
}

// Every object's labels, made unique with a slot label where an earlier object has them.
QList<QByteArray> labelsOf(const QList<QList<FieldValue>> &rows, const QString &brokerId)
{
    QList<QByteArray> all;
    QSet<QByteArray> seen;
    for (qsizetype z = 1; z <= rows.size(); ++z) {
        QByteArray labels = label("broker_id", brokerId);
        for (const FieldValue &v : rows.at(z - 1)) {
            if (labelFields.contains(v.name))
                labels +=
                    ',' + label(v.name.toLatin1().constData(), exporting::trimmedText(v.text));
        }
        if (seen.contains(labels))
            labels += ',' + label("slot", QString::number(z));
        seen.insert(labels);
        all << labels;
    }
    return all;
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
    QList<QList<FieldValue>> rows;
    rows.reserve(model.objectCount());
    for (int z = 1; z <= model.objectCount(); ++z)
        rows << model.values(z);
    const QList<QByteArray> labels = labelsOf(rows, brokerId);

    const QByteArray count = prefix + "stored_objects";
    family(out, count, QStringLiteral("Objects the last %1 query stored.").arg(kind), "gauge");
    out += count + '{' + label("broker_id", brokerId) + "} " +
           QByteArray::number(model.objectCount()) + '\n';

    const QList<FieldInfo> columns = model.columns();
    for (qsizetype c = 0; c < columns.size(); ++c) {
        const FieldInfo &column = columns.at(c);
        if (column.kind == FieldKind::Text || labelFields.contains(column.name))
            continue;
        const QByteArray name = prefix + column.name.toLatin1();
        const bool counter = column.kind == FieldKind::Counter;
        family(out, name,
               QStringLiteral("The %1 field %2 of the %3 kind.")
                   .arg(counter ? QStringLiteral("counter") : QStringLiteral("gauge"), column.name,
                        kind),
               counter ? "counter" : "gauge");
        for (qsizetype z = 0; z < rows.size(); ++z) {
            const FieldValue v = rows.at(z).value(c);
            out += name + '{' + labels.at(z);
            if (column.kind == FieldKind::Code)
                out += ',' + label("word", v.decoded);
            out += "} " + QByteArray::number(qlonglong(v.number)) + '\n';
        }
    }
}

} // namespace

QByteArray document(const SnapshotReport &report)
{
    QByteArray out;
    const QString brokerId = exporting::trimmedId(report.brokerId);
    for (const KindReport &kind : report.kinds)
        writeKind(out, *kind.model, brokerId);
    return out;
}

} // namespace morvain::prometheus
