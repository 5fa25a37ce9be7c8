#pragma once
// Paints a table's trend cells: the readings a cell gives in ObjectTableModel::TrendRole as
// a small line from the oldest (left) to the latest (right), scaled to the cell; other
// cells as usual.
//
// A table window sizes its columns to their contents by asking every cell its size, and
// most cells of a column repeat a few texts ("0", a status word). The size the style gives
// a plain text cell is kept by its text and font and given again, so a thousand rows lay
// out a few hundred texts, not ten thousand.

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>

#include <vector>

namespace morvain
{

class TrendDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The sizes kept so far; all are dropped when they reach `sizedLimit` or the style
    // changes.
    int sizedCount() const;
    static constexpr int sizedLimit = 4096;

private:
    QSize textSize(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    struct Sized {
        QFont font;
        QHash<QString, QSize> byText;
    };
    mutable std::vector<Sized> m_sized; // one entry per font met, a table has two or three
    mutable const QStyle *m_sizedBy = nullptr;
};

// The line's points in `area` for `values`: x spread evenly, y scaled between the
// smallest (bottom) and largest (top) value; a flat series runs through the middle.
QPolygonF trendLine(const QList<double> &values, const QRectF &area);

} // namespace morvain
