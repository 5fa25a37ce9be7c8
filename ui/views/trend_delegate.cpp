#include "trend_delegate.h"

#include "object_table_model.h"

#include <QApplication>
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

int TrendDelegate::sizedCount() const
{
    int count = 0;
    for (const Sized &sized : m_sized)
        count += int(sized.byText.size());
    return count;
}

// What Qt's delegate answers, measured once per text and font. A cell without text, or with
// an icon, a check box or wrapped text, is measured each time: its size is not its text's.
QSize TrendDelegate::textSize(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.data(Qt::SizeHintRole).isValid())
        return QStyledItemDelegate::sizeHint(option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    const auto measure = [&] {
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), widget);
    };
    using Item = QStyleOptionViewItem;
    if (!(opt.features & Item::HasDisplay) ||
        opt.features & (Item::HasDecoration | Item::HasCheckIndicator | Item::WrapText))
        return measure();
    if (style != m_sizedBy || sizedCount() >= sizedLimit) {
        m_sized.clear();
        m_sizedBy = style;
    }
    auto sized = std::find_if(m_sized.begin(), m_sized.end(),
                              [&](const Sized &s) { return s.font == opt.font; });
    if (sized == m_sized.end())
        sized = m_sized.insert(m_sized.end(), Sized{opt.font, {}});
    if (const auto found = sized->byText.constFind(opt.text); found != sized->byText.cend())
        return *found;
    return *sized->byText.insert(opt.text, measure());
}

QSize TrendDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = textSize(option, index);
    if (index.data(ObjectTableModel::TrendRole).isValid())
        size.setWidth(std::max(size.width(), 90));
    return size;
}

} // namespace morvain
