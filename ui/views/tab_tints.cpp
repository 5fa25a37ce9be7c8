#include "tab_tints.h"

#include "full_text_tooltips.h"

#include <QLineEdit>

namespace morvain
{

TabTints::TabTints(KindHistory &history, const QHash<QString, QLineEdit *> &boxes, QObject *parent)
    : QObject(parent), m_history(history)
{
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
        m_boxes.insert(it.key(), {it.value(), it.value()->palette(), false});
    // A new query makes the old comparison void; the tab shows its first object next.
    connect(&history, &KindHistory::updated, this, [this] {
        m_shown = 0;
        apply();
    });
}

void TabTints::objectShown(int z)
{
    m_shown = z;
    apply();
}

void TabTints::setHighlight(bool on)
{
    m_highlight = on;
    apply();
}

bool TabTints::tinted(const QLineEdit *box) const
{
    for (const Box &b : m_boxes)
        if (b.edit == box)
            return b.tinted;
    return false;
}

void TabTints::apply()
{
    const ChangeTracker &changes = m_history.changes();
    const bool compare =
        m_highlight && changes.hasBaseline() && m_shown >= 1 && m_shown <= changes.rowCount();
    const QList<FieldValue> noValues;
    const QList<FieldValue> &values = compare ? changes.row(m_shown - 1) : noValues;
    const QList<FieldValue> *before = compare ? changes.beforeRow(m_shown - 1) : nullptr;
    for (int column = 0; column < values.size(); ++column) {
        const auto found = m_boxes.find(values[column].name);
        if (found != m_boxes.end())
            tint(*found, changes.compare(before, column, values[column]));
    }
    if (!compare)
        for (Box &box : m_boxes)
            tint(box, {});
}

void TabTints::tint(Box &box, const FieldChange &change)
{
    if (!box.edit)
        return;
    const bool on = change.state == ChangeState::Changed;
    if (on) {
        QPalette palette = box.palette;
        palette.setColor(QPalette::Base, changedTint());
        box.edit->setPalette(palette);
    } else if (box.tinted) {
        box.edit->setPalette(box.palette);
    }
    box.tinted = on;
    FullTextToolTips::setNote(box.edit, on ? changeToolTip(change) : QString());
}

} // namespace morvain
