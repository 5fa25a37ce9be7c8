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
    for (const FieldInfo &field : history.model().columns()) {
        const auto found = m_boxes.find(field.name);
        m_byColumn.push_back(found == m_boxes.end() ? nullptr : &*found);
    }
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
    const int r = m_shown - 1;
    // A failed query shows what the library left in the reply: nothing there changed.
    const bool compare = m_highlight && !m_history.failed() && changes.hasBaseline() && r >= 0 &&
                         r < changes.rowCount();
    const int before = compare ? changes.previousRowOf(r) : -1;
    // Fields are compared as stored; only a field that differs is read as a value.
    for (int column = 0; column < int(m_byColumn.size()); ++column) {
        Box *box = m_byColumn[std::size_t(column)];
        if (!box)
            continue;
        if (before < 0 || !changes.differs(r, before, column)) {
            tint(*box, {});
            continue;
        }
        const QList<FieldValue> &now = changes.row(r);
        if (column < now.size())
            tint(*box, changes.compare(&changes.previousFields(before), column, now[column]));
    }
}

void TabTints::tint(Box &box, const FieldChange &change)
{
    if (!box.edit || (!box.tinted && change.state != ChangeState::Changed))
        return; // nothing to take back, nothing to show
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
