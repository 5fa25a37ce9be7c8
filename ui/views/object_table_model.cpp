#include "object_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QSet>

namespace morvain
{

QStringView visibleView(const QString &stored)
{
    qsizetype end = stored.size();
    while (end > 0 && (stored.at(end - 1) == u' ' || stored.at(end - 1) == QChar(0)))
        --end;
    return QStringView(stored).left(end);
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
    m_values = changes.rows();
    m_keys = changes.keys();
    m_width = m_columns.size();
    const qsizetype count = m_values.size();
    m_states.fill(ChangeState::Unchanged, count);
    m_cellChanged.assign(size_t(count * m_width), false);
    m_new = 0;
    m_changed = 0;
    QSet<QString> counted;
    // Read only: the rows are shared with the history and must not detach.
    const QList<QList<FieldValue>> &rows = std::as_const(m_values);
    for (qsizetype r = 0; r < count; ++r) {
        const QString &key = std::as_const(m_keys)[r];
        m_states[r] = changes.objectState(key);
        const QList<FieldValue> *before = changes.before(key);
        bool rowChanged = false;
        for (qsizetype c = 0; before && c < m_width; ++c) {
            const Column &column = m_columns[c];
            if (column.word || column.field >= rows[r].size())
                continue;
            const FieldValue &now = rows[r][column.field];
            const FieldValue *old =
                column.field < before->size() ? &(*before)[column.field] : nullptr;
            // The common case (same field, same text) without building a change.
            if (old && old->name == now.name && old->text == now.text)
                continue;
            const bool differs =
                changes.compare(before, column.field, now).state == ChangeState::Changed;
            m_cellChanged[size_t(r * m_width + c)] = differs;
            rowChanged = rowChanged || differs;
        }
        // A repeated object (the closing reply repeats the last) counts once.
        if (!counted.contains(key)) {
            counted.insert(key);
            m_new += m_states[r] == ChangeState::New;
            m_changed += rowChanged;
        }
    }
}

QStringView ObjectTableModel::text(int row, int column) const
{
    const FieldValue &v = value(row, column);
    return m_columns[column].word ? QStringView(v.decoded) : visibleView(v.text);
}

int ObjectTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_values.size());
}

int ObjectTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ObjectTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_values.size() ||
        m_columns[index.column()].field >= m_values[index.row()].size())
        return {};
    const int row = index.row();
    const int column = index.column();
    const Column &info = m_columns[column];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column).toString();
    case SortRole:
        return info.numeric ? QVariant(number(row, column))
                            : QVariant(text(row, column).toString());
    case Qt::ToolTipRole: {
        const QString shown = text(row, column).toString();
        if (!changed(row, column))
            return shown;
        const ChangeTracker &changes = m_history.changes();
        // Asked for one cell at a time, so the details are worked out here, not per query.
        const FieldChange change =
            changes.compare(changes.before(m_keys[row]), info.field, value(row, column));
        return shown + u'\n' + changeToolTip(change);
    }
    case Qt::BackgroundRole:
        if (!m_highlight)
            return {};
        if (m_states[row] == ChangeState::New)
            return QBrush(newTint());
        if (changed(row, column))
            return QBrush(changedTint());
        return {};
    case Qt::TextAlignmentRole:
        return info.numeric ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
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
    if (section >= m_states.size())
        return {};
    const bool isNew = m_states[section] == ChangeState::New;
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
    if (!m_values.isEmpty())
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
    const QStringView a = m_source.text(left.row(), column);
    const QStringView b = m_source.text(right.row(), column);
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b) < 0;
}

bool ObjectTableProxy::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_usePattern && m_substring.isEmpty())
        return true;
    for (int column = 0; column < m_source.columnCount(); ++column) {
        const QStringView text = m_source.text(sourceRow, column);
        if (m_usePattern ? m_pattern.match(text.toString()).hasMatch()
                         : text.contains(m_substring, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace morvain
