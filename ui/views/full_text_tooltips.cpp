#include "full_text_tooltips.h"

#include "object_table_model.h"
#include "text_list.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolTip>

namespace morvain
{

namespace
{

constexpr char noteProperty[] = "morvainChangeNote";

// The width a box has for its text: inside its frame and text margins.
int textRoom(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const QRect inside = box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box);
    const QMargins margins = box->textMargins();
    return inside.width() - margins.left() - margins.right() - 4; // 2 pixels each side
}

QString clippedBoxText(const QLineEdit *box)
{
    const QString text = visibleText(box->text());
    return box->fontMetrics().horizontalAdvance(text) > textRoom(box) ? text : QString();
}

// Every entry: a list's width cuts names of any length, and scrolling does not help.
QString entryText(const QAbstractItemView *view, QPoint pos)
{
    const QModelIndex index = view->indexAt(pos);
    return index.isValid() ? visibleText(index.data().toString()) : QString();
}

} // namespace

void FullTextToolTips::install(QWidget *root)
{
    auto *filter = new FullTextToolTips(root);
    for (QLineEdit *box : root->findChildren<QLineEdit *>())
        box->installEventFilter(filter);
    for (QListWidget *list : root->findChildren<QListWidget *>())
        list->viewport()->installEventFilter(filter);
    for (TextList *list : root->findChildren<TextList *>())
        list->viewport()->installEventFilter(filter);
    for (QComboBox *combo : root->findChildren<QComboBox *>())
        combo->view()->viewport()->installEventFilter(filter);
}

void FullTextToolTips::setNote(QLineEdit *box, const QString &note)
{
    box->setProperty(noteProperty, note.isEmpty() ? QVariant() : QVariant(note));
}

QString FullTextToolTips::note(const QLineEdit *box)
{
    return box->property(noteProperty).toString();
}

QString FullTextToolTips::textAt(QWidget *watched, QPoint pos)
{
    if (auto *box = qobject_cast<QLineEdit *>(watched)) {
        // The value first, then how it moved, then what the field is (the box's own tip).
        QStringList lines;
        for (const QString &part : {clippedBoxText(box), note(box), box->toolTip()})
            if (!part.isEmpty())
                lines << part;
        return lines.join(u'\n');
    }
    if (auto *view = qobject_cast<QAbstractItemView *>(watched->parentWidget()))
        return entryText(view, pos);
    return {};
}

bool FullTextToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    auto *help = static_cast<QHelpEvent *>(event);
    const QString text = textAt(widget, help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, widget);
    }
    return true;
}

} // namespace morvain
