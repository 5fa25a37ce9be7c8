#pragma once
// Shared by the pages that show stored replies: only a real pick from a list shows a
// stored object, and boxes show fixed-width text from its start.

#include "field_values.h"
#include "text_list.h"
#include "text_support.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QString>
#include <QStringListModel>

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace morvain
{

// A code box's decoding: the whole text, untrimmed, through the kind's word function; a
// code with a word becomes its word. Setting the word runs the change handler again,
// which then finds no code and leaves the word.
inline void decode(QLineEdit *box, QString (*wordOf)(const QString &))
{
    const QString word = wordOf(box->text());
    if (!word.isEmpty())
        box->setText(word);
}

// A stored value into a text box, scrolled to its start: fixed-width fields end in blanks,
// which would otherwise fill the visible part of a narrow box.
// The same text again is left as it stands: setting it would lay the text out anew and
// change nothing (no change notification either).
inline void showText(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
    box->setCursorPosition(0);
}

// Replaces a combo box's entries in one step, as clear() and addItems() would: the box
// holds them as one string list rather than an item object per entry, and its first
// entry becomes current.
inline void setEntries(QComboBox *combo, const QStringList &entries)
{
    auto *list = qobject_cast<QStringListModel *>(combo->model());
    if (!list) {
        list = new QStringListModel(combo);
        combo->setModel(list);
    }
    list->setStringList(entries);
}

// A combo box emptied, its edit text too, without running its handlers: a query starts
// from an empty list.
inline void clearQuietly(QComboBox *combo)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    combo->clearEditText();
}

// The end of a good query: the header button on, the query button "Refresh".
inline void markQueried(QAbstractButton *call, QAbstractButton *header)
{
    header->setEnabled(true);
    call->setText(QStringLiteral("Refresh"));
}

// The entry a fresh list selects: the one with the text `kept` when it is listed (an
// auto-refresh round keeps the operator's object), else the first.
inline int rowToSelect(const QStringList &entries, const QString &kept)
{
    return kept.isEmpty() ? 0 : std::max(0, int(entries.indexOf(kept)));
}

// Runs `handler` once for every entry the user picks from the list of an editable combo
// box (popup, arrow keys, wheel). Text typed into the edit field is no pick: Qt would look
// typed text up among the entries when editing finishes (Return, focus loss) and report a
// match as a pick, so that lookup is cut; and with no completer the field holds only what
// was typed.
template <class Handler>
void connectUserPicks(QComboBox *combo, const QObject *context, Handler handler)
{
    combo->setCompleter(nullptr);
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    QObject::connect(combo, &QComboBox::activated, context, [handler](int) { handler(); });
}

// Runs `handler` once for every selection in `list`: a row becoming current, whether the
// user or the program made it, and a click on the row already current, which Qt reports
// as no change. A click that also changes the row runs it once, through the change.
class ListSelections : public QObject
{
public:
    ListSelections(TextList *list, std::function<void()> handler)
        : QObject(list), m_handler(std::move(handler))
    {
        list->viewport()->installEventFilter(this);
        connect(list, &TextList::currentRowChanged, this, [this](int row) {
            if (row >= 0)
                run();
        });
        connect(list, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
            if (index.isValid() && !m_ranSincePress)
                run();
        });
    }

protected:
    // Sees each press before the list does, so a change of row it brings is counted.
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            m_ranSincePress = false;
        return false;
    }

private:
    void run()
    {
        m_ranSincePress = true;
        m_handler();
    }

    std::function<void()> m_handler;
    bool m_ranSincePress = false;
};

// A page's boxes with the field each shows, in the order it fills them. Views that mark
// values (the change tints) find a field's box through boxesByField().
using FieldBoxes = std::vector<std::pair<QLineEdit *, std::string_view>>;
inline void clearBoxes(const FieldBoxes &boxes)
{
    for (const auto &[box, field] : boxes)
        box->clear();
}
inline QHash<QString, QLineEdit *> boxesByField(const FieldBoxes &boxes)
{
    QHash<QString, QLineEdit *> byField;
    for (const auto &[box, field] : boxes)
        byField.insert(QString::fromLatin1(field.data(), qsizetype(field.size())), box);
    return byField;
}

// A stored object's value, as its text (untrimmed text, or the number's decimal text).
inline QString textOf(const QList<FieldValue> &values, std::string_view name)
{
    return valueNamed(values, name).text;
}

} // namespace morvain
