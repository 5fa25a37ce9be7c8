#pragma once
// Tints the boxes of a tab whose values changed since the query before, for the object
// the tab shows, until the next query of its kind; each tinted box's tooltip says the
// value before and, for counters, the change per second.

#include "kind_history.h"

#include <QHash>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>

#include <vector>

class QLineEdit;

namespace morvain
{

class TabTints : public QObject
{
    Q_OBJECT
public:
    // `boxes`: the tab's box for each field name it shows.
    TabTints(KindHistory &history, const QHash<QString, QLineEdit *> &boxes,
             QObject *parent = nullptr);

    // The tab now shows stored object z (1 to the object count).
    void objectShown(int z);
    // The stored object the tab shows (1 to the object count), or 0 before the first.
    int shown() const { return m_shown; }
    void setHighlight(bool on);
    bool tinted(const QLineEdit *box) const;

private:
    struct Box {
        QPointer<QLineEdit> edit;
        QPalette palette; // as the page made it, restored when the tint goes
        bool tinted = false;
    };
    void apply();
    void tint(Box &box, const FieldChange &change);

    KindHistory &m_history;
    QHash<QString, Box> m_boxes;
    std::vector<Box *> m_byColumn; // per column of the kind: its box, if the tab shows it
    int m_shown = 0;
    bool m_highlight = true;
};

} // namespace morvain
