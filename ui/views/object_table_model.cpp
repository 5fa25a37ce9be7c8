#include "object_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>

namespace morvain
{

QString visibleText(const QString &stored)
{
    qsizetype end = stored.size();
    while (end > 0 && (stored.at(end - 1) == u' ' || stored.at(end - 1) == QChar(0)))
        --end;
    return stored.left(end);
}

ObjectTableModel::ObjectTableModel(KindHistory &history, QObject *parent)
    : QAbstractTableModel(parent), m_history(history)
{
    const QList<FieldInfo> fields = history.model().columns();
    for (int i = 0; i < fields.size(); ++i) {
        const FieldInfo &f = fields[i];
        m_columns.append({i, false, f.kind != FieldKind::Text, f.name});
        if (f.kind == FieldKind::Code)
            m_columns.append({i, true, false, f.name + QStringLiteral("_word")});
    }
    reload();
    connect(&history, &KindHistory::updated, this, [this] {
        beginResetModel();
        reload();
        endResetModel();
    });
}

void ObjectTableModel::reload()
{
    const ChangeTracker &changes = m_history.changes();
    const qsizetype count = changes.rows().size();
    m_rows.clear();
    m_rows.reserve(count);
    m_new = 0;
    m_changed = 0;
    for (qsizetype r = 0; r < count; ++r) {
        const QString &key = changes.keys()[r];
        const QList<FieldValue> &values = changes.rows()[r];
        Row row;
        row.state = changes.objectState(key);
        row.cells.reserve(m_columns.size());
        bool changed = false;
        for (const Column &column : std::as_const(m_columns)) {
            Cell cell;
            if (column.field < values.size()) {
                const FieldValue &value = values[column.field];
                cell.text = column.word ? value.decoded : visibleText(value.text);
                cell.number = value.number;
                if (!column.word && row.state == ChangeState::Unchanged)
                    cell.change = changes.field(key, column.field, value);
                changed = changed || cell.change.state == ChangeState::Changed;
            }
            row.cells.append(std::move(cell));
        }
        m_new += row.state == ChangeState::New;
        m_changed += changed;
        m_rows.append(std::move(row));
    }
}

int ObjectTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ObjectTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ObjectTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const Row &row = m_rows[index.row()];
    const Cell &cell = row.cells[index.column()];
    const Column &column = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return cell.text;
    case SortRole:
        return column.numeric ? QVariant(cell.number) : QVariant(cell.text);
    case Qt::ToolTipRole: {
        const QString change = changeToolTip(cell.change);
        return change.isEmpty() ? cell.text : cell.text + u'\n' + change;
    }
    case Qt::BackgroundRole:
        if (!m_highlight)
            return {};
        if (row.state == ChangeState::New)
            return QBrush(newTint());
        if (cell.change.state == ChangeState::Changed)
            return QBrush(changedTint());
        return {};
    case Qt::TextAlignmentRole:
        return column.numeric ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant ObjectTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section < m_columns.size())
            return m_columns[section].title;
        return {};
    }
    if (section >= m_rows.size())
        return {};
    const bool isNew = m_rows[section].state == ChangeState::New;
    // Rows are numbered as the table's slots; a new object says so in its row header.
    if (role == Qt::DisplayRole)
        return isNew ? tr("%1 new").arg(section + 1) : QString::number(section + 1);
    if (role == Qt::ToolTipRole && isNew)
        return tr("New since the last query");
    if (role == Qt::FontRole && isNew) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

void ObjectTableModel::setHighlight(bool on)
{
    if (on == m_highlight)
        return;
    m_highlight = on;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole});
}

ObjectTableProxy::ObjectTableProxy(ObjectTableModel &source, QObject *parent)
    : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(&source);
    setSortRole(ObjectTableModel::SortRole);
}

bool ObjectTableProxy::setFilter(const QString &text, bool regularExpression)
{
    QRegularExpression pattern;
    if (regularExpression) {
        pattern = QRegularExpression(text, QRegularExpression::CaseInsensitiveOption);
        if (!pattern.isValid())
            return false;
    }
    m_substring = regularExpression ? QString() : text;
    m_pattern = pattern;
    m_usePattern = regularExpression && !text.isEmpty();
    invalidateRowsFilter();
    return true;
}

bool ObjectTableProxy::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const int column = left.column();
    if (m_source.numeric(column))
        return m_source.number(left.row(), column) < m_source.number(right.row(), column);
    const QString &a = m_source.text(left.row(), column);
    const QString &b = m_source.text(right.row(), column);
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

bool ObjectTableProxy::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_usePattern && m_substring.isEmpty())
        return true;
    for (int column = 0; column < m_source.columnCount(); ++column) {
        const QString &text = m_source.text(sourceRow, column);
        if (m_usePattern ? m_pattern.match(text).hasMatch()
                         : text.contains(m_substring, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace morvain
