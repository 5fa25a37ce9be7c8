#include "tab_tints.h"

#include "full_text_tooltips.h"

#include <QLineEdit>

namespace morvain
{

TabTints::TabTints(KindHistory &history, const QHash<QString, QLineEdit *> &boxes, QObject *parent)
    : QObject(parent), m_history(history)
{
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
        m_boxes.insert(it.key(), {it.value(), it.value()->palette(), it.key()});
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

const TabTints::Box *TabTints::boxOf(const QLineEdit *box) const
{
    for (const Box &b : m_boxes)
        if (b.edit == box)
            return &b;
    return nullptr;
}

bool TabTints::tinted(const QLineEdit *box) const
{
    const Box *b = boxOf(box);
    return b && b->tinted;
}

void TabTints::setBoxMarker(BoxMarker marker)
{
    m_marker = std::move(marker);
    apply();
}

bool TabTints::marked(const QLineEdit *box) const
{
    const Box *b = boxOf(box);
    return b && b->marked;
}

void TabTints::apply()
{
    const ChangeTracker &changes = m_history.changes();
    const int r = m_shown - 1;
    // A failed query shows what the library left in the reply: nothing there changed.
    const bool compare = m_highlight && !m_history.failed() && changes.hasBaseline() && r >= 0 &&
                         r < changes.latest().count();
    const int before = compare ? changes.previousRowOf(r) : -1;
    // Marks belong to the last good query's objects, as the tints do.
    const bool markable = m_marker && !m_history.failed() && m_shown >= 1 &&
                          m_shown <= m_history.model().shownCount();
    const QString key = markable ? m_history.model().key(m_shown) : QString();
    // Fields are compared as stored; only a field that differs is read as a value.
    for (int column = 0; column < int(m_byColumn.size()); ++column) {
        Box *box = m_byColumn[std::size_t(column)];
        if (!box)
            continue;
        const std::optional<BoxMark> mark =
            markable ? m_marker(key, box->field) : std::optional<BoxMark>();
        const FieldChange change =
            before >= 0 ? changeOf(changes.previous(), before, changes.latest(), r, column)
                        : FieldChange();
        tint(*box, change, mark);
    }
}

void TabTints::tint(Box &box, const FieldChange &change, const std::optional<BoxMark> &mark)
{
    const bool on = change.state == ChangeState::Changed;
    if (!box.edit || (!box.tinted && !box.marked && !on && !mark))
        return; // nothing to take back, nothing to show
    if (on || mark) {
        QPalette palette = box.palette;
        palette.setColor(QPalette::Base, mark ? mark->color : changedTint());
        box.edit->setPalette(palette);
    } else {
        box.edit->setPalette(box.palette);
    }
    box.tinted = on;
    box.marked = mark.has_value();
    QString note = on ? changeToolTip(change) : QString();
    if (mark)
        note = note.isEmpty() ? mark->note : mark->note + u'\n' + note;
    FullTextToolTips::setNote(box.edit, note);
}

} // namespace morvain
