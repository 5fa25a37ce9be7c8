#pragma once
// One object kind's stored objects as a table: a row per stored object in the order
// received, a column per field and, beside each code, its word. It reads the cells from
// the kind's history of the query (no copy), only those asked for, and keeps one change
// mark per cell; sorting reads the cells in place, without variants.

#include "kind_history.h"
#include "text_support.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QVector>

#include <functional>
#include <optional>

#include <vector>

namespace morvain
{

class ObjectTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // What a column is sorted by: the number for number columns, the text otherwise.
    static constexpr int SortRole = Qt::UserRole;

    explicit ObjectTableModel(KindHistory &history, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Tints for changed values and new objects; the marks themselves stay either way.
    void setHighlight(bool on);
    bool highlight() const { return m_highlight; }

    // For a sort and a filter that read the fields directly instead of variants.
    bool numeric(int column) const { return m_columns.value(column).numeric; }
    qint64 number(int row, int column) const;
    // The cell's text as shown: trailing blanks and zero bytes cut.
    QString text(int row, int column) const;
    // The table's order of two rows by one column: numbers as numbers, texts ignoring case
    // first.
    bool lessThan(int left, int right, int column) const;
    ChangeState rowState(int row) const { return m_states[row]; }

    // The key of row `row`'s object, and the field (its position in columns()) column
    // `column` shows.
    QString key(int row) const;
    int fieldOf(int column) const { return m_columns.value(column).field; }

    // A mark on the rows of some objects (a breached threshold): its background wins over
    // the change tints, its note ends the cells' tooltips. Asked per row when painted.
    struct RowMark {
        QColor color;
        QString note;
    };
    using RowMarker = std::function<std::optional<RowMark>(const QString &key)>;
    void setRowMarker(RowMarker marker);
    // The marks changed: the rows are painted again.
    void marksChanged();

    // Counts of the latest query against the one before.
    int newCount() const { return m_new; }
    int changedCount() const { return m_changed; }

private:
    struct Column {
        int field = 0;        // position in columns()
        bool word = false;    // the decoded word of a code, not its number
        bool numeric = false; // sorted and aligned as a number
        QString title;
    };

    void reload();
    bool changed(int row, int column) const { return m_cellChanged[row * m_width + column]; }

    KindHistory &m_history;
    QVector<Column> m_columns;
    qsizetype m_width = 0;
    int m_count = 0;
    QList<ChangeState> m_states;     // per row
    std::vector<bool> m_cellChanged; // per row and column
    int m_new = 0;
    int m_changed = 0;
    bool m_greyed = false;     // the latest query failed: these rows are the last good ones
    bool m_marksClear = false; // compared with a query before, and nothing marked
    bool m_highlight = true;
    RowMarker m_marker;
};

class ObjectTableProxy : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit ObjectTableProxy(ObjectTableModel &source, QObject *parent = nullptr);

    // Returns false, and leaves the filter as it was, for an invalid regular expression.
    bool setFilter(const QString &text, bool regularExpression);

protected:
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    ObjectTableModel &m_source;
    QString m_substring;
    QRegularExpression m_pattern;
    bool m_usePattern = false;
};

// Trailing blanks and zero bytes cut: fixed-width text as a person reads it.
inline QString visibleText(const QString &stored)
{
    return shownText(QStringView(stored)).toString();
}

} // namespace morvain
