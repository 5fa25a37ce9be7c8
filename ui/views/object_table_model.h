#pragma once
// One object kind's stored objects as a table: a row per stored object in the order
// received, then the objects the query before held and this one no longer does (greyed,
// struck through, until the next query); a column per field, beside each code its word,
// beside each counter its rate, a trend line beside the numbers the user picks, and when
// each object was first seen. It reads the cells from the kind's history of the query
// (no copy), only those asked for, and keeps one change mark per cell; sorting reads the
// cells in place, without variants.

#include "field_legend.h"
#include "kind_history.h"
#include "object_extras.h"
#include "text_support.h"

#include <QAbstractTableModel>
#include <QHash>
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
    // A trend cell's readings, oldest first (QList<double>); empty for other cells.
    static constexpr int TrendRole = Qt::UserRole + 1;
    // A column header's field name ("req_sum"), whatever its tooltip says.
    static constexpr int FieldNameRole = Qt::UserRole + 2;
    // Readings a trend cell shows at most.
    static constexpr int trendLength = 60;

    // `labels`: the words a person reads for each field (its tab's label), by field name;
    // a field without one is titled by its name.
    explicit ObjectTableModel(KindHistory &history, QHash<QString, QString> labels = {},
                              QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The header tooltips say what each field is on `source`'s broker and its unit; until
    // then they give the field's name.
    void setLegend(BrokerSource source);
    // Columns after the record's fields for what the records have no place for, by object
    // key; their fields() may change with the source.
    void setExtras(const ObjectExtras *extras);

    // Tints for changed values and new objects; the marks themselves stay either way.
    void setHighlight(bool on);
    bool highlight() const { return m_highlight; }

    // A trend line beside field `field` (its position in columns()), for number fields.
    void setTrend(int field, bool on);
    bool trend(int field) const { return m_trends.contains(field); }
    // Whether field `field` is a number a trend line can follow.
    bool trendable(int field) const;

    // For a sort and a filter that read the fields directly instead of variants.
    bool numeric(int column) const { return m_columns.value(column).numeric; }
    // The column shows what the broker sent (a field or a code's word), not a reading
    // worked out over queries (a rate, a trend, seen since).
    bool sent(int column) const
    {
        const Shows shows = m_columns.value(column).shows;
        return shows == Shows::Field || shows == Shows::Word || shows == Shows::Extra;
    }
    // The cell's text as shown: trailing blanks and zero bytes cut.
    QString text(int row, int column) const;
    // The table's order of two rows by one column: numbers as numbers, texts ignoring case
    // first.
    bool lessThan(int left, int right, int column) const;
    ChangeState rowState(int row) const
    {
        return row < m_count ? m_states[row] : ChangeState::Unchanged;
    }
    // Rows from shownCount() on are objects gone since the query before.
    int shownCount() const { return m_count; }
    bool gone(int row) const { return row >= m_count; }

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
    // `withNote`: the note is wanted too (a tooltip); painting asks for the colour alone.
    using RowMarker = std::function<std::optional<RowMark>(const QString &key, bool withNote)>;
    void setRowMarker(RowMarker marker);
    // The marks changed: the rows are painted again.
    void marksChanged();

    // Counts of the latest query against the one before.
    int newCount() const { return m_new; }
    int changedCount() const { return m_changed; }

private:
    enum class Shows { Field, Word, Rate, Trend, SeenSince, Extra };
    struct Column {
        Shows shows = Shows::Field;
        int field = 0;        // position in columns(); -1 for the seen-since and extra columns
        bool numeric = false; // sorted and aligned as a number
        QString title;
        QString tip;
        int extra = -1; // position in the extras' fields()
    };

    void buildColumns();
    // The extras' columns (object_table_extras.cpp).
    void appendExtraColumns(const std::string &kind);
    QVariant extraValue(int row, int extra) const;
    bool lessExtra(int left, int right, const Column &column) const;
    void reload();
    bool changed(int row, int column) const
    {
        return row < m_count && m_cellChanged[size_t(row * m_width + column)];
    }
    // Where row `row`'s fields are read: the latest query's row, or for a gone object its
    // row in the query before.
    struct Source {
        bool before;
        int row;
    };
    Source sourceOf(int row) const
    {
        return row < m_count ? Source{false, row} : Source{true, m_goneRows[row - m_count]};
    }
    // Row `row`'s field through `cell`, read off the query before for a gone object.
    template <class Cell> auto read(int row, int field, Cell cell) const
    {
        const auto [gone, r] = sourceOf(row);
        const ChangeTracker &changes = m_history.changes();
        return ((gone ? changes.previous() : changes.latest()).*cell)(r, field);
    }
    // Row `row`'s field as a number, and as text.
    qint64 number(int row, int field) const;
    QAnyStringView shownText(int row, int field) const;
    QString decoded(int row, int field) const;
    std::optional<double> rate(int row, int field) const;
    std::optional<qint64> seenSince(int row) const;
    QString fieldText(int row, int field) const;
    QVariant trendOf(int row, int field) const;

    KindHistory &m_history;
    QHash<QString, QString> m_labels;
    QList<FieldInfo> m_fields;
    QVector<Column> m_columns;
    QList<int> m_trends; // fields with a trend line, in the order picked
    std::optional<BrokerSource> m_source;
    const ObjectExtras *m_extras = nullptr;
    QList<FieldInfo> m_extraFields; // the extras' fields() when the columns were built
    qsizetype m_width = 0;
    int m_count = 0;
    QStringList m_goneKeys;          // the gone objects, in their order before
    QList<int> m_goneRows;           // their rows in the query before
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

// A field name as words, for a field no tab labels: "num_active" -> "Num active".
QString fieldWords(const QString &name);

} // namespace morvain
