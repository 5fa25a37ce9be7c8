#include "object_table_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QSet>

#include <algorithm>

namespace morvain
{

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
        // The same records as before, shown with no marks: every cell would read as it
        // reads now, so the view keeps its rows, its order and its selection.
        const bool greyed = m_history.failed();
        if (greyed == m_greyed && m_history.changes().sameAsBefore() && m_marksClear)
            return;
        m_greyed = greyed;
        beginResetModel();
        reload();
        endResetModel();
    });
}

void ObjectTableModel::reload()
{
    const ChangeTracker &changes = m_history.changes();
    // The reply that ended a list query is no object of its own.
    const bool closing = m_history.model().kind().storesClosingReply;
    m_count = std::max(0, changes.rowCount() - (closing ? 1 : 0));
    m_width = m_columns.size();
    m_states.fill(ChangeState::Unchanged, m_count);
    m_cellChanged.assign(size_t(m_count * m_width), false);
    m_new = 0;
    m_changed = 0;
    m_marksClear = changes.hasBaseline();
    QSet<QString> counted;
    counted.reserve(m_count);
    // Cells are compared as the records hold them; no field is read as text here.
    const QStringList &keys = changes.keys();
    for (int r = 0; r < m_count; ++r) {
        const QString &key = keys[r];
        const int before = changes.previousRow(key);
        if (changes.hasBaseline() && before < 0)
            m_states[r] = ChangeState::New;
        bool rowChanged = false;
        for (qsizetype c = 0; before >= 0 && c < m_width; ++c) {
            const Column &column = m_columns[c];
            if (column.word || !changes.differs(r, before, column.field))
                continue;
            m_cellChanged[size_t(r * m_width + c)] = true;
            rowChanged = true;
        }
        m_marksClear = m_marksClear && !rowChanged && m_states[r] == ChangeState::Unchanged;
        // A repeated object (the closing reply repeats the last) counts once.
        if (!counted.contains(key)) {
            counted.insert(key);
            m_new += m_states[r] == ChangeState::New;
            m_changed += rowChanged;
        }
    }
}

qint64 ObjectTableModel::number(int row, int column) const
{
    return m_history.changes().number(row, m_columns[column].field);
}

QString ObjectTableModel::text(int row, int column) const
{
    const ChangeTracker &changes = m_history.changes();
    const Column &info = m_columns[column];
    return info.word ? changes.decoded(row, info.field)
                     : visibleText(changes.text(row, info.field));
}

bool ObjectTableModel::lessThan(int left, int right, int column) const
{
    if (numeric(column))
        return number(left, column) < number(right, column);
    const auto order = [](QAnyStringView a, QAnyStringView b) {
        const int folded = QAnyStringView::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : QAnyStringView::compare(a, b) < 0;
    };
    const ChangeTracker &changes = m_history.changes();
    const Column &info = m_columns[column];
    if (info.word)
        return order(changes.decoded(left, info.field), changes.decoded(right, info.field));
    return order(changes.shownText(left, info.field), changes.shownText(right, info.field));
}

int ObjectTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int ObjectTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ObjectTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return {};
    const int row = index.row();
    const int column = index.column();
    const Column &info = m_columns[column];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column);
    case SortRole:
        return info.numeric ? QVariant(number(row, column)) : QVariant(text(row, column));
    case Qt::ToolTipRole: {
        QString shown = text(row, column);
        if (m_marker)
            if (const std::optional<RowMark> mark = m_marker(key(row)))
                shown += u'\n' + mark->note;
        if (!changed(row, column))
            return shown;
        const ChangeTracker &changes = m_history.changes();
        // Asked for one cell at a time, so the details are worked out here, not per query.
        const QList<FieldValue> &now = changes.row(row);
        if (info.field >= now.size())
            return shown;
        const FieldChange change =
            changes.compare(changes.before(changes.key(row)), info.field, now[info.field]);
        return shown + u'\n' + changeToolTip(change);
    }
    case Qt::BackgroundRole:
        if (m_greyed)
            return {};
        if (m_marker)
            if (const std::optional<RowMark> mark = m_marker(key(row)))
                return QBrush(mark->color);
        if (!m_highlight)
            return {};
        if (m_states[row] == ChangeState::New)
            return QBrush(newTint());
        if (changed(row, column))
            return QBrush(changedTint());
        return {};
    case Qt::ForegroundRole:
        // The last good query's rows under a failed one: there, but not the broker's now.
        if (m_greyed)
            return QBrush(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
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

QString ObjectTableModel::key(int row) const
{
    return m_history.changes().key(row);
}

void ObjectTableModel::setRowMarker(RowMarker marker)
{
    m_marker = std::move(marker);
    marksChanged();
}

void ObjectTableModel::marksChanged()
{
    if (m_count > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ToolTipRole});
}

void ObjectTableModel::setHighlight(bool on)
{
    if (on == m_highlight)
        return;
    m_highlight = on;
    if (m_count > 0)
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
    return m_source.lessThan(left.row(), right.row(), left.column());
}

bool ObjectTableProxy::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_usePattern && m_substring.isEmpty())
        return true;
    for (int column = 0; column < m_source.columnCount(); ++column) {
        const QString text = m_source.text(sourceRow, column);
        if (m_usePattern ? m_pattern.match(text).hasMatch()
                         : text.contains(m_substring, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace morvain
