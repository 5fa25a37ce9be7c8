#include "text_list_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

#include <limits>

namespace morvain
{

namespace
{

// A TextList's entries are plain strings: no icon, no check box, no alignment of their
// own, never edited. Left to the style: right-to-left rows, and the focused entry, whose
// focus frame is drawn over its text.
bool isPlain(const QStyleOptionViewItem &opt)
{
    return opt.direction == Qt::LeftToRight && !(opt.state & QStyle::State_HasFocus) &&
           !opt.text.isEmpty();
}

// The pen the style writes an entry's text with.
QColor textColour(const QStyleOptionViewItem &opt)
{
    QPalette::ColorGroup group =
        opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    return opt.palette.color(group, opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                       : QPalette::Text);
}

} // namespace

const TextListDelegate::Shaped &TextListDelegate::shaped(const QString &text,
                                                         const QFont &font) const
{
    if (font != m_font) {
        m_shaped.clear();
        m_font = font;
    }
    if (const auto found = m_shaped.find(text); found != m_shaped.end())
        return found->second;
    if (m_shaped.size() >= shapedLimit)
        m_shaped.clear();

    // Laid out as the style lays the text out before it draws it, and kept.
    Shaped &s = m_shaped.try_emplace(text).first->second;
    s.layout.setText(text);
    s.layout.setFont(font);
    QTextOption option;
    option.setWrapMode(QTextOption::ManualWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    s.layout.setTextOption(option);
    s.layout.setCacheEnabled(true);
    s.layout.beginLayout();
    for (QTextLine line = s.layout.createLine(); line.isValid(); line = s.layout.createLine())
        line.setLineWidth(std::numeric_limits<int>::max() / 2);
    s.layout.endLayout();
    s.height = s.layout.boundingRect().size().toSize().height();
    s.width = s.layout.lineCount() == 1 ? s.layout.lineAt(0).naturalTextWidth()
                                        : std::numeric_limits<qreal>::infinity();
    return s;
}

void TextListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QWidget *widget = opt.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    if (!isPlain(opt))
        return QStyledItemDelegate::paint(painter, option, index);

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    const Shaped &s = shaped(opt.text, opt.font);
    if (s.width > textRect.width()) // the style elides it
        return QStyledItemDelegate::paint(painter, option, index);

    // The panel, the selection and the focus frame are the style's; only the text is ours.
    const QColor colour = textColour(opt);
    opt.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

    const int top = textRect.top() + (textRect.height() - s.height) / 2;
    painter->save();
    painter->setPen(colour);
    s.layout.draw(painter, QPointF(textRect.left(), top));
    painter->restore();
}

} // namespace morvain
