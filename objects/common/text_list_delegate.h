#pragma once
// Paints a TextList's entries as the style does, but shapes each entry's text once: the
// laid-out text is kept and drawn again on every later paint of that entry. A Refresh
// repaints the same class names, and a pick repaints rows already shaped, so a paint is
// the style's panel and the glyphs, not a new text layout per entry per paint.
//
// Only a plain entry takes this path: one line of text that fits its row, left to right,
// not the focused entry. Anything else, an entry too long for its row included (the style
// elides it), is painted by the style itself.

#include <QFont>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <unordered_map>

namespace morvain
{

class TextListDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The texts shaped so far; the store is emptied when it holds `shapedLimit`, or when
    // the font changes.
    int shapedCount() const { return int(m_shaped.size()); }
    static constexpr int shapedLimit = 256;

private:
    struct Shaped {
        QTextLayout layout;
        qreal width = 0; // as the style measures it, to know when it would elide
        int height = 0;
    };
    const Shaped &shaped(const QString &text, const QFont &font) const;

    mutable std::unordered_map<QString, Shaped> m_shaped;
    mutable QFont m_font;
};

} // namespace morvain
