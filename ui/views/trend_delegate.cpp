#include "trend_delegate.h"

#include "object_table_model.h"

#include <QPainter>

#include <algorithm>

namespace morvain
{

QPolygonF trendLine(const QList<double> &values, const QRectF &area)
{
    QPolygonF line;
    if (values.isEmpty())
        return line;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const double span = *high - *low;
    const double step = values.size() > 1 ? area.width() / double(values.size() - 1) : 0;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const double y = span > 0 ? area.bottom() - (values[i] - *low) / span * area.height()
                                  : area.center().y();
        line << QPointF(area.left() + step * double(i), y);
    }
    return line;
}

void TrendDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const
{
    const QVariant readings = index.data(ObjectTableModel::TrendRole);
    QStyledItemDelegate::paint(painter, option, index); // background, selection, focus
    if (!readings.isValid())
        return;
    const QList<double> values = readings.value<QList<double>>();
    const QRectF area = QRectF(option.rect).adjusted(3, 4, -3, -4);
    if (values.size() < 2 || area.width() < 4 || area.height() < 2)
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool selected = option.state & QStyle::State_Selected;
    painter->setPen(
        QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1.2));
    painter->drawPolyline(trendLine(values, area));
    painter->restore();
}

QSize TrendDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (index.data(ObjectTableModel::TrendRole).isValid())
        size.setWidth(std::max(size.width(), 90));
    return size;
}

} // namespace morvain
