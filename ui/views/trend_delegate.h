#pragma once
// Paints a table's trend cells: the readings a cell gives in ObjectTableModel::TrendRole as
// a small line from the oldest (left) to the latest (right), scaled to the cell; other
// cells as usual.

#include <QStyledItemDelegate>

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
};

// The line's points in `area` for `values`: x spread evenly, y scaled between the
// smallest (bottom) and largest (top) value; a flat series runs through the middle.
QPolygonF trendLine(const QList<double> &values, const QRectF &area);

} // namespace morvain
