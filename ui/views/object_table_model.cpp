#include "object_table_model.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QPalette>
#include <QSet>

#include <algorithm>

namespace morvain
{

QString fieldWords(const QString &name)
{
    QString words = name;
    words.replace(u'_', u' ');
    if (!words.isEmpty())
        words[0] = words[0].toUpper();
    return words;
}

namespace
{
QString clockText(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss"));
}

QString rateText(double perSecond)
{
    return QString::number(perSecond, 'f', 2);
}
} // namespace

ObjectTableModel::ObjectTableModel(KindHistory &history, QHash<QString, QString> labels,
                                   QObject *parent)
    : QAbstractTableModel(parent), m_history(history), m_labels(std::move(labels)),
      m_fields(history.model().columns())
{
    buildColumns();
    reload();
    connect(&history, &KindHistory::updated, this, [this] {
        // The same records as before, shown with no marks: every cell would read as it
        // reads now, so the view keeps its rows, its order and its selection. Only the
        // trend lines have a reading more.
        const bool greyed = m_history.failed();
        if (greyed == m_greyed && m_history.changes().sameAsBefore() && m_marksClear) {
            for (int c = 0; c < m_columns.size() && m_count > 0; ++c)
                if (m_columns[c].shows == Shows::Trend)
                    emit dataChanged(index(0, c), index(rowCount() - 1, c), {TrendRole});
                else if (m_columns[c].shows == Shows::Extra) // read beside the records
                    emit dataChanged(index(0, c), index(rowCount() - 1, c));
            return;
        }
        m_greyed = greyed;
        beginResetModel();
        reload();
        endResetModel();
    });
}

void ObjectTableModel::buildColumns()
{
    m_columns.clear();
    const std::string kind = m_history.model().kindName().toStdString();
    for (int i = 0; i < m_fields.size(); ++i) {
        const FieldInfo &f = m_fields[i];
        const QString label = m_labels.value(f.name, fieldWords(f.name));
        FieldLegend legend;
        if (m_source)
            legend = fieldLegend(kind, f.name, *m_source);
        // With a legend the tip says what the field is here; the second line, what the
        // column adds to it.
        const auto tip = [&](const QString &plain, const QString &unit, const QString &adds) {
            if (legend.isNull())
                return plain;
            FieldLegend shown = legend;
            shown.unit = unit;
            return adds.isEmpty() ? shown.toolTip(*m_source)
                                  : shown.toolTip(*m_source) + u'\n' + adds;
        };
        m_columns.append(
            {Shows::Field, i, f.kind != FieldKind::Text, label, tip(f.name, legend.unit, {})});
        if (f.kind == FieldKind::Code)
            m_columns.append({Shows::Word, i, false, tr("%1 (word)").arg(label),
                              tip(tr("%1: the word for the code").arg(f.name), {},
                                  tr("The word for the code"))});
        if (f.kind == FieldKind::Counter) {
            const QString perSecond =
                legend.unit.isEmpty() ? QString() : tr("%1 per second").arg(legend.unit);
            m_columns.append(
                {Shows::Rate, i, true, tr("%1 /s").arg(label),
                 tip(tr("%1: change per second between the last two queries").arg(f.name),
                     perSecond, tr("The change per second between the last two queries"))});
        }
        if (m_trends.contains(i))
            m_columns.append({Shows::Trend, i, true, tr("%1 trend").arg(label),
                              tip(tr("%1: its last %2 readings").arg(f.name).arg(trendLength),
                                  legend.unit, tr("Its last %1 readings").arg(trendLength))});
    }
    appendExtraColumns(kind);
    m_columns.append({Shows::SeenSince, -1, true, tr("Seen since"),
                      tr("When the object was first seen in this session's queries")});
    m_width = m_columns.size();
}

void ObjectTableModel::setLegend(BrokerSource source)
{
    if (m_source == source)
        return;
    m_source = source;
    if (m_extras) { // the extra columns may come or go with the source
        beginResetModel();
        buildColumns();
        reload();
        endResetModel();
        return;
    }
    buildColumns();
    if (!m_columns.isEmpty())
        emit headerDataChanged(Qt::Horizontal, 0, int(m_columns.size()) - 1);
}

bool ObjectTableModel::trendable(int field) const
{
    return field >= 0 && field < m_fields.size() && m_fields[field].kind != FieldKind::Text;
}

void ObjectTableModel::setTrend(int field, bool on)
{
    if (!trendable(field) || on == trend(field))
        return;
    beginResetModel();
    if (on)
        m_trends.append(field);
    else
        m_trends.removeAll(field);
    buildColumns();
    reload();
    endResetModel();
}

void ObjectTableModel::reload()
{
    const ChangeTracker &changes = m_history.changes();
    const QuerySnapshot &now = changes.latest(), &before = changes.previous();
    // The reply that ended a list query is no object of its own.
    const int closing = m_history.model().kind().storesClosingReply ? 1 : 0;
    m_count = std::max(0, now.count() - closing);
    m_states.fill(ChangeState::Unchanged, m_count);
    m_cellChanged.assign(size_t(m_count * m_width), false);
    m_new = 0;
    m_changed = 0;
    m_marksClear = changes.hasBaseline();
    QSet<QString> counted;
    counted.reserve(m_count);
    // Cells are compared as the records hold them; no field is read as text here.
    const QStringList &keys = now.keys();
    for (int r = 0; r < m_count; ++r) {
        const QString &key = keys[r];
        const int was = before.rowOf(key, now.occurrence(r));
        if (changes.hasBaseline() && was < 0)
            m_states[r] = ChangeState::New;
        bool rowChanged = false;
        for (qsizetype c = 0; was >= 0 && c < m_width; ++c) {
            const Column &column = m_columns[c];
            if (column.shows != Shows::Field || sameCell(before, was, now, r, column.field))
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
    // What the query before held and this one does not: listed until the next query. A
    // failed query compares with nothing, so it lists none.
    m_goneKeys.clear();
    m_goneRows.clear();
    const int objectsBefore = before.count() - closing;
    for (const QString &key : changes.gone()) {
        const int row = before.rowOf(key);
        if (row >= 0 && row < objectsBefore) {
            m_goneKeys << key;
            m_goneRows << row;
        }
    }
    m_marksClear = m_marksClear && m_goneKeys.isEmpty();
}

qint64 ObjectTableModel::number(int row, int field) const
{
    return read(row, field, &QuerySnapshot::number);
}

QAnyStringView ObjectTableModel::shownText(int row, int field) const
{
    return read(row, field, &QuerySnapshot::shownText);
}

QString ObjectTableModel::decoded(int row, int field) const
{
    return read(row, field, &QuerySnapshot::decoded);
}

QString ObjectTableModel::fieldText(int row, int field) const
{
    return visibleText(read(row, field, &QuerySnapshot::text));
}

std::optional<double> ObjectTableModel::rate(int row, int field) const
{
    // A gone object has no reading now, and a failed query's rows are not the broker's now.
    if (gone(row) || m_greyed)
        return std::nullopt;
    return m_history.course().rate(key(row), field);
}

std::optional<qint64> ObjectTableModel::seenSince(int row) const
{
    return m_history.course().seenSince(key(row));
}

QVariant ObjectTableModel::trendOf(int row, int field) const
{
    QList<double> values;
    for (const SeriesPoint &p : m_history.course().series(key(row), field, trendLength))
        values << double(p.value);
    return QVariant::fromValue(values);
}

QString ObjectTableModel::key(int row) const
{
    return row < m_count ? m_history.changes().latest().keys()[row]
                         : m_goneKeys.value(row - m_count);
}

QString ObjectTableModel::text(int row, int column) const
{
    const Column &info = m_columns[column];
    switch (info.shows) {
    case Shows::Field:
        return fieldText(row, info.field);
    case Shows::Word:
        return decoded(row, info.field);
    case Shows::Rate: {
        const std::optional<double> perSecond = rate(row, info.field);
        return perSecond ? rateText(*perSecond) : QString();
    }
    case Shows::Trend:
        return {};
    case Shows::SeenSince: {
        const std::optional<qint64> since = seenSince(row);
        return since ? clockText(*since) : QString();
    }
    case Shows::Extra:
        return extraValue(row, info.extra).toString();
    }
    return {};
}

bool ObjectTableModel::lessThan(int left, int right, int column) const
{
    const Column &info = m_columns[column];
    const auto order = [](QAnyStringView a, QAnyStringView b) {
        const int folded = QAnyStringView::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : QAnyStringView::compare(a, b) < 0;
    };
    switch (info.shows) {
    case Shows::Field:
        if (info.numeric)
            return number(left, info.field) < number(right, info.field);
        return order(shownText(left, info.field), shownText(right, info.field));
    case Shows::Word:
        return order(decoded(left, info.field), decoded(right, info.field));
    case Shows::Rate: // no rate sorts first
        return rate(left, info.field) < rate(right, info.field);
    case Shows::Trend: // by the latest reading, as the field itself
        return number(left, info.field) < number(right, info.field);
    case Shows::SeenSince:
        return seenSince(left) < seenSince(right);
    case Shows::Extra:
        return lessExtra(left, right, info);
    }
    return false;
}

int ObjectTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count + int(m_goneKeys.size());
}

int ObjectTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ObjectTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const int row = index.row();
    const int column = index.column();
    const Column &info = m_columns[column];
    switch (role) {
    case Qt::DisplayRole:
        return text(row, column);
    case SortRole:
        return info.numeric && info.shows == Shows::Field ? QVariant(number(row, info.field))
                                                          : QVariant(text(row, column));
    case TrendRole:
        return info.shows == Shows::Trend && !gone(row) ? trendOf(row, info.field) : QVariant();
    case Qt::ToolTipRole: {
        QString shown = text(row, column);
        if (gone(row))
            shown += u'\n' + tr("Gone since the last query");
        if (m_marker)
            if (const std::optional<RowMark> mark = m_marker(key(row), true))
                shown += u'\n' + mark->note;
        if (!changed(row, column))
            return shown;
        // Asked for one cell at a time, so the details are worked out here, not per query.
        return shown + u'\n' + changeToolTip(m_history.changes().change(row, info.field));
    }
    case Qt::BackgroundRole:
        if (m_greyed || gone(row))
            return {};
        if (m_marker)
            if (const std::optional<RowMark> mark = m_marker(key(row), false))
                return QBrush(mark->color);
        if (!m_highlight)
            return {};
        if (m_states[row] == ChangeState::New)
            return QBrush(newTint());
        if (changed(row, column))
            return QBrush(changedTint());
        return {};
    case Qt::ForegroundRole:
        // The last good query's rows under a failed one, and objects gone since the query
        // before: there, but not the broker's now.
        if (m_greyed || gone(row))
            return QBrush(QApplication::palette().color(QPalette::Disabled, QPalette::Text));
        return {};
    case Qt::FontRole:
        if (gone(row)) {
            QFont struck;
            struck.setStrikeOut(true);
            return struck;
        }
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
        if (section < 0 || section >= m_columns.size())
            return {};
        if (role == Qt::DisplayRole)
            return m_columns[section].title;
        if (role == Qt::ToolTipRole)
            return m_columns[section].tip;
        if (role == FieldNameRole && m_columns[section].field >= 0)
            return m_fields[m_columns[section].field].name;
        if (role == FieldNameRole && m_columns[section].extra >= 0)
            return m_extraFields.value(m_columns[section].extra).name;
        return {};
    }
    if (section >= rowCount())
        return {};
    if (gone(section)) {
        if (role == Qt::DisplayRole)
            return tr("gone");
        if (role == Qt::ToolTipRole)
            return tr("Gone since the last query; listed until the next one");
        return {};
    }
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

void ObjectTableModel::setRowMarker(RowMarker marker)
{
    m_marker = std::move(marker);
    marksChanged();
}

void ObjectTableModel::marksChanged()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ToolTipRole});
}

void ObjectTableModel::setHighlight(bool on)
{
    if (on == m_highlight)
        return;
    m_highlight = on;
    if (rowCount() > 0)
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
    // What the broker sent, not the readings worked out from it.
    for (int column = 0; column < m_source.columnCount(); ++column) {
        if (!m_source.sent(column))
            continue;
        const QString text = m_source.text(sourceRow, column);
        if (m_usePattern ? m_pattern.match(text).hasMatch()
                         : text.contains(m_substring, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace morvain
