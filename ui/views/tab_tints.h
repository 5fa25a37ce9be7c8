#pragma once
// Tints the boxes of a tab whose values changed since the query before, for the object
// the tab shows, until the next query of its kind; each tinted box's tooltip says the
// value before and, for counters, the change per second. A box may also carry a mark (a
// breached threshold) whose colour wins over the change tint and whose note is its tooltip.

#include "kind_history.h"

#include <QHash>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
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

    struct BoxMark {
        QColor color;
        QString note;
    };
    // The mark of one field of the object with this key (ObjectModel::key), if any.
    using BoxMarker =
        std::function<std::optional<BoxMark>(const QString &key, const QString &field)>;
    void setBoxMarker(BoxMarker marker);
    // The marks changed: the boxes are marked again.
    void marksChanged() { apply(); }
    bool marked(const QLineEdit *box) const;

private:
    struct Box {
        QPointer<QLineEdit> edit;
        QPalette palette; // as the page made it, restored when the tint goes
        QString field;
        bool tinted = false;
        bool marked = false;
    };
    const Box *boxOf(const QLineEdit *box) const;
    void apply();
    void tint(Box &box, const FieldChange &change, const std::optional<BoxMark> &mark);

    KindHistory &m_history;
    QHash<QString, Box> m_boxes;
    std::vector<Box *> m_byColumn; // per column of the kind: its box, if the tab shows it
    int m_shown = 0;
    bool m_highlight = true;
    BoxMarker m_marker;
};

} // namespace morvain
