#pragma once
// One object kind's stored objects as a table: a row per stored object in the order
// received, a column per field and, beside each code, its word. It shares the fields the
// kind's history recorded for the query (no copy) and keeps one change mark per cell;
// sorting and filtering read the fields directly, without variants.

#include "kind_history.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QVector>

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
    qint64 number(int row, int column) const { return value(row, column).number; }
    // The cell's text as shown: trailing blanks and zero bytes cut.
    QStringView text(int row, int column) const;
    ChangeState rowState(int row) const { return m_states[row]; }

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
    const FieldValue &value(int row, int column) const
    {
        return m_values[row][m_columns[column].field];
    }
    bool changed(int row, int column) const { return m_cellChanged[row * m_width + column]; }

    KindHistory &m_history;
    QVector<Column> m_columns;
    qsizetype m_width = 0;
    QList<QList<FieldValue>> m_values; // shared with the history's record of the query
    QStringList m_keys;
    QList<ChangeState> m_states;     // per row
    std::vector<bool> m_cellChanged; // per row and column
    int m_new = 0;
    int m_changed = 0;
    bool m_highlight = true;
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
QStringView visibleView(const QString &stored);
inline QString visibleText(const QString &stored)
{
    return visibleView(stored).toString();
}

} // namespace morvain
