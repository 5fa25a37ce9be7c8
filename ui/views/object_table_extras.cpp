// The table's columns for an object's extras: fields the records have no place for, read
// by the object's key from beside them (object_extras.h).
#include "object_table_model.h"

namespace morvain
{

void ObjectTableModel::setExtras(const ObjectExtras *extras)
{
    beginResetModel();
    m_extras = extras;
    buildColumns();
    reload();
    endResetModel();
}

void ObjectTableModel::appendExtraColumns(const std::string &kind)
{
    m_extraFields = m_extras ? m_extras->fields() : QList<FieldInfo>{};
    for (int i = 0; i < m_extraFields.size(); ++i) {
        const FieldInfo &f = m_extraFields[i];
        const FieldLegend legend = m_source ? fieldLegend(kind, f.name, *m_source) : FieldLegend{};
        const QString title = legend.isNull() ? fieldWords(f.name) : legend.caption;
        const QString tip = legend.isNull() ? f.name : legend.toolTip(*m_source);
        m_columns.append({Shows::Extra, -1, f.kind != FieldKind::Text, title, tip, i});
    }
}

QVariant ObjectTableModel::extraValue(int row, int extra) const
{
    return m_extras ? m_extras->value(key(row), extra) : QVariant();
}

bool ObjectTableModel::lessExtra(int left, int right, const Column &column) const
{
    const QVariant a = extraValue(left, column.extra), b = extraValue(right, column.extra);
    if (a.isNull() || b.isNull()) // none sorts first
        return a.isNull() && !b.isNull();
    if (column.numeric)
        return a.toLongLong() < b.toLongLong();
    const QString x = a.toString(), y = b.toString();
    const int folded = x.compare(y, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : x < y;
}

} // namespace morvain
